#include "imaging/codecs/jpeg_warnings.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstring>
#include <vector>

namespace vr {
namespace {

// Whether `text` is what printf would make of `format` with some numbers:
// each conversion stands for a run of digits (hex ones for %x), a sign
// allowed in front.
bool MatchesFormat(const char* format, const std::string& text) {
  std::size_t at = 0;
  for (const char* f = format; *f != '\0'; ++f) {
    if (*f != '%') {
      if (at >= text.size() || text[at] != *f) return false;
      ++at;
      continue;
    }
    while (f[1] != '\0' && std::strchr("0123456789.-+lhz", f[1]) != nullptr) ++f;  // flags, width, length
    if (f[1] == '\0') return false;
    ++f;  // the conversion
    const char* digits = *f == 'x' || *f == 'X' ? "0123456789abcdefABCDEF" : "0123456789";
    if (at < text.size() && text[at] == '-') ++at;
    const std::size_t start = at;
    while (at < text.size() && std::strchr(digits, text[at]) != nullptr) ++at;
    if (at == start) return false;
  }
  return at == text.size();
}

struct WarningTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  DecodeWarning worst;
};

WarningTrap& TrapOf(j_common_ptr decoder) { return *reinterpret_cast<WarningTrap*>(decoder->err); }

std::string MessageOf(j_common_ptr decoder) {
  char text[JMSG_LENGTH_MAX] = {};
  decoder->err->format_message(decoder, text);
  return text;
}

[[noreturn]] void OnFatalError(j_common_ptr decoder) {
  WarningTrap& trap = TrapOf(decoder);
  trap.worst = DecodeWarning::Worse(trap.worst, {DecodeFlaw::kCorruptData, MessageOf(decoder)});
  std::longjmp(trap.jump, 1);
}

void OnMessage(j_common_ptr decoder, int level) {
  if (level >= 0) return;  // trace messages
  WarningTrap& trap = TrapOf(decoder);
  trap.worst =
      DecodeWarning::Worse(trap.worst, {JpegWarningFlaw(decoder->err->msg_code), MessageOf(decoder)});
}

void Silently(j_common_ptr) {}

// Everything that may end in libjpeg's error exit; no C++ object with a
// destructor lives in this frame.
void Scan(jpeg_decompress_struct& decoder, WarningTrap& trap, std::span<const std::uint8_t> bytes,
          std::vector<JSAMPLE>& row) {
  if (setjmp(trap.jump) != 0) return;
  jpeg_mem_src(&decoder, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&decoder, TRUE);
  decoder.scale_num = 1;
  decoder.scale_denom = 8;
  decoder.dct_method = JDCT_IFAST;
  decoder.do_fancy_upsampling = FALSE;
  jpeg_calc_output_dimensions(&decoder);
  // Sized before the decode starts: a long jump past a resize would leak.
  row.resize(static_cast<std::size_t>(decoder.output_width) * decoder.out_color_components);
  jpeg_start_decompress(&decoder);
  JSAMPROW rows[1] = {row.data()};
  while (decoder.output_scanline < decoder.output_height) jpeg_read_scanlines(&decoder, rows, 1);
  jpeg_finish_decompress(&decoder);
}

}  // namespace

DecodeFlaw JpegWarningFlaw(int code) {
  switch (code) {
    case JWRN_EXTRANEOUS_DATA:  // stray bytes between segments
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_NOT_SEQUENTIAL:  // a header field out of range, ignored
    case JWRN_BOGUS_ICC:       // a colour profile, not pixels
      return DecodeFlaw::kCosmetic;
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:  // a marker where entropy data should go on
      return DecodeFlaw::kMissingData;
    default:  // bad Huffman or arithmetic codes, lost restart markers, bad progression
      return DecodeFlaw::kCorruptData;
  }
}

DecodeFlaw JpegWarningTextFlaw(const std::string& text) {
  jpeg_error_mgr manager;
  jpeg_std_error(&manager);
  for (int code : {JWRN_ADOBE_XFORM, JWRN_ARITH_BAD_CODE, JWRN_BOGUS_PROGRESSION, JWRN_EXTRANEOUS_DATA,
                   JWRN_HIT_MARKER, JWRN_HUFF_BAD_CODE, JWRN_JFIF_MAJOR, JWRN_JPEG_EOF, JWRN_MUST_RESYNC,
                   JWRN_NOT_SEQUENTIAL, JWRN_TOO_MUCH_DATA, JWRN_BOGUS_ICC})
    if (code <= manager.last_jpeg_message && MatchesFormat(manager.jpeg_message_table[code], text))
      return JpegWarningFlaw(code);
  return DecodeFlaw::kCorruptData;
}

DecodeWarning ScanJpegWarnings(std::span<const std::uint8_t> bytes) {
  jpeg_decompress_struct decoder;
  WarningTrap trap;
  decoder.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = OnFatalError;
  trap.manager.emit_message = OnMessage;
  trap.manager.output_message = Silently;
  jpeg_create_decompress(&decoder);
  std::vector<JSAMPLE> row;
  Scan(decoder, trap, bytes, row);
  jpeg_destroy_decompress(&decoder);
  return trap.worst;
}

}  // namespace vr
