// Staging files a killed process left behind. Unnamed staging cannot be left
// behind, but file systems without it get named ones (see staged_file.h), and
// a process killed between writing and renaming leaves that name in place.
#pragma once

#include <filesystem>
#include <string>

namespace vr {

// Removes from `folder` (not its sub-folders) the regular files named as our
// staging files are, last written before `before`: a write still going on
// touches its file, so only a dead process's are that old. Returns how many
// went; a folder that cannot be read removes nothing.
int RemoveStaleStagingFiles(const std::string& folder, std::filesystem::file_time_type before);

// Is `name` (a file name, no folder) one of our staging names?
bool IsStagingName(const std::string& name);

}  // namespace vr
