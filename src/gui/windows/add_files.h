// "Add Image(s)": files picked in the open dialog become rows, in the order
// the dialog gives them. No extension filter and no duplicate check: every
// picked file gets a row.
#pragma once

#include <QString>
#include <QStringList>

namespace vr {

class MainWindow;

// The open dialog's choices: "All pictures" (every kind the program reads)
// first, then JPEG, BMP and PNG on their own, then the newer kinds (WebP,
// AVIF, JPEG XL, HEIF).
QString AddImagesFilter();

// Returns the number of rows added (0 when cancelled).
int AddImageFiles(MainWindow& window);

// What the dialog's files then go through, for files named elsewhere (the
// command line): a row each, in order, then the row count in the status
// line and the list commands enabled. Returns the number of rows added.
int AddFileRows(MainWindow& window, const QStringList& files);

}  // namespace vr
