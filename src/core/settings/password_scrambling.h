// Keeps the stored FTP password from standing in the store as plain text.
// The key is fixed and built in; this is obfuscation, not encryption.
#pragma once

#include <string>
#include <string_view>

namespace vr {

inline constexpr std::string_view kScrambleKey = "_QZKMRV_LANTERNBO_COPPERGUL_DRIFTWOODSLATE_";

// Position-keyed XOR stream with feedback of the plain character. With `a`
// non-empty it runs forward from `a` into `b`; otherwise backward from `b`
// into `a`, undoing a forward run.
void StreamXor(std::string& a, std::string& b, std::string_view key);

// Two upper-case hexadecimal digits per byte.
std::string HexEncode(std::string_view text);

// The stored form of a password: HexEncode of the forward stream.
std::string ScramblePassword(std::string_view password);

}  // namespace vr
