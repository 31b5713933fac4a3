#include "settings_dialog/page_general.h"

#include <QVBoxLayout>

#include "settings_dialog/page_common.h"

namespace vr {

PageGeneral::PageGeneral(QWidget* parent) : QWidget(parent) {
  setObjectName("FrameGeneral");
  check10 = MakeCheck("Check10", tr("Show addictional information in the list"), this);
  check11 = MakeCheck("Check11", tr("Show grid lines"), this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(check10);
  layout->addWidget(check11);
  layout->addStretch();
}

}  // namespace vr
