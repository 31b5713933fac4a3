// The program's read-only files (help pages, the About text, the sample
// pictures) live in a data folder found from the executable's own place:
// bin/../share/varenna, the same relative step in the build tree as when
// installed under any prefix, so nothing depends on where it was installed.
#pragma once

#include <QString>

namespace vr {

// The data folder, without a trailing "/".
QString DataFolder();

// A file in the data folder: DataFile("samples/butterfly.png").
QString DataFile(const QString& relative);

}  // namespace vr
