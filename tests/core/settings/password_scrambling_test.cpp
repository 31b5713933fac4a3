// The stored form of the FTP password.
#include "settings/password_scrambling.h"

#include <gtest/gtest.h>

#include <string>

namespace vr {
namespace {

std::string HexDecode(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

std::string Backward(const std::string& scrambled) {
  std::string a, b = scrambled;
  StreamXor(a, b, kScrambleKey);
  return a;
}

TEST(ScramblePassword, KnownVectors) {
  // First character: 0 ^ '_' ^ 68 ^ 'a' = 0x5F ^ 0x44 ^ 0x61 = 0x7A.
  EXPECT_EQ(ScramblePassword("a"), "7A");
  // Second: 0 ^ 'Q' ^ 'a' (the previous plain character) ^ 'b' = 0x51 ^ 0x61 ^ 0x62 = 0x52.
  EXPECT_EQ(ScramblePassword("ab"), "7A52");
  EXPECT_EQ(ScramblePassword(""), "");
}

TEST(ScramblePassword, PositionSaltStartsAtThe39thCharacter) {
  // With every character equal, the feedback cancels it from the second
  // position on, leaving key ^ salt.
  std::string password(116, 'x');
  std::string plain = HexDecode(ScramblePassword(password));
  for (std::size_t i = 2; i <= password.size(); ++i) {
    unsigned key = static_cast<unsigned char>(kScrambleKey[(i - 1) % kScrambleKey.size()]);
    unsigned salt = i <= 38 ? 0 : i <= 115 ? 1 : 2;
    EXPECT_EQ(static_cast<unsigned char>(plain[i - 1]), key ^ salt) << "position " << i;
  }
}

TEST(ScramblePassword, ChangesStayLocalExceptThroughFeedback) {
  std::string a = ScramblePassword("password1");
  std::string b = ScramblePassword("password2");
  EXPECT_EQ(a.substr(0, 16), b.substr(0, 16));
  EXPECT_NE(a.substr(16), b.substr(16));

  std::string c = ScramblePassword("Xassword1");
  EXPECT_NE(a.substr(0, 2), c.substr(0, 2));
  EXPECT_NE(a.substr(2, 2), c.substr(2, 2));
  EXPECT_EQ(a.substr(4), c.substr(4));
}

TEST(StreamXor, BackwardUndoesForward) {
  for (const std::string& password :
       {std::string("p"), std::string("correct horse battery staple"), std::string(500, '\0'),
        std::string("Pässwörd €"), std::string("\xff\x00\x44", 3)}) {
    EXPECT_EQ(Backward(HexDecode(ScramblePassword(password))), password);
  }
}

TEST(StreamXor, KeyWrapsAfterItsLastCharacter) {
  // A one-character key XORs every position with the same code.
  std::string a(3, 'a'), b;
  StreamXor(a, b, "K");
  EXPECT_EQ(static_cast<unsigned char>(b[0]), 'K' ^ 68u ^ 'a');
  EXPECT_EQ(static_cast<unsigned char>(b[1]), static_cast<unsigned>('K'));
  EXPECT_EQ(static_cast<unsigned char>(b[2]), static_cast<unsigned>('K'));
}

}  // namespace
}  // namespace vr
