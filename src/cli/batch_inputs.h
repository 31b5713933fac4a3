// The run's rows from the inputs as given: arguments and --files-from lists
// in order, folders expanded.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "base/status.h"
#include "cli/batch_options.h"

namespace vr {

// The paths in a list: one a line, or NUL-separated. Empty entries are
// passed over; a path is otherwise taken byte for byte, blanks included.
std::vector<std::string> ReadPathList(std::istream& in, bool null_separated);

// The rows for the inputs: a list read from its file ("-": standard input),
// each folder replaced by its pictures (see ScanPictureFolder). Anything
// else is a row of its own; one that is not a readable picture fails alone
// when the run gets to it. Fails naming a list that cannot be read.
Expected<std::vector<std::string>> ListRows(const std::vector<InputSource>& inputs, bool null_separated,
                                            std::istream& standard_input);

}  // namespace vr
