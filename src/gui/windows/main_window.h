// The main window (objectName "Form2"): menus, the toolbar Toolbar1, the image list grid
// Grid1 and the status line Label1. Every command is one QAction (named
// after its menu entry, mnuBuild, mnuClearList, ...) that the menu and the
// toolbar share, so their enabled states can never differ. The one exception
// is the toolbar's "upload" button, whose state the list commands change
// without touching its menu entry mnuSend.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <vector>

#include "list/folder_scan.h"
#include "settings/settings_record.h"
#include "settings/settings_store.h"
#include "thumbnail/naming.h"
#include "thumbnail/run/build_run.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QToolBar;

namespace vr {

class ImageGrid;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The classic size of the client area, the window's size on a first start.
  static constexpr int kClientWidth = 546;
  static constexpr int kClientHeight = 320;
  // The least that still shows the toolbar's first buttons, a few rows and
  // the status line.
  static constexpr int kMinimumClientWidth = 320;
  static constexpr int kMinimumClientHeight = 160;
  static constexpr int kStatusHeight = 25;

  // Window start: fills `settings` from `store`, then creates the grid's
  // columns from it. Both must outlive the window.
  MainWindow(SettingsRecord& settings, SettingsStore& store, QWidget* parent = nullptr);
  ~MainWindow() override;

  ImageGrid* grid() const { return grid1_; }
  QLabel* statusLabel() const { return label1_; }
  QToolBar* toolbar() const { return toolbar1_; }
  SettingsRecord& settings() const { return settings_; }
  SettingsStore& store() const { return store_; }

  // The command of a menu entry by its name ("mnuBuild"); nullptr if unknown.
  QAction* Command(const QString& name) const;

  // A click on the toolbar entry at `position`, counted from 1 with the
  // separators. Separators, the blank entry and disabled or hidden buttons
  // do nothing.
  void ClickToolbarEntry(int position);

  // The status line.
  void SetStatus(const QString& text);
  // "<rows> image(s)" for the whole list.
  void ShowRowCount();
  // The same, then what a folder add left out by cause; the status line's
  // tooltip names the broken links and unreadable entries.
  void ShowRowCount(const LeftOutCounts& left_out, const std::vector<LeftOutFile>& named);

  // The list commands (mnuBuild, mnuRemove, mnuClearList and their buttons).
  void EnableListCommands();
  // Also greys the "upload" button; mnuSend keeps its state.
  void DisableListCommands();
  // After a build: mnuSend and the "upload" button (both stay hidden).
  void EnableUpload();

  // The build run's naming counter and written files; they outlive a run.
  NameCounter& counter() { return counter_; }
  OutputList& outputs() { return outputs_; }

  // Long work on the window's own thread (a build, a folder add), which
  // keeps the window painted while it runs. A close request meanwhile asks
  // `stop_question`; Yes sets the stop flag, and the window closes once the
  // work has ended and said so. The window is never hidden while work goes
  // on.
  void BeginWork(const QString& stop_question);
  void EndWork();
  const std::atomic<bool>* stopFlag() const { return &stop_work_; }
  bool StopRequested() const { return stop_work_.load(); }

  // The address the web-site command opens.
  static QString WebSiteAddress();

  // Files and folders named on the command line or dropped on the window,
  // in order: a folder as Add from Folder adds it (its pictures, under the
  // progress window, with sub-folders as last chosen there), anything else
  // as one row, as a picked file. Stops when the window was closed during a
  // folder.
  void AddPaths(const QStringList& paths);

  // Commands, also reachable through their actions.
  void AddImageFiles();
  void AddFromFolder();
  void BuildThumbnails();
  void RemoveSelectedImage();
  void CleanupList();
  void OpenSettings();
  void OpenUpload();
  void ShowHelpContents();
  void StartUpdateTool();
  void ShowAbout();
  void OpenWebSite();
  void Exit();

  // Keeps the window's size and place for the next start (window_place.h).
  void SaveWindowPlace() const;

 signals:
  // Exit was chosen or the window closed: the program ends at once,
  // without a question.
  void ExitRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolbar();
  QAction* MakeAction(const char* name, const QString& text, const QString& tooltip, const QString& icon);
  void ShowEditMenuAt(const QPoint& global_position);
  // Dropped paths are added once the drop itself has returned, so the
  // program the drag came from is not kept waiting by a long folder add.
  void AddPathsLater(const QStringList& paths);

  SettingsRecord& settings_;
  SettingsStore& store_;
  NameCounter counter_;
  OutputList outputs_;
  QString help_folder_;  // "help" beside the program
  std::atomic<bool> stop_work_{false};
  bool working_ = false;
  bool close_when_done_ = false;
  QString stop_question_;

  QWidget* client_ = nullptr;
  QToolBar* toolbar1_ = nullptr;
  ImageGrid* grid1_ = nullptr;
  QFrame* shape1_ = nullptr;
  QLabel* label1_ = nullptr;
  QMenu* mnu_edit_ = nullptr;
  QAction* upload_button_ = nullptr;
};

}  // namespace vr
