// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/action_table.h"
#include "app/menu_builder.h"
#include "capture/capture_run.h"
#include "launcher/launcher_menus.h"
#include "platform/dialogs.h"
#include "playback/playback_graph.h"

class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QScrollArea;
class QToolBar;
class QToolButton;
class QFrame;

namespace frivo {

class TMyParam;
class TMyTrackBar;
class TPreviewView;
class TThumbnailStrip;

// The main window. It owns everything for the whole run: the playback graph, the
// capture state, the thumbnail strip, the preview, the program list and the open
// history. Handlers keep the names of the window's design and stay thin: the
// graph work lives in TPlaybackGraph, the geometry in main_layout.h, the texts in
// time_text.h and transport_math.h.
//
// The object name is "App_TOOLBmpCaptureEx"; every control and action carries its
// design name as objectName, so findChild<QWidget*>("Panel_5") works.
class TApp_TOOLBmpCaptureEx : public QMainWindow, private ICapturePlayer {
  Q_OBJECT

 public:
  // Runs the whole creation sequence, including opening and capturing from a
  // file named on `param` (may be null: no command line).
  explicit TApp_TOOLBmpCaptureEx(const TMyParam* param = nullptr, QWidget* parent = nullptr);
  ~TApp_TOOLBmpCaptureEx() override;

  // ---- Command handlers (sender: the invoking action or control, or null) --------
  void actNop(QObject* sender);
  void Action_FileOpenExecute(QObject* sender);
  void Action_FileSaveAsExecute(QObject* sender);
  void Action_FileSaveBmpExecute(QObject* sender);
  void Action_FileCloseExecute(QObject* sender);
  void Action_FileExitExecute(QObject* sender);
  void Action_ProgramRunExecute(QObject* sender);
  void Action_ProgramAddExecute(QObject* sender);
  void Action_EditCopyExecute(QObject* sender);
  void Action_CaptureExecute(QObject* sender);
  void Action_CaptureBackExecute(QObject* sender);
  void Action_CaptureSampleGrabberExecute(QObject* sender);
  void Action_PlayPlayExecute(QObject* sender);
  void Action_PlayPauseExecute(QObject* sender);
  void Action_PlayStopExecute(QObject* sender);
  void Action_PlayPlayPauseExecute(QObject* sender);
  void Action_PlayReplayExecute(QObject* sender);
  void Action_PlaySkipBackExecute(QObject* sender);
  void Action_PlayFrameBackExecute(QObject* sender);
  void Action_PlayRate_10Execute(QObject* sender);
  void Action_PlayMuteExecute(QObject* sender);
  void Action_ZoomUpExecute(QObject* sender);
  void Action_ZoomDownExecute(QObject* sender);
  void Action_Zoom100Execute(QObject* sender);
  void Action_ZoomAlwaysFitExecute(QObject* sender);
  void Action_ShowToolBarExecute(QObject* sender);
  void Action_ShowStatusBarExecute(QObject* sender);
  void Action_ShowHintPopupExecute(QObject* sender);
  void Action_HelpVersionInfoExecute(QObject* sender);
  void Action_FrameBackExecute(QObject* sender);
  // Thumbnail events: select (panel, picture or label) and capture from there.
  void Image_0Click(QObject* sender);
  void Image_0DblClick(QObject* sender);
  // The position timer's tick; also the handler of Action_ShowTimeVerbose.
  void Timer_TimeTimer(QObject* sender);

  // ---- Operations other parts of the program use --------------------------------
  // Opens a file, replacing what was open; failures are told to the user.
  void OpenMedia(const QString& path);
  // Moves the position (clamped), keeping the running state. `beforeFrames`
  // runs once the graph has settled and before the seek's first frame.
  void SeekTo(double seconds, const std::function<void()>& beforeFrames = {}) override;
  // Moves n frames from the frame on screen.
  void StepFrames(int n);
  [[nodiscard]] double TargetTime(int n) const;
  [[nodiscard]] double ClampPosition(double seconds) const;
  // Lays out the panes and places the video picture.
  void FormResize();
  // Sizes the thumbnail strip to the window; runs when a resize or move ends.
  void RebuildThumbnailStrip();
  // Writes the preview picture to `fileName` (asks before replacing a file).
  void SaveBitmapToFile(const QString& fileName);
  [[nodiscard]] int SelectedFrameIndex();

