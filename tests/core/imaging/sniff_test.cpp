#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/image_info.h"

namespace vr {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

struct SniffCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  FileKind kind;
};

class SniffTest : public ::testing::TestWithParam<SniffCase> {};

TEST_P(SniffTest, KindFromMagicBytes) { EXPECT_EQ(SniffFileKind(GetParam().bytes), GetParam().kind); }

std::string CaseName(const ::testing::TestParamInfo<SniffCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(
    Magic, SniffTest,
    ::testing::Values(SniffCase{"Bmp", Bytes("BM\x36\x00\x00\x00"), FileKind::Bmp},
                      SniffCase{"BmpBare", Bytes("BM"), FileKind::Bmp},
                      SniffCase{"Gif87", Bytes("GIF87a\x01\x00"), FileKind::Gif},
                      SniffCase{"Gif89", Bytes("GIF89a"), FileKind::Gif},
                      SniffCase{"Jpeg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00}, FileKind::Jpeg},
                      SniffCase{
                          "Png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13}, FileKind::Png},
                      SniffCase{"TiffLittle", {'I', 'I', 42, 0, 8, 0, 0, 0}, FileKind::Tiff},
                      SniffCase{"TiffBig", {'M', 'M', 0, 42, 0, 0, 0, 8}, FileKind::Tiff}),
    CaseName);

// Near misses: one byte off, cut short, or empty. None may be taken for a
// format, or a decoder would be handed bytes it was never meant to see.
INSTANTIATE_TEST_SUITE_P(
    NearMisses, SniffTest,
    ::testing::Values(SniffCase{"Empty", {}, FileKind::Unknown},
                      SniffCase{"OneB", Bytes("B"), FileKind::Unknown},
                      SniffCase{"LowerBm", Bytes("bm\x36\x00"), FileKind::Unknown},
                      SniffCase{"Gif88", Bytes("GIF88a"), FileKind::Unknown},
                      SniffCase{"GifShort", Bytes("GIF89"), FileKind::Unknown},
                      SniffCase{"JpegTwoBytes", {0xFF, 0xD8}, FileKind::Unknown},
                      SniffCase{"JpegWrongThird", {0xFF, 0xD8, 0x00}, FileKind::Unknown},
                      SniffCase{
                          "PngCrLfMangled", {0x89, 'P', 'N', 'G', '\n', '\n', 0x1A, '\n'}, FileKind::Unknown},
                      SniffCase{"PngShort", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A}, FileKind::Unknown},
                      SniffCase{"TiffMixedOrder", {'I', 'I', 0, 42}, FileKind::Unknown},
                      SniffCase{"TiffBigMixed", {'M', 'M', 42, 0}, FileKind::Unknown},
                      SniffCase{"TiffShort", {'I', 'I', 42}, FileKind::Unknown},
                      SniffCase{"Text", Bytes("hello world"), FileKind::Unknown}),
    CaseName);

}  // namespace
}  // namespace vr
