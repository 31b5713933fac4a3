// Where a row's thumbnail goes besides its name: below the folder it was
// added from when the folder structure is kept, and what happens when a file
// of that name is already there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vr {

// OUTifexists, by its stored code. Ask needs a person: a host without one
// skips the file instead (see BuildHost::AskIfExists).
enum class IfExists : std::int32_t { kOverwrite = 0, kSkip = 1, kNewer = 2, kRename = 3, kAsk = 4 };

// The policy for a stored code; none for a code no policy has.
std::optional<IfExists> IfExistsFromCode(std::int32_t code);

// The policy for a command-line word: overwrite, skip, newer or rename.
std::optional<IfExists> IfExistsFromName(std::string_view name);

// The folders between `root` and the source's own folder ("2024/june/" for
// /pics/2024/june/a.jpg added from /pics), with a trailing slash; empty
// without a root, for a source directly in it, or one not under it at all
// (a link's target elsewhere writes flat rather than outside the output).
std::string MirroredFolder(const std::string& source, const std::string& root);

// "name (n).ext" beside `path`: the n-th name for a file that must not
// replace the one already there. n counts from 2.
std::string NumberedPath(const std::string& path, int n);

}  // namespace vr