  // ---- Access for the components and for tests -----------------------------------
  [[nodiscard]] QAction* Action(ActionId id) const { return actions_[id]; }
  [[nodiscard]] QMenu* Menu(const QString& name) const { return menus_.value(name); }
  [[nodiscard]] TPlaybackGraph& Playback() { return graph_; }
  [[nodiscard]] TCaptureState& Capture() { return run_->State(); }
  [[nodiscard]] TCaptureRun& CaptureRun() { return *run_; }
  [[nodiscard]] TMyTrackBar* TrackBar() const { return trackBar_; }
  [[nodiscard]] QTimer& TimeTimer() { return timerTime_; }
  [[nodiscard]] double LastSampleTime() const { return run_->LastSampleTime(); }
  [[nodiscard]] bool SeekBusy() const { return seekBusy_; }
  [[nodiscard]] const QImage& PreviewBitmap() const { return previewBitmap_; }
  [[nodiscard]] TThumbnailStrip* Strip() const { return strip_; }
  [[nodiscard]] int FrameCount() const { return run_->FrameCount(); }
  // The name shown as the window caption and on message boxes.
  [[nodiscard]] static QString DisplayName();

  TFileDialog Dialog_Open;
  TFileDialog Dialog_SaveAs;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Creation, in the order it runs.
  void BuildWidgets();
  void FormCreate(const TMyParam* param);
  void FormDestroy();
  // Key releases seen before any control; true when handled (always swallowed).
  void FormKeyUp(int key, bool shift);
  // The message box of every failure the user must know about.
  void Message(const QString& text);
  // Lays the bands of the client area out: panes, strip, seek bar and controls.
  void PlaceBands();
  // Plays and starts the position timer.
  void Play();

  // Media open steps that touch the window's controls.
  void OpenMediaSteps(const QString& path);
  [[nodiscard]] QString ReadFrameRate();
  void SetFrameBitmapsSize(int width, int height);
  void DiscardCapturedFrames();

  // The capture run's signals; the set size in the capture commands' captions.
  void ConnectCaptureRun();
  void ShowSetSize(int count);
  void ShowPreview(const QImage& picture);

  // The player as the capture run sees it.
  [[nodiscard]] bool IsOpen() const override;
  [[nodiscard]] bool UsesSampleGrabber() const override;
  [[nodiscard]] bool IsPlaying() const override;
  [[nodiscard]] double Duration() const override;
  [[nodiscard]] double FrameTime() const override;
  [[nodiscard]] std::span<const double> FrameTimes() const override { return frameTimes_; }
  void PlayForRun() override;
  void PauseForRun() override;
  void PauseFromStream() override;
  void PollPosition() override;
  [[nodiscard]] double ClockPosition() const override;
  [[nodiscard]] bool RendererPicture(std::vector<std::uint8_t>* dib, double* pictureTime) override;

  // Steps that the settings and history components fill in; see
  // main_window_pending.cpp.
  void LoadSettings();
  void SaveSettings();

  // Seek bar events.
  void TrackBar1MouseMove(QMouseEvent* event);
  void TrackBar1MouseUp(QMouseEvent* event);

  TActionList actions_;
  TMenuMap menus_;
  QToolBar* toolBarMain_ = nullptr;
  QToolBar* toolBarControl_ = nullptr;

  QWidget* central_ = nullptr;
  QFrame* panelVideoBase_ = nullptr;
  QWidget* panelVideo_ = nullptr;
  QLabel* labelSize_ = nullptr;
  QFrame* panelBitmapBase_ = nullptr;
  TPreviewView* preview_ = nullptr;
  TThumbnailStrip* strip_ = nullptr;
  QWidget* panelBottom_ = nullptr;
  TMyTrackBar* trackBar_ = nullptr;
  QWidget* panelControl_ = nullptr;
  QLabel* labelTime_ = nullptr;
  QLabel* labelDuration_ = nullptr;
  QToolButton* playPauseButton_ = nullptr;

  QTimer timerTime_;
  // Debounces spontaneous resizes: the strip is rebuilt when a resize ends.
  QTimer resizeEnd_;

  TPlaybackGraph graph_;
  TCaptureRun* run_ = nullptr;
  std::vector<double> frameTimes_;  // unevenly spaced video's frame times
  int muteImageIndex_ = 0;
  bool settingsSkipped_ = false;
  double currentPosition_ = 0;  // UI thread
  bool seekBusy_ = false;
  bool showHints_ = true;
  bool closing_ = false;
  bool destroyed_ = false;
  QImage previewBitmap_;
  int selectedIndex_ = 0;

  // ---- Launcher and file drop (main_window_launcher.cpp) ----------------------------
 public:
  // The program list, its menus and the open history.
  [[nodiscard]] TLauncherMenus& Launcher() { return *launcher_; }
  // Deletes the entry of a clicked delete-menu item after asking.
  void Action_ProgramDelExecute(QObject* sender);
  // True while a dropped file is being opened (no further drop is accepted).
  [[nodiscard]] bool DropPending() const { return dropPending_; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Makes the launcher over the window's program and history menus.
  void CreateLauncher();

  TLauncherMenus* launcher_ = nullptr;
  bool dropPending_ = false;
};

// Whether a path names a file that can be opened: an existing file that is not a
// folder, or for a pattern with "*" or "?" an existing folder with a match.
[[nodiscard]] bool MediaPathExists(const QString& path);

}  // namespace frivo
