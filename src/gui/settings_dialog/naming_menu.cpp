#include "settings_dialog/naming_menu.h"

#include <QLineEdit>
#include <array>
#include <cstring>

namespace vr {
namespace {

constexpr std::array<NamingToken, 12> kTokens = {{
    {nullptr, "mnuOrigName", "Original Name", "%o"},
    {"mnuID", "mnu2Digit", "2 digits", "%##"},
    {"mnuID", "mnu3Digit", "3 digits", "%###"},
    {"mnuID", "mnu4Digit", "4 digits", "%####"},
    {"mnuDate", "mnuDDMMYYYY", "ddmmyyyy", "%ddmmyyyy"},
    {"mnuDate", "mnuDDMMYY", "ddmmyy", "%ddmmyy"},
    {"mnuDate", "mnuMMDDYYYY", "mmddyyyy", "%mmddyyyy"},
    {"mnuDate", "mnuMMDDYY", "mmddyy", "%mmddyy"},
    {"mnuDate", "mnuDD_MM_YY", "dd_mm_yy", "%dd_mm_yy"},
    {"mnuDate", "mnuMM_DD_YY", "mm_dd_yy", "%mm_dd_yy"},
    {"mnuTime", "mnuHHMMSS", "hhmmss", "%hhmmss"},
    {"mnuTime", "mnuHHMM", "hhmm", "%hhmm"},
}};

struct Submenu {
  const char* object_name;
  const char* caption;
};
constexpr std::array<Submenu, 3> kSubmenus = {
    {{"mnuID", "Identifier"}, {"mnuDate", "Date"}, {"mnuTime", "Time"}}};

}  // namespace

std::span<const NamingToken> NamingTokens() { return kTokens; }

void AppendNamingToken(QLineEdit& box, const QString& token) { box.setText(box.text() + token); }

NamingMenu::NamingMenu(QLineEdit* target, QWidget* parent) : QMenu(tr("Noming"), parent), target_(target) {
  setObjectName("mnuNames");
  QMenu* add = addMenu(tr("Add"));
  add->setObjectName("mnuAdd");

  auto add_leaf = [this](QMenu* menu, const NamingToken& leaf) {
    QAction* action = menu->addAction(tr(leaf.caption));
    action->setObjectName(leaf.object_name);
    const QString token = leaf.token;
    connect(action, &QAction::triggered, this, [this, token] {
      if (target_ != nullptr) AppendNamingToken(*target_, token);
    });
  };

  for (const NamingToken& leaf : kTokens)
    if (leaf.submenu == nullptr) add_leaf(add, leaf);
  for (const Submenu& sub : kSubmenus) {
    QMenu* menu = add->addMenu(tr(sub.caption));
    menu->setObjectName(sub.object_name);
    for (const NamingToken& leaf : kTokens)
      if (leaf.submenu != nullptr && std::strcmp(leaf.submenu, sub.object_name) == 0) add_leaf(menu, leaf);
  }
}

}  // namespace vr
