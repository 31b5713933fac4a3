#include "cli/json_report.h"

#include <cstdio>

namespace vr {

namespace {

// The length of the valid UTF-8 sequence at `at` (no overlongs, no
// surrogates, nothing past U+10FFFF); 0 when there is none.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = at + 2; i < at + length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
}

std::string Escape(const char* format, unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t length = Utf8Length(text, i);
      if (length == 0) {
        out += Escape("\\udc%02x", c);
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F)
          out += Escape("\\u%04x", c);
        else
          out += static_cast<char>(c);
    }
    ++i;
  }
  return out + "\"";
}

std::string RowJson(const RowOutcome& row) {
  static constexpr const char* kStatus[] = {"written", "skipped", "failed", "warning"};
  return "{\"row\":" + std::to_string(row.row) + ",\"source\":" + JsonString(row.source) +
         ",\"output\":" + JsonString(row.output) + ",\"status\":\"" + kStatus[static_cast<int>(row.kind)] +
         "\",\"reason\":" + JsonString(row.reason) + ",\"width\":" + std::to_string(row.width) +
         ",\"height\":" + std::to_string(row.height) + ",\"bytes\":" + std::to_string(row.bytes) +
         ",\"ms\":" + Number(row.ms) + "}";
}

std::string SummaryJson(const BuildSummary& summary, const RowShard& shard) {
  const std::size_t warnings = summary.warnings.size() + summary.notes.size();
  return "{\"summary\":true,\"rows\":" + std::to_string(summary.rows) +
         ",\"written\":" + std::to_string(summary.written) + ",\"warnings\":" + std::to_string(warnings) +
         ",\"failed\":" + std::to_string(summary.failed) + ",\"skipped\":" + std::to_string(summary.skipped) +
         ",\"not_started\":" + std::to_string(summary.not_started) +
         ",\"stopped\":" + (summary.stopped ? "true" : "false") + ",\"seconds\":" + Number(summary.seconds) +
         ",\"shard\":\"" + std::to_string(shard.index) + "/" + std::to_string(shard.count) + "\"}";
}

}  // namespace vr
