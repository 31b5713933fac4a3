// Telling a text file's encoding by its byte order mark, and converting it
// to UTF-8 and back without losing a byte.
#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace vr {
namespace {

// "Aé€😀", a NUL and a Windows line end: one, two, three and four UTF-8
// bytes, a surrogate pair in UTF-16.
const std::string kUtf8 = std::string("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80") + '\0' + "\r\n";

struct EncodingCase {
  const char* label;
  std::string bytes;
  TextEncoding encoding;
};

class TextEncodingRoundTrip : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(TextEncodingRoundTrip, DecodesToUtf8AndEncodesBackByteForByte) {
  Expected<DecodedText> decoded = DecodeText(GetParam().bytes);
  ASSERT_TRUE(decoded) << decoded.message();
  EXPECT_EQ(decoded->encoding, GetParam().encoding);
  EXPECT_EQ(decoded->utf8, kUtf8);
  Expected<std::string> encoded = EncodeText(decoded->utf8, decoded->encoding);
  ASSERT_TRUE(encoded) << encoded.message();
  EXPECT_EQ(*encoded, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, TextEncodingRoundTrip,
    ::testing::Values(EncodingCase{"Utf8", kUtf8, TextEncoding::kUtf8},
                      EncodingCase{"Utf8WithBom", "\xEF\xBB\xBF" + kUtf8, TextEncoding::kUtf8WithBom},
                      EncodingCase{"Utf16Le",
                                   std::string("\xFF\xFE"
                                               "A\0\xE9\0\xAC\x20\x3D\xD8\x00\xDE\0\0\r\0\n\0",
                                               18),
                                   TextEncoding::kUtf16Le},
                      EncodingCase{"Utf16Be",
                                   std::string("\xFE\xFF"
                                               "\0A\0\xE9\x20\xAC\xD8\x3D\xDE\x00\0\0\0\r\0\n",
                                               18),
                                   TextEncoding::kUtf16Be}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(TextEncoding, Utf8BytesPassUnchangedEvenWhenInvalid) {
  const std::string latin1 = "caf\xE9 \xFF\xC0\x80";
  Expected<DecodedText> decoded = DecodeText(latin1);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->utf8, latin1);
  EXPECT_EQ(decoded->encoding, TextEncoding::kUtf8);
  EXPECT_EQ(*EncodeText(latin1, TextEncoding::kUtf8), latin1);
}

struct BrokenCase {
  const char* label;
  std::string bytes;
};

class BrokenUtf16 : public ::testing::TestWithParam<BrokenCase> {};

// What could not be written back as it was is refused, not mended.
TEST_P(BrokenUtf16, IsRefused) { EXPECT_FALSE(DecodeText(GetParam().bytes)); }

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenUtf16,
    ::testing::Values(BrokenCase{"OddLength", std::string("\xFF\xFE"
                                                          "A\0B",
                                                          5)},
                      BrokenCase{"HighSurrogateAtTheEnd", std::string("\xFF\xFE"
                                                                      "A\0\x3D\xD8",
                                                                      6)},
                      BrokenCase{"HighSurrogateThenLetter", std::string("\xFF\xFE\x3D\xD8"
                                                                        "A\0",
                                                                        6)},
                      BrokenCase{"LowSurrogateAlone", std::string("\xFE\xFF\xDE\x00", 4)}),
    [](const auto& info) { return std::string(info.param.label); });

class InvalidUtf8ForUtf16 : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(InvalidUtf8ForUtf16, CannotBeEncoded) {
  EXPECT_FALSE(EncodeText(GetParam().bytes, TextEncoding::kUtf16Le));
  EXPECT_FALSE(EncodeText(GetParam().bytes, TextEncoding::kUtf16Be));
}

INSTANTIATE_TEST_SUITE_P(Cases, InvalidUtf8ForUtf16,
                         ::testing::Values(BrokenCase{"Latin1", "caf\xE9"},
                                           BrokenCase{"Overlong", "\xC0\x80"},
                                           BrokenCase{"Surrogate", "\xED\xA0\x80"},
                                           BrokenCase{"Truncated", "\xE2\x82"},
                                           BrokenCase{"BeyondUnicode", "\xF4\x90\x80\x80"},
                                           BrokenCase{"StrayContinuation", "\x80"}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vr
