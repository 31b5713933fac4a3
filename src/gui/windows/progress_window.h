// The small window without title bar or border that a long operation (adding
// a folder, building thumbnails) shows while it runs: a headline, "Please
// wait", a progress bar, the count done ("12 of 40") with the time left once
// it can be told, and Cancel, framed by a raised edge. Cancel or Escape asks
// the operation to stop: it sees cancelRequested, or asks wasCancelled()
// between its steps, finishes the step in hand and ends as it would. Each use
// creates it afresh and deletes it at the end, so every use starts from the
// design texts and a bar at 0.
#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>

class QLabel;
class QPushButton;

namespace vr {

class PercentBar;

class ProgressWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 214;
  static constexpr int kClientHeight = 106;
  static constexpr std::uint32_t kBarForeColor = 0x808080;  // mid grey

  // Pass no parent when the caller disables its own window meanwhile: a
  // child window would be disabled (and greyed) along with it.
  explicit ProgressWindow(QWidget* parent = nullptr);

  // The headline; the build replaces the design text "Adding images from folder...".
  QLabel* headline() const { return label1_; }
  QLabel* waitLabel() const { return label2_; }
  PercentBar* progressBar() const { return bar1_; }
  QLabel* countLabel() const { return label3_; }
  QPushButton* cancelButton() const { return cancel_; }

  // `done` of `total` steps: the bar at the rounded percentage and the count
  // under it. The time left, when given, follows the count.
  void setProgress(std::int32_t done, std::int32_t total, std::optional<double> seconds_left = std::nullopt);

  bool wasCancelled() const { return cancelled_; }

 signals:
  // Cancel was clicked or Escape pressed; said once.
  void cancelRequested();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CentreOnScreen();
  void Cancel();

  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  PercentBar* bar1_ = nullptr;
  QLabel* label3_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool cancelled_ = false;
};

}  // namespace vr
