// No file name can forge a report line: names are quoted, control
// characters escaped, printable text (UTF-8 included) left as it is.
#include "thumbnail/run/report_text.h"

#include <gtest/gtest.h>

namespace vr {
namespace {

TEST(ReportTextTest, QuotesAndEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"/pics/beach.jpg", "\"/pics/beach.jpg\""},
      {"a\nRow 2, \"x\": forged", "\"a\\nRow 2, \\\"x\\\": forged\""},
      {"tab\there\rand\x1b[31m", "\"tab\\there\\rand\\x1b[31m\""},
      {std::string("nul\0in", 6), "\"nul\\x00in\""},
      {"del\x7f", "\"del\\x7f\""},
      {"back\\slash", "\"back\\\\slash\""},
      {"Möwe 海.png", "\"Möwe 海.png\""},
      {"", "\"\""}};
  for (const auto& [text, quoted] : cases) EXPECT_EQ(QuotedForReport(text), quoted);
  // Reasons keep their quotes but lose their control characters.
  EXPECT_EQ(EscapeForReport("Invalid PNG: \"bad\"\nin x"), "Invalid PNG: \"bad\"\\nin x");
}

}  // namespace
}  // namespace vr
