#!/usr/bin/env bash
# Builds the Debian package in build-package/ and prints its path:
#   scripts/package.sh           build-package/varenna_VERSION_ARCH.deb
#   scripts/package.sh --check   then checks it as CI does (scripts/check_package.sh)
# The build is a packager's: Release with Debian's hardening flags, no tests
# (so no GoogleTest), installed under /usr.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --packaging
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Paths inside the binaries name the source as /usr/src/varenna, not this checkout.
prefix_map="-ffile-prefix-map=$(pwd)=/usr/src/varenna"
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS) $prefix_map" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS) $prefix_map" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_MODULE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build-package --parallel "$(nproc)"
rm -f build-package/*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/varenna_*.deb)
echo "$deb"
if [ "${1:-}" = "--check" ]; then
  bash scripts/check_package.sh "$deb"
fi
