// A strict JSON reader for the tests: whether a text is exactly one JSON
// value (RFC 8259), and the top-level fields of an object as raw text.
#pragma once

#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vr::test {

class JsonCheck {
 public:
  // The object's fields, each value as written (strings with their quotes);
  // none when `text` is not one valid JSON object.
  static std::optional<std::map<std::string, std::string>> Object(std::string_view text) {
    JsonCheck reader(text);
    std::map<std::string, std::string> fields;
    reader.Blank();
    if (!reader.Take('{')) return std::nullopt;
    reader.Blank();
    if (!reader.Take('}')) {
      do {
        reader.Blank();
        const std::size_t key_at = reader.at_;
        if (!reader.String()) return std::nullopt;
        const std::string key(text.substr(key_at + 1, reader.at_ - key_at - 2));
        reader.Blank();
        if (!reader.Take(':')) return std::nullopt;
        reader.Blank();
        const std::size_t value_at = reader.at_;
        if (!reader.Value()) return std::nullopt;
        fields[key] = std::string(text.substr(value_at, reader.at_ - value_at));
        reader.Blank();
      } while (reader.Take(','));
      if (!reader.Take('}')) return std::nullopt;
    }
    reader.Blank();
    if (reader.at_ != text.size()) return std::nullopt;
    return fields;
  }

 private:
  explicit JsonCheck(std::string_view text) : text_(text) {}

  bool Take(char c) {
    if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
    return false;
  }
  void Blank() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  bool Digits() {
    const std::size_t from = at_;
    while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])) != 0) ++at_;
    return at_ > from;
  }
  bool Number() {
    Take('-');
    if (!Take('0') && !Digits()) return false;
    if (Take('.') && !Digits()) return false;
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      if (!Digits()) return false;
    }
    return true;
  }
  // Control characters must be escaped; bytes of 0x80 and above must be UTF-8.
  bool String() {
    if (!Take('"')) return false;
    while (at_ < text_.size()) {
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') return ++at_, true;
      if (c < 0x20) return false;
      if (c == '\\') {
        ++at_;
        if (at_ >= text_.size()) return false;
        const char e = text_[at_++];
        if (e == 'u') {
          for (int i = 0; i < 4; ++i, ++at_)
            if (at_ >= text_.size() || std::isxdigit(static_cast<unsigned char>(text_[at_])) == 0)
              return false;
        } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
          return false;
        }
        continue;
      }
      if (c < 0x80) {
        ++at_;
        continue;
      }
      const int length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
      if (length == 0 || c > 0xF4) return false;
      for (int i = 1; i < length; ++i)
        if (at_ + i >= text_.size() || (static_cast<unsigned char>(text_[at_ + i]) & 0xC0) != 0x80)
          return false;
      at_ += static_cast<std::size_t>(length);
    }
    return false;
  }
  bool Value() {
    if (at_ >= text_.size()) return false;
    const char c = text_[at_];
    if (c == '"') return String();
    if (c == '{' || c == '[') return false;  // the report's objects are flat
    if (c == 't') return Word("true");
    if (c == 'f') return Word("false");
    if (c == 'n') return Word("null");
    return Number();
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace vr::test
