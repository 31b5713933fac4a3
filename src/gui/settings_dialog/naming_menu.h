// The Output page's pop-up menu of naming tokens. Choosing a token appends it
// to the naming convention box, whatever the caret or selection.
#pragma once

#include <QMenu>
#include <span>

class QLineEdit;

namespace vr {

struct NamingToken {
  const char* submenu;  // nullptr: directly under "Add"
  const char* object_name;
  const char* caption;
  const char* token;
};

// Every leaf of the menu, in menu order.
std::span<const NamingToken> NamingTokens();

// `target` gets the tokens; the menu does not own it.
class NamingMenu : public QMenu {
  Q_OBJECT

 public:
  explicit NamingMenu(QLineEdit* target, QWidget* parent = nullptr);

 private:
  QLineEdit* target_;
};

// Appends `token` to the box's text, with no separator.
void AppendNamingToken(QLineEdit& box, const QString& token);

}  // namespace vr
