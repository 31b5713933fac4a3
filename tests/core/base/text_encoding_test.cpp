// A text file's encoding told by its byte order mark, converted to UTF-8 and
// back without losing a byte; what could not go back as it was is refused.
#include "base/text_encoding.h"

#include <gtest/gtest.h>

namespace vr {
namespace {

using namespace std::string_literals;

// "Aé€😀", a NUL and a Windows line end: one to four UTF-8 bytes, a
// surrogate pair in UTF-16.
const std::string kUtf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\0\r\n"s;

class TextEncodingRoundTrip : public ::testing::TestWithParam<std::pair<std::string, TextEncoding>> {};

TEST_P(TextEncodingRoundTrip, DecodesToUtf8AndEncodesBackByteForByte) {
  Expected<DecodedText> decoded = DecodeText(GetParam().first);
  ASSERT_TRUE(decoded) << decoded.message();
  EXPECT_EQ(decoded->encoding, GetParam().second);
  EXPECT_EQ(decoded->utf8, kUtf8);
  EXPECT_EQ(*EncodeText(decoded->utf8, decoded->encoding), GetParam().first);
}

INSTANTIATE_TEST_SUITE_P(Encodings, TextEncodingRoundTrip,
                         ::testing::Values(std::pair{kUtf8, TextEncoding::kUtf8},
                                           std::pair{"\xEF\xBB\xBF" + kUtf8, TextEncoding::kUtf8WithBom},
                                           std::pair{"\xFF\xFE"
                                                     "A\0\xE9\0\xAC\x20\x3D\xD8\x00\xDE\0\0\r\0\n\0"s,
                                                     TextEncoding::kUtf16Le},
                                           std::pair{"\xFE\xFF"
                                                     "\0A\0\xE9\x20\xAC\xD8\x3D\xDE\x00\0\0\0\r\0\n"s,
                                                     TextEncoding::kUtf16Be}));

TEST(TextEncoding, Utf8BytesPassUnchangedEvenWhenInvalid) {
  const std::string latin1 = "caf\xE9 \xFF\xC0\x80";
  Expected<DecodedText> decoded = DecodeText(latin1);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->utf8, latin1);
  EXPECT_EQ(decoded->encoding, TextEncoding::kUtf8);
  EXPECT_EQ(*EncodeText(latin1, TextEncoding::kUtf8), latin1);
}

TEST(TextEncoding, BrokenUtf16IsRefusedNotMended) {
  for (const std::string& broken : {"\xFF\xFE"
                                    "A\0B"s,
                                    "\xFF\xFE"
                                    "A\0\x3D\xD8"s,
                                    "\xFF\xFE\x3D\xD8"
                                    "A\0"s,
                                    "\xFE\xFF\xDE\x00"s})
    EXPECT_FALSE(DecodeText(broken)) << testing::PrintToString(broken);
}

TEST(TextEncoding, InvalidUtf8CannotBeEncodedAsUtf16) {
  for (const char* invalid :
       {"caf\xE9", "\xC0\x80", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80", "\x80"}) {
    EXPECT_FALSE(EncodeText(invalid, TextEncoding::kUtf16Le)) << testing::PrintToString(invalid);
    EXPECT_FALSE(EncodeText(invalid, TextEncoding::kUtf16Be));
  }
}

}  // namespace
}  // namespace vr
