// A newer formats' module left behind by another version of the program:
// the program must refuse it without calling any of its (absent) codecs.
#include "imaging/codecs/newer_codecs.h"

extern "C" __attribute__((visibility("default"))) const vr::NewerCodecTable* varenna_newer_codecs() {
  static const vr::NewerCodecTable table = [] {
    vr::NewerCodecTable stale{};  // no codecs at all: calling one would crash
    stale.version = "0.9.0";
    stale.layout = vr::kNewerCodecTableLayout;
    return stale;
  }();
  return &table;
}
