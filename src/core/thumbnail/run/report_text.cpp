#include "thumbnail/run/report_text.h"

#include <cstdio>

namespace vr {

std::string EscapeForReport(std::string_view text, bool quote) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\':
        out += "\\\\";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\t':
        out += "\\t";
        continue;
      case '"':
        out += quote ? "\\\"" : "\"";
        continue;
      default:
        break;
    }
    if (byte < 0x20 || byte == 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
    } else {
      out += c;  // UTF-8 and everything else printable passes as it is
    }
  }
  return out;
}

std::string QuotedForReport(std::string_view path) { return "\"" + EscapeForReport(path, true) + "\""; }

}  // namespace vr
