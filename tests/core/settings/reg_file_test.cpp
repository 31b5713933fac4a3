// The settings file's text form: what reads as which value, that a parse
// serializes back byte for byte, and what a write keeps.
#include "settings/reg_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>

namespace vr {
namespace {

using namespace std::string_literals;

// The least processor time this thread spends on `work` in three runs,
// which shrugs off the other work sharing the machine.
double LeastThreadSeconds(const std::function<void()>& work) {
  auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  };
  double least = 1e9;
  for (int run = 0; run < 3; ++run) {
    const double start = now();
    work();
    least = std::min(least, now() - start);
  }
  return least;
}

const std::string kHead =
    "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\n";

struct ReadCase {
  std::string file;
  const char* name;
  std::optional<std::int32_t> number;
  std::optional<std::string> text;
};

class RegFileReading : public ::testing::TestWithParam<ReadCase> {};

// Every document, whatever it holds, serializes back as it was read.
TEST_P(RegFileReading, ReadsTheValueAndKeepsEveryByte) {
  const RegDocument doc = RegDocument::Parse(GetParam().file);
  EXPECT_EQ(doc.Number(GetParam().name), GetParam().number);
  EXPECT_EQ(doc.Text(GetParam().name), GetParam().text);
  EXPECT_EQ(doc.Serialize(), GetParam().file);
}

// A value continued with a backslash (a blank after it allowed) takes its
// next lines, however many and whatever they look like.
const std::string kContinued = "\"Blob\"=hex(2):41,00,\\ \n  42,00,\\\n\"W\"=dword:00000001\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, RegFileReading, ::testing::Values(
    ReadCase{kHead + "\"W\"=dword:0000012c\n", "W", 300, {}},
    ReadCase{kHead + "\"W\"=dword:ffffffff\n", "W", -1, {}},
    ReadCase{kHead + "\"W\"=dword:FFFFFF01\r\n", "W", -255, {}},
    ReadCase{kHead + "\"W\"=dword:0000000a", "W", 10, {}},
    ReadCase{kHead + "\"outWIDTH\"=dword:00000010\n", "OUTwidth", 16, {}},
    ReadCase{kHead + "\"W\"=dword:000000012\n", "W", {}, {}},
    ReadCase{kHead + "\"W\"=dword:0000001g\n", "W", {}, {}},
    ReadCase{kHead + "\"T\"=\"300\"\n", "T", {}, "300"},
    ReadCase{kHead + "\"T\"=\"C:\\\\Pics\\\\\\\"logo\\\".png\"\n", "T", {}, "C:\\Pics\\\"logo\".png"},
    ReadCase{kHead + "\"T\"=\"ab\0cd\"\n"s, "T", {}, "ab"}, ReadCase{kHead + "\"T\"=\"abc\n", "T", {}, {}},
    ReadCase{kHead + "\"T\"=\"abc\" junk\n", "T", {}, {}},
    ReadCase{kHead + "\"T\"=hex(2):25,00,54,00,00,00\n", "T", {}, {}},
    ReadCase{kHead + "\"W\"=dword:00000001\n\"w\"=dword:00000002\n", "W", 2, {}},
    ReadCase{kHead + "\"W\"=dword:00000001\n\"W\"=\"2\"\n", "W", {}, "2"},
    ReadCase{kHead + kContinued, "W", {}, {}}, ReadCase{kHead + kContinued + "\"X\"=\"x\"\n", "X", {}, "x"},
    ReadCase{"\"W\"=dword:00000001\n" + kHead, "W", {}, {}},
    ReadCase{kHead + "[HKEY_CURRENT_USER\\Other]\n\"W\"=dword:00000005\n", "W", {}, {}},
    ReadCase{"[hkey_local_machine\\software\\corvelle\\varenna pro]\n\"W\"=dword:00000007\n", "W", 7, {}},
    ReadCase{"\x89PNG\r\n\0\xff\x01["s, "W", {}, {}}, ReadCase{"", "W", {}, {}}));
// clang-format on

