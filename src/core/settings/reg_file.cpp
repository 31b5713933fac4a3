#include "settings/reg_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace vr {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

bool IsBlank(std::string_view text) { return TrimLeft(text).empty(); }

// Reads a quoted text starting just after its opening quote. Besides the
// export format's \\ and \", \n and \r stand for line breaks, which a text
// written by us may hold. Returns the position after the closing quote, or
// npos when the quote is never closed.
std::size_t ReadQuoted(std::string_view line, std::size_t pos, std::string& out) {
  out.clear();
  while (pos < line.size()) {
    char c = line[pos];
    if (c == '"') return pos + 1;
    if (c == '\\' && pos + 1 < line.size()) {
      char next = line[pos + 1];
      if (next == '\\' || next == '"') {
        out += next;
      } else if (next == 'n') {
        out += '\n';
      } else if (next == 'r') {
        out += '\r';
      } else {
        out += c;
        out += next;
      }
      pos += 2;
      continue;
    }
    out += c;
    ++pos;
  }
  return std::string_view::npos;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  out += '"';
  return out;
}

// "dword:" followed by one to eight hexadecimal digits.
std::optional<std::int32_t> ParseDword(std::string_view data) {
  constexpr std::string_view kPrefix = "dword:";
  if (!StartsWithIgnoringCase(data, kPrefix)) return std::nullopt;
  std::string_view digits = TrimRight(data.substr(kPrefix.size()));
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : Lower(c) - 'a' + 10;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return static_cast<std::int32_t>(value);
}

bool ContinuesOnNextLine(std::string_view raw) {
  std::string_view trimmed = TrimRight(raw);
  return !trimmed.empty() && trimmed.back() == '\\';
}

std::string_view FirstLine(std::string_view text) {
  std::string_view line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return TrimRight(TrimLeft(line));
}

bool IsBlankText(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

Expected<RegFile> ReadRegFile(std::string_view bytes) {
  VR_TRY_ASSIGN(const DecodedText decoded, DecodeText(bytes));
  RegFile file;
  file.encoding = decoded.encoding;
  if (IsBlankText(decoded.utf8)) return file;
  std::string_view header = FirstLine(decoded.utf8);
  if (!SameIgnoringCase(header, kRegFileHeader) && !SameIgnoringCase(header, kOldRegFileHeader))
    return Status::Fail("not a registry export: it does not begin with \"" + std::string(kRegFileHeader) +
                        "\"");
  file.document = RegDocument::Parse(decoded.utf8);
  return file;
}

Expected<std::string> WriteRegFile(const RegFile& file) {
  return EncodeText(file.document.Serialize(), file.encoding);
}

RegDocument::Entry RegDocument::ParseEntry(std::string raw, std::string line_end, bool in_settings_key) {
  Entry entry;
  entry.raw = std::move(raw);
  entry.line_end = std::move(line_end);
  entry.in_settings_key = in_settings_key;
  std::string_view line = TrimLeft(entry.raw);
  if (!in_settings_key || line.empty() || line.front() != '"') return entry;

  std::size_t after_name = ReadQuoted(line, 1, entry.name);
  if (after_name == std::string_view::npos) return entry;
  std::string_view rest = TrimLeft(line.substr(after_name));
  if (rest.empty() || rest.front() != '=') return entry;
  std::string_view data = TrimLeft(rest.substr(1));

  entry.kind = Kind::kForeign;  // a value, but not one we can read
  if (std::optional<std::int32_t> number = ParseDword(data)) {
    entry.kind = Kind::kNumber;
    entry.number = *number;
  } else if (!data.empty() && data.front() == '"') {
    std::string text;
    std::size_t end = ReadQuoted(data, 1, text);
    if (end != std::string_view::npos && IsBlank(data.substr(end))) {
      entry.kind = Kind::kText;
      // A stored text reads up to its first NUL, as the registry's do.
      entry.text = text.substr(0, text.find('\0'));
    }
  }
  return entry;
}

RegDocument RegDocument::Parse(std::string_view text) {
  RegDocument document;
  bool in_settings_key = false;
  std::size_t pos = 0;
  auto next_line = [&](std::string& raw, std::string& line_end) {
    std::size_t newline = text.find('\n', pos);
    std::size_t end = newline == std::string_view::npos ? text.size() : newline;
    std::size_t content_end = end;
    if (newline != std::string_view::npos && end > pos && text[end - 1] == '\r') --content_end;
    raw.assign(text.substr(pos, content_end - pos));
    line_end.assign(text.substr(content_end, newline == std::string_view::npos ? 0 : end + 1 - content_end));
    pos = newline == std::string_view::npos ? text.size() : end + 1;
  };

  while (pos < text.size()) {
    std::string raw, line_end;
    next_line(raw, line_end);
    std::string_view trimmed = TrimRight(TrimLeft(raw));
    if (!trimmed.empty() && trimmed.front() == '[') {
      in_settings_key = SameIgnoringCase(trimmed, kSettingsKeyLine);
      Entry key;
      key.raw = std::move(raw);
      key.line_end = std::move(line_end);
      key.kind = Kind::kKey;
      key.in_settings_key = in_settings_key;
      document.entries_.push_back(std::move(key));
      continue;
    }
    // A binary value may run over several lines, each but the last ending
    // in a backslash; it stays one entry so a change replaces all of it.
    // The lines are appended where they end up, never copied again: a
    // value of megabytes runs over hundreds of thousands of lines.
    bool is_value_start = !trimmed.empty() && trimmed.front() == '"';
    if (in_settings_key && is_value_start) {
      Entry value = ParseEntry(std::move(raw), std::move(line_end), true);
      std::string more, more_end;
      while (value.kind == Kind::kForeign && ContinuesOnNextLine(value.raw) && pos < text.size()) {
        next_line(more, more_end);
        value.raw += value.line_end;
        value.raw += more;
        value.line_end.swap(more_end);
      }
      document.entries_.push_back(std::move(value));
      continue;
    }
    document.entries_.push_back(ParseEntry(std::move(raw), std::move(line_end), in_settings_key));
  }
  return document;
}

std::string RegDocument::Serialize() const {
  std::string out;
  for (const Entry& entry : entries_) {
    out += entry.raw;
    out += entry.line_end;
  }
  return out;
}

const RegDocument::Entry* RegDocument::FindLast(std::string_view name) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    bool is_value = it->kind == Kind::kNumber || it->kind == Kind::kText || it->kind == Kind::kForeign;
    if (is_value && it->in_settings_key && SameIgnoringCase(it->name, name)) return &*it;
  }
  return nullptr;
}

