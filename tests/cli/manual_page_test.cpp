// The manual page of varenna-batch against the program: every option the
// command line takes and every setting name of the settings table has its
// entry, each setting says its default, and the page names no option or
// setting the program does not know.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/batch_options.h"
#include "settings/settings_record.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

// A roff line as a reader sees its words: "\-" is "-", font changes and
// the no-hyphenation and zero-width marks are dropped.
std::string Plain(std::string line) {
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\\' || i + 1 >= line.size()) {
      out += line[i];
    } else if (line[i + 1] == '-') {
      out += '-';
      ++i;
    } else if (line[i + 1] == 'f' && i + 2 < line.size()) {
      i += 2;
    } else if (line[i + 1] == '%' || line[i + 1] == '&') {
      ++i;
    } else {
      out += line[i];
    }
  }
  return out;
}

// The words of a tag line after its macro (".B", ".BI", ...), split at
// blanks, quotes and commas.
std::vector<std::string> Words(const std::string& line) {
  std::string text = Plain(line);
  if (!text.empty() && text[0] == '.') text.erase(0, std::min(text.find(' '), text.size()));
  for (char& c : text)
    if (c == '"' || c == ',') c = ' ';
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// Whether the parser takes `option`, given a value that suits it when it
// needs one.
bool Takes(std::string_view option) {
  for (const char* value : {"1", "A=1", "ffffff", "srgb", "centre", "jpeg", "2026-12-08", "0/2", "skip"})
    if (ParseBatchOptions({std::string(option), value}).ok()) return true;
  return false;
}

bool IsMacro(const std::string& line, const std::string& name) {
  return line == name || line.rfind(name + " ", 0) == 0;
}

// One entry of a section: the words of its tags (a .TP's and the .TQ ones
// after it) and its text up to the next entry, sub-section or paragraph.
// Entries nested inside .RS and .RE belong to the entry around them.
struct Entry {
  std::vector<std::string> tags;
  std::string body;
};

class ManualPageTest : public testing::Test {
 protected:
  static std::vector<Entry> Section(const std::string& page, const std::string& title) {
    std::istringstream in(test::ReadTextFile(std::string(VARENNA_MAN_DIR) + "/" + page));
    std::vector<Entry> entries;
    bool inside = false, tag_next = false, open = false;
    int depth = 0;
    for (std::string line; std::getline(in, line);) {
      if (IsMacro(line, ".SH")) {
        if (inside) break;
        inside = line == ".SH " + title;
        continue;
      }
      if (!inside) continue;
      if (tag_next) {
        for (const std::string& word : Words(line)) entries.back().tags.push_back(word);
        tag_next = false;
        continue;
      }
      depth += IsMacro(line, ".RS") ? 1 : IsMacro(line, ".RE") ? -1 : 0;
      if (depth == 0 && (IsMacro(line, ".TP") || (IsMacro(line, ".TQ") && !open))) {
        entries.emplace_back();
        open = tag_next = true;
      } else if (depth == 0 && IsMacro(line, ".TQ")) {
        tag_next = true;
      } else if (depth == 0 && (IsMacro(line, ".SS") || IsMacro(line, ".PP"))) {
        open = false;
      } else if (open) {
        entries.back().body += Plain(line) + "\n";
      }
    }
    return entries;
  }
};

TEST_F(ManualPageTest, ListsEveryOptionTheCommandLineTakesAndNoOther) {
  std::set<std::string> listed;
  for (const Entry& entry : Section("varenna-batch.1", "OPTIONS"))
    for (const std::string& word : entry.tags)
      if (word[0] == '-') listed.insert(word);
  ASSERT_FALSE(listed.empty()) << "no OPTIONS section with entries";
  for (std::string_view option : BatchOptionNames())
    EXPECT_EQ(listed.count(std::string(option)), 1u) << option << " is missing from varenna-batch.1";
  for (const std::string& option : listed)
    EXPECT_TRUE(Takes(option)) << "varenna-batch.1 lists " << option << ", which the parser refuses";
}

TEST_F(ManualPageTest, ListsEverySettingWithItsDefaultAndNoOther) {
  std::map<std::string, std::string> listed;  // name, its entry's text
  for (const Entry& entry : Section("varenna-batch.1", "SETTINGS"))
    for (const std::string& word : entry.tags) listed[word] = entry.body;
  ASSERT_FALSE(listed.empty()) << "no SETTINGS section with entries";
  for (const SettingsField& field : SettingsFields()) {
    const auto found = listed.find(std::string(field.name));
    if (found == listed.end()) {
      ADD_FAILURE() << field.name << " is missing from varenna-batch.1";
      continue;
    }
    EXPECT_NE(found->second.find("Default"), std::string::npos) << field.name << " says no default";
  }
  for (const auto& [name, body] : listed)
    EXPECT_NE(FindSettingsField(name), nullptr) << "varenna-batch.1 lists an unknown setting " << name;
}

// The JPEG quality's entry gives the default the program loads.
TEST_F(ManualPageTest, GivesTheQualityDefaultTheProgramUses) {
  int entries = 0;
  for (const Entry& entry : Section("varenna-batch.1", "SETTINGS")) {
    if (entry.tags != std::vector<std::string>{"JPEGquality"}) continue;
    ++entries;
    EXPECT_NE(entry.body.find("Default " + std::to_string(kDefaultJpegQuality) + " "), std::string::npos)
        << entry.body;
  }
  EXPECT_EQ(entries, 1);
}

// The list the page is held to is the parser's: each name is taken, and
// nothing else that looks like an option.
TEST(BatchOptionNames, AreWhatTheParserTakes) {
  for (std::string_view option : BatchOptionNames()) EXPECT_TRUE(Takes(option)) << option;
  for (const char* other : {"--frobnicate", "-x", "--setting", "--jobs2", "-", "--dry-run=1"})
    EXPECT_FALSE(Takes(other)) << other;
}

}  // namespace
}  // namespace vr
