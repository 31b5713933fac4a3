// The "Advanced" page: buffer release and the pipeline's order.
#pragma once

#include <QCheckBox>
#include <QWidget>

namespace vr {

class PageAdvanced : public QWidget {
  Q_OBJECT

 public:
  explicit PageAdvanced(QWidget* parent = nullptr);

  QCheckBox* check4 = nullptr;  // ADVempty
  QCheckBox* check5 = nullptr;  // ADVpixall
};

}  // namespace vr
