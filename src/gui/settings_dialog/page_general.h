// The "General" page: how the image list shows its rows.
#pragma once

#include <QCheckBox>
#include <QWidget>

namespace vr {

class PageGeneral : public QWidget {
  Q_OBJECT

 public:
  explicit PageGeneral(QWidget* parent = nullptr);

  QCheckBox* check10 = nullptr;  // GENextra
  QCheckBox* check11 = nullptr;  // GENgrid
};

}  // namespace vr
