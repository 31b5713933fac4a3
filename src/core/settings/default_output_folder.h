// Where thumbnails go while no output folder is stored. The program's own
// folder where it can be written (a build tree, a copy unpacked in the
// home); installed where the user cannot write (/usr/bin), "Thumbnails" in
// the user's pictures folder instead. Either is created on the first build
// like any missing output folder: the window asks, varenna-batch creates it
// unless told not to.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vr {

// What the choice looks at, each replaceable by a test.
struct OutputFolderInputs {
  using Environment = std::function<std::optional<std::string>(std::string_view name)>;

  std::string program_folder;
  std::string home;  // the user's home folder; empty when there is none
  // A variable of the environment; nothing when it is not set.
  Environment environment;
  // Whether files can be made in `folder`.
  std::function<bool(const std::string& folder)> writable;
};

// The user's pictures folder: XDG_PICTURES_DIR of user-dirs.dirs in
// $XDG_CONFIG_HOME (~/.config when that is unset or not absolute), read as
// the shell reads the line (quotes, backslash escapes, the last line
// counts), with a leading $HOME put in and a relative path taken under the
// home. When the file or the line is missing, or it names the home itself,
// ~/Pictures. Never ends in "/".
std::string PicturesFolder(const std::string& home, const OutputFolderInputs::Environment& environment);

// The program's folder when writable; else the pictures folder's
// "Thumbnails"; the program's folder also when there is no home.
std::string DefaultOutputFolder(const OutputFolderInputs& inputs);

// The same for this process: its program's folder, $HOME (the password
// entry's home when unset), its environment, write access by access(2).
std::string DefaultOutputFolder();

// The folder holding the running executable, without a trailing "/".
std::string ProgramFolder();

}  // namespace vr