std::vector<std::string> RegDocument::ValueNames() const {
  std::vector<std::string> names;
  for (const Entry& entry : entries_) {
    const bool is_value =
        entry.kind == Kind::kNumber || entry.kind == Kind::kText || entry.kind == Kind::kForeign;
    if (is_value && entry.in_settings_key) names.push_back(entry.name);
  }
  return names;
}

std::optional<std::int32_t> RegDocument::Number(std::string_view name) const {
  const Entry* entry = FindLast(name);
  if (entry == nullptr || entry->kind != Kind::kNumber) return std::nullopt;
  return entry->number;
}

std::optional<std::string> RegDocument::Text(std::string_view name) const {
  const Entry* entry = FindLast(name);
  if (entry == nullptr || entry->kind != Kind::kText) return std::nullopt;
  return entry->text;
}

std::string RegDocument::NewLineEnd() const {
  for (const Entry& entry : entries_)
    if (!entry.line_end.empty()) return entry.line_end;
  return "\n";
}

void RegDocument::SetNumber(std::string_view name, std::int32_t value) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value));
  Set(name, ParseEntry(Quote(name) + "=dword:" + digits, NewLineEnd(), true));
}

void RegDocument::SetText(std::string_view name, std::string_view text) {
  // The stored text would read only up to a NUL, so that is all we store.
  std::string_view stored = text.substr(0, text.find('\0'));
  Set(name, ParseEntry(Quote(name) + "=" + Quote(stored), NewLineEnd(), true));
}

void RegDocument::Set(std::string_view name, Entry replacement) {
  auto same_value = [&](const Entry& entry) {
    bool is_value = entry.kind == Kind::kNumber || entry.kind == Kind::kText || entry.kind == Kind::kForeign;
    return is_value && entry.in_settings_key && SameIgnoringCase(entry.name, name);
  };
  auto first = std::find_if(entries_.begin(), entries_.end(), same_value);
  if (first != entries_.end()) {
    replacement.line_end = first->line_end;
    *first = std::move(replacement);
    entries_.erase(std::remove_if(first + 1, entries_.end(), same_value), entries_.end());
    return;
  }

  std::string line_end = NewLineEnd();
  auto last_in_key = std::find_if(entries_.rbegin(), entries_.rend(), [](const Entry& entry) {
    return entry.in_settings_key && !IsBlank(entry.raw);
  });
  if (last_in_key == entries_.rend()) {
    if (entries_.empty()) {
      entries_.push_back(ParseEntry(std::string(kRegFileHeader), line_end, false));
    } else if (entries_.back().line_end.empty()) {
      entries_.back().line_end = line_end;
    }
    entries_.push_back(ParseEntry("", line_end, false));
    Entry key;
    key.raw = std::string(kSettingsKeyLine);
    key.line_end = line_end;
    key.kind = Kind::kKey;
    key.in_settings_key = true;
    entries_.push_back(std::move(key));
    replacement.line_end = line_end;
    entries_.push_back(std::move(replacement));
    return;
  }
  auto insert_at = last_in_key.base();  // just after the key's last line
  Entry& previous = *(insert_at - 1);
  if (previous.line_end.empty()) previous.line_end = line_end;
  replacement.line_end = line_end;
  entries_.insert(insert_at, std::move(replacement));
}

}  // namespace vr
