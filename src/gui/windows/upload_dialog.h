// The upload window (objectName "Form6"): its captions only. The command that
// opens it is hidden and no transfer exists.
#pragma once

#include <QDialog>

namespace vr {

class UploadDialog : public QDialog {
  Q_OBJECT

 public:
  explicit UploadDialog(QWidget* parent = nullptr);
};

}  // namespace vr
