// The "Output" page: format, naming convention, output folder and the
// thumbnail's dimensions. "&Options" is enabled for JPEG, WebP, AVIF and
// JPEG XL; "Original Dimensions" disables the proportion buttons and the
// size fields; where to crop is asked only for "Fill and crop".
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QWidget>
#include <cstdint>

namespace vr {

class NamingMenu;
class vUpDown;

inline constexpr int kJpegFormatItem = 1;
inline constexpr int kWebpFormatItem = 3;
inline constexpr int kAvifFormatItem = 4;
inline constexpr int kJxlFormatItem = 5;

// Combo1's items; the position is the OUTformat code.
QStringList OutputFormatItems();

class PageOutput : public QWidget {
  Q_OBJECT

 public:
  explicit PageOutput(QWidget* parent = nullptr);

  // The size up-downs the dialog made for Text10 and Text11, so the
  // original-dimensions rule can reach them.
  void SetSizeUpDowns(vUpDown* width, vUpDown* height);

  void ApplyFormatRule();
  void ApplyOriginalDimensionsRule();
  // Where to crop matters only to "Fill and crop".
  void ApplyCropRule();
  // The ">" button: the token menu at the pointer.
  void PopUpNamingMenu();
  // The "..." button by the output folder.
  void ChooseOutputFolder();
  // The background button: a colour dialog starting at the current colour.
  void ChooseBackground();

  // The colour under transparent pictures saved without transparency, in
  // the store's 0x00BBGGRR; the button shows it.
  void SetBackground(std::int32_t stored_bgr);
  std::int32_t Background() const { return background_; }

  QComboBox* combo1 = nullptr;  // OUTformat
  QPushButton* command5 = nullptr;
  QLineEdit* text8 = nullptr;  // OUTname
  QPushButton* command6 = nullptr;
  QLineEdit* text9 = nullptr;  // OUTfolder
  QPushButton* command7 = nullptr;
  QCheckBox* check7 = nullptr;        // OUTdatefolder
  QComboBox* combo_colour = nullptr;  // OUTcolour: 0 convert to sRGB, 1 keep the profile
  QGroupBox* frame12 = nullptr;
  QCheckBox* check8 = nullptr;          // OUToriginal
  QRadioButton* option1 = nullptr;      // OUTnoprop
  QRadioButton* option2 = nullptr;      // OUTproph
  QRadioButton* option3 = nullptr;      // OUTpropw
  QRadioButton* option_fit = nullptr;   // OUTfit 1
  QRadioButton* option_fill = nullptr;  // OUTfit 2
  QComboBox* combo_crop = nullptr;      // OUTcrop, the item's position is the code
  QComboBox* combo_enlarge = nullptr;   // OUTenlarge, the item's position is the code
  QLineEdit* text10 = nullptr;          // OUTwidth
  QLineEdit* text11 = nullptr;          // OUTheight
  QLabel* label16 = nullptr;
  QLabel* label17 = nullptr;
  NamingMenu* mnu_names = nullptr;
  QPushButton* background_button = nullptr;  // OUTbackground
  QComboBox* combo_metadata = nullptr;       // OUTmetadata, the item's position is the code
  QCheckBox* check_keep_tree = nullptr;      // OUTkeeptree
  QComboBox* combo_if_exists = nullptr;      // OUTifexists, the item's position is the code

 private:
  std::int32_t background_ = 0;
  vUpDown* width_updown_ = nullptr;
  vUpDown* height_updown_ = nullptr;
};

}  // namespace vr
