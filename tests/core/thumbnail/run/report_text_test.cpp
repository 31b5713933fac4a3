// No file name can forge a report line: names are quoted, control
// characters escaped, printable text (UTF-8 included) left as it is.
#include "thumbnail/run/report_text.h"

#include <gtest/gtest.h>

namespace vr {
namespace {

struct EscapeCase {
  std::string text;
  std::string quoted;
};

class ReportTextTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(ReportTextTest, QuotesAndEscapes) { EXPECT_EQ(QuotedForReport(GetParam().text), GetParam().quoted); }

INSTANTIATE_TEST_SUITE_P(
    Names, ReportTextTest,
    ::testing::Values(EscapeCase{"/pics/beach.jpg", "\"/pics/beach.jpg\""},
                      EscapeCase{"a\nRow 2, \"x\": forged", "\"a\\nRow 2, \\\"x\\\": forged\""},
                      EscapeCase{"tab\there\rand\x1b[31m", "\"tab\\there\\rand\\x1b[31m\""},
                      EscapeCase{std::string("nul\0in", 6), "\"nul\\x00in\""},
                      EscapeCase{"del\x7f", "\"del\\x7f\""}, EscapeCase{"back\\slash", "\"back\\\\slash\""},
                      EscapeCase{"Möwe 海.png", "\"Möwe 海.png\""}, EscapeCase{"", "\"\""}));

TEST(ReportTextTest, ReasonsKeepTheirQuotesButLoseTheirControlCharacters) {
  EXPECT_EQ(EscapeForReport("Invalid PNG: \"bad\"\nin x"), "Invalid PNG: \"bad\"\\nin x");
}

}  // namespace
}  // namespace vr