// A text round-trips through a write and a read whatever it holds, up to a NUL.
TEST(RegFileWriting, EveryValueRoundTrips) {
  RegDocument doc;
  for (const std::string& text :
       {""s, "C:\\Pics\\"s, "say \"hi\""s, "two\nlines\r\n"s, "Öl €"s, "\\n"s, "ab\0cd"s}) {
    doc.SetText("T", text);
    EXPECT_EQ(doc.Serialize().find('\0'), std::string::npos);
    EXPECT_EQ(RegDocument::Parse(doc.Serialize()).Text("T"), text.substr(0, text.find('\0'))) << text;
  }
  for (const std::int32_t number : {0, 1, -1, INT32_MIN, INT32_MAX}) {
    doc.SetNumber("N", number);
    EXPECT_EQ(RegDocument::Parse(doc.Serialize()).Number("N"), number);
  }
  EXPECT_EQ(doc.Serialize(), kHead + "\"T\"=\"ab\"\n\"N\"=dword:7fffffff\n");
}

struct WriteCase {
  std::string before, after;  // around SetNumber("W", 9)
};

class RegFileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(RegFileWrite, ReplacesInPlaceAndKeepsEverythingElse) {
  RegDocument doc = RegDocument::Parse(GetParam().before);
  doc.SetNumber("W", 9);
  EXPECT_EQ(doc.Serialize(), GetParam().after);
}

const std::string kOther = "\n[HKEY_CURRENT_USER\\Other]\n\"B\"=\"x\"\n";
const std::string kCrlfHead =
    "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Edits, RegFileWrite, ::testing::Values(
    WriteCase{kHead + "; hand\n\"w\"=dword:00000001\n" + kContinued + "junk\n", kHead + "; hand\n\"W\"=dword:00000009\n" + kContinued + "junk\n"},
    WriteCase{kHead + "\"W\"=hex(2):41,00,\\\n 42,00\n\"A\"=\"a\"\n", kHead + "\"W\"=dword:00000009\n\"A\"=\"a\"\n"},
    WriteCase{kHead + "\"W\"=dword:00000001\n\"A\"=\"a\"\n\"w\"=dword:00000003\n", kHead + "\"W\"=dword:00000009\n\"A\"=\"a\"\n"},
    WriteCase{kHead + "\"A\"=\"a\"\n" + kOther, kHead + "\"A\"=\"a\"\n\"W\"=dword:00000009\n" + kOther},
    WriteCase{"Windows Registry Editor Version 5.00\n" + kOther, "Windows Registry Editor Version 5.00\n" + kOther + "\n" + std::string(kSettingsKeyLine) + "\n\"W\"=dword:00000009\n"},
    WriteCase{kCrlfHead + "\"A\"=\"a\"\r\n", kCrlfHead + "\"A\"=\"a\"\r\n\"W\"=dword:00000009\r\n"}));
// clang-format on

TEST(RegFile, BlankFilesAndTheOldHeaderRead) {
  for (const std::string& blank : {""s, "\r\n \n"s, "\xFF\xFE\r\0\n\0"s}) {
    Expected<RegFile> file = ReadRegFile(blank);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->document.Serialize(), "");
  }
  Expected<RegFile> old =
      ReadRegFile("regedit4\n\n" + std::string(kSettingsKeyLine) + "\n\"A\"=dword:00000001\n");
  ASSERT_TRUE(old) << old.message();
  EXPECT_EQ(old->document.Number("A"), 1);
}

// Parsing is linear in the length, long continued values included: one file
// eight times as long costs about what eight short ones do (the least of
// three runs each, to shrug off the machine's other work).
TEST(RegFileReading, LongContinuedValuesParseInLinearTime) {
  auto file = [](int lines) {
    std::string text = kHead + "\"Blob\"=hex:00,01,\\\n";
    for (int i = 0; i < lines; ++i) text += "  08,09,0a,0b,0c,0d,0e,0f,\\\n";
    return text + "  ff\n\"W\"=dword:00000007\n";
  };
  const std::string short_file = file(2'500), long_file = file(20'000);
  auto parse = [](int times, const std::string& text) {
    return LeastThreadSeconds([&] {
      for (int i = 0; i < times; ++i) EXPECT_EQ(RegDocument::Parse(text).Number("W"), 7);
    });
  };
  const double eight_short = parse(8, short_file), one_long = parse(1, long_file);
  EXPECT_LT(one_long, 3 * eight_short + 0.002) << "short x8: " << eight_short << " s, long: " << one_long;
  RegDocument doc = RegDocument::Parse(long_file);
  doc.SetNumber("Blob", 1);  // takes every line of the old value with it
  EXPECT_EQ(doc.Serialize(), kHead + "\"Blob\"=dword:00000001\n\"W\"=dword:00000007\n");
}

}  // namespace
}  // namespace vr
