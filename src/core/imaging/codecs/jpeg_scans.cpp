#include "imaging/codecs/jpeg_scans.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <cstring>
#include <utility>

#include "imaging/codecs/jpeg_warnings.h"

namespace vr {
namespace {

// libjpeg reports through these callbacks; a fatal error jumps back to the
// decode, which then only frees the decoder.
struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  DecodeWarning worst;
  char reason[JMSG_LENGTH_MAX] = {};
};

ErrorTrap& TrapOf(j_common_ptr decoder) { return *reinterpret_cast<ErrorTrap*>(decoder->err); }

[[noreturn]] void OnFatalError(j_common_ptr decoder) {
  ErrorTrap& trap = TrapOf(decoder);
  decoder->err->format_message(decoder, trap.reason);
  std::longjmp(trap.jump, 1);
}

// Level -1 is a warning (decoding goes on); the others are trace messages.
void OnMessage(j_common_ptr decoder, int level) {
  if (level >= 0) return;
  char text[JMSG_LENGTH_MAX] = {};
  decoder->err->format_message(decoder, text);
  ErrorTrap& trap = TrapOf(decoder);
  trap.worst = DecodeWarning::Worse(trap.worst, {JpegWarningFlaw(decoder->err->msg_code), text});
}

void Silently(j_common_ptr) {}

// Rows (and columns) of a block's coefficients that libjpeg's inverse
// transform to `size` x `size` pixels reads: 1x1 the average alone, 2x2
// skips rows 2, 4 and 6, 4x4 skips row 4, the full one reads all.
bool TransformReads(int size, int row) {
  switch (size) {
    case 1:
      return row == 0;
    case 2:
      return row != 2 && row != 4 && row != 6;
    case 4:
      return row != 4;
    default:
      return true;
  }
}

// Zigzag position k of an 8x8 block as row * 8 + column.
constexpr int kZigzagToNatural[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                      12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                      35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                      58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// True once every coefficient the shrunk transforms read has arrived with
// all its bits (libjpeg's coef_bits: low bits still missing, -1 for none
// yet), so the picture can be made now and come out as from every scan.
bool ReadCoefficientsComplete(const jpeg_decompress_struct& decoder) {
  for (int c = 0; c < decoder.num_components; ++c) {
    const int size = decoder.comp_info[c].DCT_scaled_size;
    const int* bits = decoder.coef_bits[c];
    for (int k = 0; k < 64; ++k) {
      const int natural = kZigzagToNatural[k];
      if (TransformReads(size, natural / 8) && TransformReads(size, natural % 8) && bits[k] != 0)
        return false;
    }
  }
  return true;
}

// Reads scans until the scale has what it needs, the file ends or a limit is
// reached. False when the file takes too many scans.
bool ConsumeScans(jpeg_decompress_struct& decoder, int scan_limit) {
  for (;;) {
    const int got = jpeg_consume_input(&decoder);
    if (got == JPEG_SUSPENDED || got == JPEG_REACHED_EOI) return true;
    if (decoder.input_scan_number > kMaxProgressiveScans) return false;
    if (got != JPEG_SCAN_COMPLETED) continue;
    if (scan_limit > 0 ? decoder.input_scan_number >= scan_limit : ReadCoefficientsComplete(decoder))
      return true;
  }
}

// Everything that may end in libjpeg's error exit. No C++ object lives in
// this frame, so the long jump skips no destructor.
void Run(jpeg_decompress_struct& decoder, ErrorTrap& trap, std::span<const std::uint8_t> bytes,
         int denominator, bool four_channel, std::uint8_t* pixels, int width, int height, int scan_limit,
         ScanDecode& result) {
  if (setjmp(trap.jump) != 0) return;
  jpeg_mem_src(&decoder, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&decoder, TRUE);
  decoder.out_color_space = four_channel ? JCS_CMYK : JCS_EXT_RGBA;
  decoder.scale_num = 1;
  decoder.scale_denom = static_cast<unsigned>(denominator);
  decoder.buffered_image = TRUE;
  // Smoothing guesses missing low coefficients from the neighbours; the stop
  // leaves none missing that the picture reads, and the guess would only
  // move it away from the full decode (when measuring earlier stops, too).
  decoder.do_block_smoothing = FALSE;
  jpeg_start_decompress(&decoder);
  if (static_cast<int>(decoder.output_width) != width || static_cast<int>(decoder.output_height) != height ||
      decoder.output_components != 4) {
    std::strcpy(trap.reason, "unexpected scaled size");
    return;
  }
  if (!ConsumeScans(decoder, scan_limit)) {
    std::strcpy(trap.reason, "Progressive JPEG image has more than 500 scans");
    return;
  }
  result.scans_read = decoder.input_scan_number;
  jpeg_start_output(&decoder, decoder.input_scan_number);
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  while (decoder.output_scanline < decoder.output_height) {
    JSAMPROW row = pixels + stride * decoder.output_scanline;
    jpeg_read_scanlines(&decoder, &row, 1);
  }
  // The remaining scans stay unread: the decoder is simply dropped.
  result.ok = true;
}

}  // namespace

ScanDecode DecodeProgressiveShrunk(std::span<const std::uint8_t> bytes, int denominator, bool four_channel,
                                   std::uint8_t* pixels, int width, int height, int scan_limit) {
  jpeg_decompress_struct decoder;
  ErrorTrap trap;
  decoder.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = OnFatalError;
  trap.manager.emit_message = OnMessage;
  trap.manager.output_message = Silently;
  jpeg_create_decompress(&decoder);
  ScanDecode result;
  Run(decoder, trap, bytes, denominator, four_channel, pixels, width, height, scan_limit, result);
  jpeg_destroy_decompress(&decoder);
  result.warning = std::move(trap.worst);
  if (!result.ok) result.reason = trap.reason[0] != '\0' ? trap.reason : "unknown error";
  return result;
}

}  // namespace vr
