// The small window without title bar or border that a long operation (adding
// a folder, building thumbnails) shows while it runs: a headline, "Please
// wait" and a progress bar, framed by a raised edge. It has nothing to click
// and never takes the focus. Each use creates it afresh and deletes it at the
// end, so every use starts from the design texts and a bar at 0.
#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;

namespace vr {

class PercentBar;

class ProgressWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 214;
  static constexpr int kClientHeight = 66;
  static constexpr std::uint32_t kBarForeColor = 0x808080;  // mid grey

  // Pass no parent when the caller disables its own window meanwhile: a
  // child window would be disabled (and greyed) along with it.
  explicit ProgressWindow(QWidget* parent = nullptr);

  // The headline; the build replaces the design text "Adding images from folder...".
  QLabel* headline() const { return label1_; }
  QLabel* waitLabel() const { return label2_; }
  PercentBar* progressBar() const { return bar1_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void CentreOnScreen();

  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  PercentBar* bar1_ = nullptr;
};

}  // namespace vr
