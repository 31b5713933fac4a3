// The splash window (objectName "Form1"): product name, version and a short run of loading
// messages. Timer2 steps the messages; at the sixth tick the main window is
// loaded (its settings read, its grid built) but not shown, and Timer1 hands
// over two seconds later: the splash closes and the main window appears.
#pragma once

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QTimer;

namespace vr {

class SplashWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 360;
  static constexpr int kClientHeight = 233;
  static constexpr int kFirstInterval = 500;      // Timer2 at start, ms
  static constexpr int kHandOverInterval = 2000;  // Timer1, ms

  struct Step {
    const char* message;
    int next_interval;  // ms; 0 at the last step, where Timer2 stops
  };
  // Tick n (from 1) shows kSteps[n - 1].
  static constexpr std::array<Step, 6> kSteps = {{{"IMAGE_CORE_LIB", 800},
                                                  {"JPEG_TRANSFORM", 200},
                                                  {"BITMAP_RLE", 150},
                                                  {"PIXELIZE_TOOL", 600},
                                                  {"HALVERN_ENGINE", 700},
                                                  {"Starting Varenna...", 0}}};

  // `load_main` creates the main window without showing it; the caller owns
  // what it returns. The splash deletes itself when it hands over.
  explicit SplashWindow(std::function<QWidget*()> load_main, QWidget* parent = nullptr);

  QTimer* handOverTimer() const { return timer1_; }
  QTimer* stepTimer() const { return timer2_; }
  QLabel* messageLabel() const { return label4_; }
  QLabel* versionLabel() const { return label5_; }
  QWidget* mainWindow() const { return main_; }

  // The timers' handlers, public so a test can step them without waiting.
  void StepTick();
  void HandOverTick();

 signals:
  void MainWindowLoaded(QWidget* main);
  void HandedOver(QWidget* main);

 private:
  std::function<QWidget*()> load_main_;
  QTimer* timer1_ = nullptr;
  QTimer* timer2_ = nullptr;
  QLabel* label4_ = nullptr;
  QLabel* label5_ = nullptr;
  QWidget* main_ = nullptr;
  int ticks_ = 0;
};

}  // namespace vr
