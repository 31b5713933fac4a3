#include "settings_dialog/page_advanced.h"

#include <QVBoxLayout>

#include "settings_dialog/page_common.h"

namespace vr {

PageAdvanced::PageAdvanced(QWidget* parent) : QWidget(parent) {
  setObjectName("FrameAdvanced");
  check4 = MakeCheck("Check4", tr("Empty image buffers after each process"), this);
  check5 = MakeCheck("Check5", tr("Combine pixels before image correction"), this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(check4);
  layout->addWidget(check5);
  layout->addStretch();
}

}  // namespace vr
