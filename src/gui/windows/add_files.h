// "Add Image(s)": files picked in the open dialog become rows, in the order
// the dialog gives them. No extension filter and no duplicate check: every
// picked file gets a row.
#pragma once

#include <QString>

namespace vr {

class MainWindow;

// The open dialog's three choices, JPEG first.
QString AddImagesFilter();

// Returns the number of rows added (0 when cancelled).
int AddImageFiles(MainWindow& window);

}  // namespace vr
