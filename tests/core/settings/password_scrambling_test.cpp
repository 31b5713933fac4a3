// The stored form of the FTP password: hex of a key stream with plain-text
// feedback, undone by running the stream backward.
#include "settings/password_scrambling.h"

#include <gtest/gtest.h>

namespace vr {
namespace {

std::string HexDecode(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

TEST(ScramblePassword, BackwardUndoesForward) {
  for (const std::string& password : {std::string("p"), std::string("correct horse battery staple"),
                                      std::string(500, '\0'), std::string("P\xC3\xA4sswort \xE2\x82\xAC")}) {
    std::string plain, scrambled = HexDecode(ScramblePassword(password));
    StreamXor(plain, scrambled, kScrambleKey);
    EXPECT_EQ(plain, password);
  }
}

// The first code is 0 ^ key ^ 68 ^ the character; with every character the
// same the feedback cancels it from the second on, leaving key ^ salt, the
// key wrapping after its last character and the salt growing at 39 and 116.
TEST(ScramblePassword, EachCodeIsKeyFeedbackAndPositionSalt) {
  const std::string password(116, 'x');
  const std::string codes = HexDecode(ScramblePassword(password));
  ASSERT_EQ(codes.size(), password.size());
  EXPECT_EQ(static_cast<unsigned char>(codes[0]), static_cast<unsigned>(kScrambleKey[0] ^ 68 ^ 'x'));
  for (std::size_t i = 2; i <= password.size(); ++i) {
    const unsigned key = static_cast<unsigned char>(kScrambleKey[(i - 1) % kScrambleKey.size()]);
    EXPECT_EQ(static_cast<unsigned char>(codes[i - 1]), key ^ (i <= 38 ? 0 : i <= 115 ? 1 : 2)) << i;
  }
  std::string one_key(3, 'a'), out;
  StreamXor(one_key, out, "K");
  EXPECT_EQ(out, std::string({static_cast<char>('K' ^ 68 ^ 'a'), 'K', 'K'}));
}

TEST(ScramblePassword, AChangeReachesOnlyItsOwnAndTheNextCode) {
  const std::string a = ScramblePassword("password1");
  EXPECT_EQ(a.substr(0, 16), ScramblePassword("password2").substr(0, 16));
  EXPECT_NE(a.substr(16), ScramblePassword("password2").substr(16));
  const std::string c = ScramblePassword("Xassword1");
  EXPECT_NE(a.substr(0, 2), c.substr(0, 2));
  EXPECT_NE(a.substr(2, 2), c.substr(2, 2));
  EXPECT_EQ(a.substr(4), c.substr(4));
}

}  // namespace
}  // namespace vr
