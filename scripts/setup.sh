#!/usr/bin/env bash
# Installs from Debian's packages whatever the build and the tests need and
# is missing. Does nothing when everything is present. Runs as root, or
# through sudo, without questions.
#   scripts/setup.sh              what building and testing need
#   scripts/setup.sh --packaging  that, and what making and checking the
#                                 Debian package needs
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev
  qt6-base-dev qt6-svg-dev
  libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev libgif-dev libtiff-dev
  zlib1g-dev liblcms2-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libwebp-dev libavif-dev libjxl-dev libheif-dev
  webp libavif-bin libjxl-tools
  librsvg2-bin
  xvfb xauth x11-utils
  clang libclang-rt-14-dev clang-format
)
if [ "${1:-}" = "--packaging" ]; then
  packages+=(dpkg-dev file lintian desktop-file-utils appstream man-db)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
