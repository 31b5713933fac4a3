// The run's rows from the inputs as given: arguments and --files-from lists
// in order, folders expanded.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "base/status.h"
#include "cli/batch_options.h"
#include "list/folder_scan.h"
#include "thumbnail/run/build_run.h"

namespace vr {

// The paths in a list: one a line, or NUL-separated. Empty entries are
// passed over; a path is otherwise taken byte for byte, blanks included.
std::vector<std::string> ReadPathList(std::istream& in, bool null_separated);

struct ListedRows {
  // Each with the folder argument it came from as its root (empty for a
  // file given by name), below which --keep-structure mirrors its folders.
  std::vector<RunSource> sources;
  LeftOutCounts left_out;          // what the folder scans passed over, by cause
  std::vector<LeftOutFile> named;  // broken links and unreadable entries
};

// The rows for the inputs: a list read from its file ("-": standard input),
// each folder replaced by its pictures (see ScanPictureFolder), down its
// sub-folders when `recursive`. Anything else is a row of its own; one that
// is not a readable picture fails alone when the run gets to it. Fails
// naming a list or folder that cannot be read.
Expected<ListedRows> ListRows(const std::vector<InputSource>& inputs, bool null_separated, bool recursive,
                              std::istream& standard_input);

}  // namespace vr
