// The newer formats' module: everything in it is hidden but this one
// function, which hands the program the codecs' table.
#include "imaging/codecs/avif_codec.h"
#include "imaging/codecs/heif_codec.h"
#include "imaging/codecs/jxl_codec.h"
#include "imaging/codecs/newer_codecs.h"

namespace {

const vr::NewerCodecTable kTable{
    .version = VARENNA_VERSION,
    .layout = vr::kNewerCodecTableLayout,
    .read_avif_info = &vr::ReadAvifInfo,
    .decode_avif = &vr::DecodeAvif,
    .read_avif_metadata = &vr::ReadAvifMetadata,
    .encode_avif = &vr::EncodeAvif,
    .read_jxl_info = &vr::ReadJxlInfo,
    .decode_jxl = &vr::DecodeJxl,
    .read_jxl_metadata = &vr::ReadJxlMetadata,
    .encode_jxl = &vr::EncodeJxl,
    .read_heif_info = &vr::ReadHeifInfo,
    .decode_heif = &vr::DecodeHeif,
    .read_heif_metadata = &vr::ReadHeifMetadata,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const vr::NewerCodecTable* varenna_newer_codecs() {
  return &kTable;
}
