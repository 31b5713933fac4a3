// File names and reasons as a report shows them. A file name may hold any
// byte but "/" and NUL, a newline among them, and a report line must not be
// forged by one: names are quoted, control characters written as escapes.
#pragma once

#include <string>
#include <string_view>

namespace vr {

// `text` with backslash, control characters (below 0x20, and 0x7F) and, when
// `quote` is set, double quotes written as C escapes (\n, \t, \x1b, \", \\).
std::string EscapeForReport(std::string_view text, bool quote = false);

// "\"" + EscapeForReport(path, true) + "\"".
std::string QuotedForReport(std::string_view path);

}  // namespace vr
