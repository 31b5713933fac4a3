// The settings file's text form: what reads as which value, and what a
// write keeps.
#include "settings/reg_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>

namespace vr {
namespace {

const std::string kHead =
    "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\n";

RegDocument Doc(const std::string& values) { return RegDocument::Parse(kHead + values); }

TEST(RegFileReading, NumbersAreSignedDwords) {
  RegDocument doc =
      Doc("\"OUTwidth\"=dword:0000012c\n\"OUTnoprop\"=dword:ffffffff\n\"Low\"=dword:FFFFFF01\n");
  EXPECT_EQ(doc.Number("OUTwidth"), 300);
  EXPECT_EQ(doc.Number("OUTnoprop"), -1);
  EXPECT_EQ(doc.Number("Low"), -255);
}

TEST(RegFileReading, TextsUnescapeBackslashAndQuote) {
  RegDocument doc = Doc("\"WMFile\"=\"C:\\\\Pics\\\\\\\"logo\\\".png\"\n");
  EXPECT_EQ(doc.Text("WMFile"), "C:\\Pics\\\"logo\".png");
}

TEST(RegFileReading, NamesMatchWithoutRegardToCase) {
  RegDocument doc = Doc("\"outWIDTH\"=dword:00000010\n");
  EXPECT_EQ(doc.Number("OUTwidth"), 16);
  EXPECT_EQ(doc.Number("outwidth"), 16);
}

TEST(RegFileReading, ValuesOfOtherKindsReadAsMissing) {
  RegDocument doc =
      Doc("\"Expand\"=hex(2):25,00,54,00,00,00\n"
          "\"Binary\"=hex:01,02\n"
          "\"NumberAsText\"=\"300\"\n"
          "\"TextAsNumber\"=dword:00000001\n"
          "\"TooLong\"=dword:000000012\n"
          "\"NotHex\"=dword:0000001g\n"
          "\"Unclosed\"=\"abc\n"
          "\"Trailing\"=\"abc\" junk\n");
  EXPECT_FALSE(doc.Text("Expand"));
  EXPECT_FALSE(doc.Number("Expand"));
  EXPECT_FALSE(doc.Number("Binary"));
  EXPECT_FALSE(doc.Number("NumberAsText"));
  EXPECT_EQ(doc.Text("NumberAsText"), "300");
  EXPECT_FALSE(doc.Text("TextAsNumber"));
  EXPECT_FALSE(doc.Number("TooLong"));
  EXPECT_FALSE(doc.Number("NotHex"));
  EXPECT_FALSE(doc.Text("Unclosed"));
  EXPECT_FALSE(doc.Text("Trailing"));
}

TEST(RegFileReading, EmbeddedNulEndsTheText) {
  std::string file = kHead + "\"OUTname\"=\"ab";
  file += '\0';
  file += "cd\"\n";
  EXPECT_EQ(RegDocument::Parse(file).Text("OUTname"), "ab");
}

TEST(RegFileReading, LastDuplicateCountsEvenWhenOfAnotherKind) {
  EXPECT_EQ(Doc("\"OUTwidth\"=dword:00000001\n\"OUTWIDTH\"=dword:00000002\n").Number("OUTwidth"), 2);
  EXPECT_FALSE(Doc("\"OUTwidth\"=dword:00000001\n\"OUTwidth\"=\"2\"\n").Number("OUTwidth"));
}

TEST(RegFileReading, OnlyTheSettingsKeyCounts) {
  RegDocument doc = RegDocument::Parse(
      "\"Before\"=dword:00000001\n"
      "[HKEY_CURRENT_USER\\Other]\n\"OUTwidth\"=dword:00000005\n"
      "[hkey_local_machine\\software\\corvelle\\varenna pro]\n\"OUTheight\"=dword:00000007\n"
      "[HKEY_CURRENT_USER\\Other]\n\"OUTname\"=\"x\"\n");
  EXPECT_FALSE(doc.Number("Before"));
  EXPECT_FALSE(doc.Number("OUTwidth"));
  EXPECT_EQ(doc.Number("OUTheight"), 7);
  EXPECT_FALSE(doc.Text("OUTname"));
}

TEST(RegFileReading, WindowsLineEndsAreTolerated) {
  RegDocument doc = RegDocument::Parse(
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
      "\"OUTname\"=\"thumb\"\r\n\"OUTwidth\"=dword:00000010\r\n");
  EXPECT_EQ(doc.Text("OUTname"), "thumb");
  EXPECT_EQ(doc.Number("OUTwidth"), 16);
}

TEST(RegFileReading, GarbageAndLongLinesNeverFail) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  RegDocument doc = RegDocument::Parse(garbage);
  EXPECT_FALSE(doc.Number("OUTwidth"));
  std::string long_text(1 << 20, 'x');
  EXPECT_EQ(Doc("\"OUTname\"=\"" + long_text + "\"\n").Text("OUTname"), long_text);
  EXPECT_FALSE(RegDocument::Parse("").Text("OUTname"));
  EXPECT_EQ(Doc("\"OUTwidth\"=dword:00000010").Number("OUTwidth"), 16);  // no final line end
}

// A binary value as the registry editor wraps it: 25 bytes to a line, each
// line but the last ending in a backslash.
std::string ContinuedBinaryValue(std::size_t lines) {
  std::string value = "\"Blob\"=hex:00,01,02,03,04,05,06,07,\\\n";
  for (std::size_t i = 1; i < lines; ++i) value += "  08,09,0a,0b,0c,0d,0e,0f,\\\n";
  value += "  ff\n";
  return value;
}

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The least processor time of a few runs of `work`, which shrugs off the
// other work sharing the machine.
template <class Work>
double LeastSeconds(Work work) {
  double least = 1e9;
  for (int run = 0; run < 3; ++run) {
    const double start = ThreadSeconds();
    work();
    least = std::min(least, ThreadSeconds() - start);
  }
  return least;
}

// Parsing is linear in the file's length, long continued values included:
// one document eight times as long costs about what eight short ones do (a
// parser that copies the value so far at each line takes eight times as
// long). No absolute time is asserted, only the two costs' ratio.
TEST(RegFileReading, LongContinuedValuesParseInLinearTime) {
  const std::string short_file = kHead + ContinuedBinaryValue(2'500) + "\"OUTwidth\"=dword:00000007\n";
  const std::string long_file = kHead + ContinuedBinaryValue(20'000) + "\"OUTwidth\"=dword:00000007\n";
  const double eight_short = LeastSeconds([&] {
    for (int i = 0; i < 8; ++i) EXPECT_EQ(RegDocument::Parse(short_file).Number("OUTwidth"), 7);
  });
  const double one_long =
      LeastSeconds([&] { EXPECT_EQ(RegDocument::Parse(long_file).Number("OUTwidth"), 7); });
  EXPECT_LT(one_long, 3 * eight_short + 0.002)
      << "short x8: " << eight_short << " s, long: " << one_long << " s";
}

// A store at the largest size read, one binary value taking all of it,
// comes back byte for byte, and the values around it read exactly.
TEST(RegFileReading, ASixteenMegabyteContinuedValueKeepsEveryByte) {
  const std::string value = ContinuedBinaryValue((std::size_t{16} << 20) / 28 - 64);
  const std::string text = kHead + "\"OUTname\"=\"before\"\n" + value + "\"OUTwidth\"=dword:0000012c\n";
  ASSERT_GT(text.size(), std::size_t{15} << 20);
  ASSERT_LE(text.size(), std::size_t{16} << 20);
  RegDocument doc = RegDocument::Parse(text);
  EXPECT_EQ(doc.Text("OUTname"), "before");
  EXPECT_EQ(doc.Number("OUTwidth"), 300);
  EXPECT_FALSE(doc.Text("Blob"));
  EXPECT_EQ(doc.Serialize(), text);
  // Replacing the value takes every one of its lines with it.
  doc.SetNumber("Blob", 1);
  EXPECT_EQ(doc.Serialize(),
            kHead + "\"OUTname\"=\"before\"\n\"Blob\"=dword:00000001\n\"OUTwidth\"=dword:0000012c\n");
}

TEST(RegFileWriting, RoundTripsEveryTextWeWrite) {
  RegDocument doc;
  const std::string texts[] = {
      "", "plain", "C:\\Pics\\", "say \"hi\"", "two\nlines\r\n", "Öl für Ärzte €", "\\n literal"};
  for (const std::string& text : texts) {
    doc.SetText("OUTname", text);
    EXPECT_EQ(RegDocument::Parse(doc.Serialize()).Text("OUTname"), text) << text;
  }
}

TEST(RegFileWriting, NewDocumentHasHeaderKeyAndValueLines) {
  RegDocument doc;
  doc.SetNumber("OUTwidth", 300);
  doc.SetText("OUTname", "a\"b");
  EXPECT_EQ(doc.Serialize(), kHead + "\"OUTwidth\"=dword:0000012c\n\"OUTname\"=\"a\\\"b\"\n");
}

TEST(RegFileWriting, NegativeNumbersStoreTheirTwosComplement) {
  RegDocument doc;
  doc.SetNumber("OUTnoprop", -1);
  EXPECT_NE(doc.Serialize().find("\"OUTnoprop\"=dword:ffffffff"), std::string::npos);
  EXPECT_EQ(RegDocument::Parse(doc.Serialize()).Number("OUTnoprop"), -1);
}

TEST(RegFileWriting, ReplacesInPlaceKeepingEverythingElse) {
  const std::string before =
      "; written by hand\n"
      "\"OUTwidth\"=dword:00000001\n"
      "\"Expand\"=hex(2):25,00,54,00,\\\n  45,00,00,00\n"
      "something we do not understand\n"
      "\"OUTname\"=\"old\"\n";
  RegDocument doc = Doc(before);
  doc.SetNumber("outwidth", 2);
  std::string after = doc.Serialize();
  EXPECT_EQ(after, kHead +
                       "; written by hand\n"
                       "\"outwidth\"=dword:00000002\n"
                       "\"Expand\"=hex(2):25,00,54,00,\\\n  45,00,00,00\n"
                       "something we do not understand\n"
                       "\"OUTname\"=\"old\"\n");
}

TEST(RegFileWriting, ReplacingAValueOfAnotherKindTakesAllItsLines) {
  RegDocument doc = Doc("\"OUTname\"=hex(2):41,00,\\\n  42,00\n\"Next\"=dword:00000001\n");
  doc.SetText("OUTname", "ok");
  EXPECT_EQ(doc.Serialize(), kHead + "\"OUTname\"=\"ok\"\n\"Next\"=dword:00000001\n");
}

TEST(RegFileWriting, DropsLaterDuplicatesSoTheWrittenValueCounts) {
  RegDocument doc = Doc("\"OUTwidth\"=dword:00000001\n\"A\"=dword:00000000\n\"OUTWIDTH\"=dword:00000003\n");
  doc.SetNumber("OUTwidth", 9);
  EXPECT_EQ(doc.Serialize(), kHead + "\"OUTwidth\"=dword:00000009\n\"A\"=dword:00000000\n");
}

TEST(RegFileWriting, NewValuesGoAtTheEndOfTheSettingsKey) {
  RegDocument doc =
      RegDocument::Parse(kHead + "\"A\"=dword:00000001\n\n[HKEY_CURRENT_USER\\Other]\n\"B\"=\"x\"\n");
  doc.SetNumber("C", 2);
  EXPECT_EQ(
      doc.Serialize(),
      kHead + "\"A\"=dword:00000001\n\"C\"=dword:00000002\n\n[HKEY_CURRENT_USER\\Other]\n\"B\"=\"x\"\n");
}

TEST(RegFileWriting, AddsTheSettingsKeyToAFileWithoutIt) {
  RegDocument doc =
      RegDocument::Parse("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Other]\n\"B\"=\"x\"");
  doc.SetNumber("OUTwidth", 5);
  RegDocument again = RegDocument::Parse(doc.Serialize());
  EXPECT_EQ(again.Number("OUTwidth"), 5);
  EXPECT_EQ(doc.Serialize(),
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Other]\n\"B\"=\"x\"\n\n" +
                std::string(kSettingsKeyLine) + "\n\"OUTwidth\"=dword:00000005\n");
}

TEST(RegFileWriting, KeepsWindowsLineEnds) {
  RegDocument doc = RegDocument::Parse(
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
      "\"A\"=dword:00000001\r\n");
  doc.SetNumber("B", 2);
  doc.SetNumber("A", 3);
  EXPECT_EQ(
      doc.Serialize(),
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
      "\"A\"=dword:00000003\r\n\"B\"=dword:00000002\r\n");
}

TEST(RegFileWriting, TextWithNulIsStoredUpToIt) {
  RegDocument doc;
  doc.SetText("OUTname", std::string("ab\0cd", 5));
  EXPECT_EQ(doc.Serialize().find('\0'), std::string::npos);
  EXPECT_EQ(RegDocument::Parse(doc.Serialize()).Text("OUTname"), "ab");
}

// Registry exports as the registry editor writes them: UTF-16LE with a
// byte order mark and Windows line ends.
std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST(RegFileEncodings, AUtf16ExportReadsAndIsWrittenBackInUtf16) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
      "\"OUTwidth\"=dword:00000010\r\n";
  Expected<RegFile> file = ReadRegFile(Utf16Le(text));
  ASSERT_TRUE(file) << file.message();
  EXPECT_EQ(file->encoding, TextEncoding::kUtf16Le);
  EXPECT_EQ(file->document.Number("OUTwidth"), 16);
  file->document.SetNumber("OUTheight", 32);
  EXPECT_EQ(*WriteRegFile(*file), Utf16Le(text + "\"OUTheight\"=dword:00000020\r\n"));
}

TEST(RegFileEncodings, Utf8WithAndWithoutBomIsKept) {
  for (const std::string& bom : {std::string(), std::string("\xEF\xBB\xBF")}) {
    Expected<RegFile> file = ReadRegFile(bom + kHead + "\"OUTname\"=\"caf\xC3\xA9\"\n");
    ASSERT_TRUE(file) << file.message();
    EXPECT_EQ(file->document.Text("OUTname"), "caf\xC3\xA9");
    EXPECT_EQ(*WriteRegFile(*file), bom + kHead + "\"OUTname\"=\"caf\xC3\xA9\"\n");
  }
}

TEST(RegFileEncodings, BlankFilesAreEmptyDocumentsAndTheOldHeaderCounts) {
  for (const std::string& blank : {std::string(), std::string("\r\n \n"), Utf16Le("\r\n")}) {
    Expected<RegFile> file = ReadRegFile(blank);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->document.Serialize(), "");
  }
  Expected<RegFile> old =
      ReadRegFile("regedit4\n\n" + std::string(kSettingsKeyLine) + "\n\"A\"=dword:00000001\n");
  ASSERT_TRUE(old) << old.message();
  EXPECT_EQ(old->document.Number("A"), 1);
}

struct NotAnExportCase {
  const char* label;
  std::string bytes;
};

class RegFileRefusal : public ::testing::TestWithParam<NotAnExportCase> {};

// What is not a registry export must not be written back as one.
TEST_P(RegFileRefusal, IsNotReadAsASettingsFile) {
  Expected<RegFile> file = ReadRegFile(GetParam().bytes);
  EXPECT_FALSE(file);
  EXPECT_FALSE(file.message().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RegFileRefusal,
                         ::testing::Values(NotAnExportCase{"Utf16WithoutBom", Utf16Le(kHead).substr(2)},
                                           NotAnExportCase{"Utf16OfOddLength", Utf16Le(kHead) + "x"},
                                           NotAnExportCase{"Binary", std::string("\0\1\2\xff\xfe", 5)},
                                           NotAnExportCase{
                                               "ValuesWithoutHeader",
                                               std::string(kSettingsKeyLine) + "\n\"A\"=dword:1\n"},
                                           NotAnExportCase{"OtherText", "OUTwidth=300\n"}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vr
