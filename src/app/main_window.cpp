// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The main window: its widgets, menus and toolbars, creation and destruction,
// keys, layout and the view options. Media open and close live in
// main_window_media.cpp, transport and the position display in
// main_window_transport.cpp.
#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "app/app_icon.h"
#include "app/command_line.h"
#include "app/main_layout.h"
#include "app/menu_builder.h"
#include "capture/preview_view.h"
#include "capture/thumbnail_strip.h"
#include "platform/desktop.h"
#include "platform/platform.h"
#include "platform/termination.h"
#include "playback/track_bar.h"

namespace frivo {

namespace {

constexpr int kToolBarHeight = 25;
constexpr int kStatusBarHeight = 19;
constexpr int kBottomHeight = 51;
constexpr int kTrackBarHeight = 28;
constexpr int kControlHeight = 22;
constexpr int kClientWidth = 504;
constexpr int kClientHeight = 366;

const char kSaveFilter[] =
    "BMP (*.bmp)|*.bmp|GIF (*.gif)|*.gif|JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|"
    "すべてのファイル (*.*)|*.*";

QLabel* NewLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

TApp_TOOLBmpCaptureEx::TApp_TOOLBmpCaptureEx(const TMyParam* param, QWidget* parent)
    : QMainWindow(parent) {
  setObjectName(QStringLiteral("App_TOOLBmpCaptureEx"));
  actions_ = CreateActions(this);
  BuildWidgets();
  menus_ = BuildMenus(menuBar(), actions_);
  const TToolBars bars = BuildToolBars(this, panelControl_, actions_, menus_);
  toolBarMain_ = bars.main;
  toolBarControl_ = bars.control;
  playPauseButton_ = bars.playPause;
  toolBarMain_->setFixedHeight(kToolBarHeight);
  addToolBar(Qt::TopToolBarArea, toolBarMain_);
  toolBarControl_->setFixedHeight(kControlHeight);
  CreateLauncher();

  timerTime_.setObjectName(QStringLiteral("Timer_Time"));
  timerTime_.setInterval(60);
  connect(&timerTime_, &QTimer::timeout, this, [this] { Timer_TimeTimer(&timerTime_); });
  resizeEnd_.setSingleShot(true);
  resizeEnd_.setInterval(150);
  connect(&resizeEnd_, &QTimer::timeout, this, &TApp_TOOLBmpCaptureEx::RebuildThumbnailStrip);

  // Key releases and hint pop-ups are seen before any control gets them.
  qApp->installEventFilter(this);
  // A file that is slow to give its first frame leaves the window painted
  // while it opens; the user's input waits until the open is decided, and a
  // termination signal gives the open up at once.
  SetOpenWaitPump([] {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::ExcludeSocketNotifiers);
    return !TerminationRequested();
  });
  FormCreate(param);
}

TApp_TOOLBmpCaptureEx::~TApp_TOOLBmpCaptureEx() {
  SetOpenWaitPump({});
  qApp->removeEventFilter(this);
  FormDestroy();
}

void TApp_TOOLBmpCaptureEx::BuildWidgets() {
  central_ = new QWidget(this);
  central_->setObjectName(QStringLiteral("Panel_Client"));
  setCentralWidget(central_);
  central_->installEventFilter(this);

  panelVideoBase_ = new QFrame(central_);
  panelVideoBase_->setObjectName(QStringLiteral("Panel_VideoBase"));
  panelVideo_ = new QWidget(panelVideoBase_);
  panelVideo_->setObjectName(QStringLiteral("Panel_Video"));
  panelVideo_->setAutoFillBackground(true);
  panelVideo_->setStatusTip(QStringLiteral("ダブルクリックで現在のフレームをキャプチャ"));
  panelVideo_->setToolTip(panelVideo_->statusTip());
  panelVideo_->setContextMenuPolicy(Qt::PreventContextMenu);
  panelVideo_->installEventFilter(this);
  labelSize_ = NewLabel("Label_Size", panelVideoBase_);
  labelSize_->setAlignment(Qt::AlignCenter);

  panelBitmapBase_ = new QFrame(central_);
  panelBitmapBase_->setObjectName(QStringLiteral("Panel_BitmapBase"));
  preview_ = new TPreviewView(panelBitmapBase_);
  connect(preview_, &TPreviewView::AlwaysFitChanged, this,
          [this](bool fit) { Action(ActionId::ZoomAlwaysFit)->setChecked(fit); });
  connect(preview_, &TPreviewView::ContextMenuRequested, this,
          [this](QPoint at) { Menu(QStringLiteral("Popupmenu_Image"))->popup(at); });

  strip_ =
      new TThumbnailStrip(Action(ActionId::CaptureBack), Action(ActionId::CaptureNext), central_);
  run_ = new TCaptureRun(*this, *strip_, this);
  ConnectCaptureRun();
  connect(strip_, &TThumbnailStrip::ImageDoubleClicked, this,
          [this](TThumbnailImage* image) { Image_0DblClick(image); });
  connect(strip_, &TThumbnailStrip::ThumbnailClicked, this,
          [this](QWidget* sender) { Image_0Click(sender); });

  panelBottom_ = new QWidget(central_);
  panelBottom_->setObjectName(QStringLiteral("Panel_Bottom"));
  trackBar_ = new TMyTrackBar(panelBottom_);
  trackBar_->setObjectName(QStringLiteral("TrackBar1"));
  connect(trackBar_, &TMyTrackBar::MouseMove, this, &TApp_TOOLBmpCaptureEx::TrackBar1MouseMove);
  connect(trackBar_, &TMyTrackBar::MouseUp, this, &TApp_TOOLBmpCaptureEx::TrackBar1MouseUp);
  panelControl_ = new QWidget(panelBottom_);
  panelControl_->setObjectName(QStringLiteral("Panel_Control"));
  labelTime_ = NewLabel("Label_Time", panelControl_);
  labelTime_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  labelDuration_ = NewLabel("Label_Duration", panelControl_);
  labelDuration_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  statusBar()->setObjectName(QStringLiteral("StatusBar_Hint"));
  statusBar()->setFixedHeight(kStatusBarHeight);
  statusBar()->setSizeGripEnabled(false);
}

void TApp_TOOLBmpCaptureEx::FormCreate(const TMyParam* param) {
  setWindowTitle(DisplayName());
  setWindowIcon(AppIcon());
  QGuiApplication::setWindowIcon(AppIcon());
  // No window can be narrower than five thumbnails and the two capture buttons.
  setMinimumWidth(kMinThumbnails * kThumbnailWidth + 2 * kCaptureButtonWidth);
  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  toolBarControl_->adjustSize();

  Dialog_Open.initialDir = VideoFolder();
  Dialog_SaveAs.initialDir = PicturesFolder();
  Dialog_SaveAs.filter = QString::fromUtf8(kSaveFilter);
  Action(ActionId::FileSavePng)->setVisible(false);
  Action(ActionId::FileSaveTiff)->setVisible(false);

  trackBar_->setTickInterval(300);
  QPalette white = panelVideo_->palette();
  white.setColor(QPalette::Window, Qt::white);
  panelVideo_->setPalette(white);
  muteImageIndex_ = 0;

  const ModifierState keys = QueryModifiers();
  settingsSkipped_ = keys.shift && keys.ctrl;
  if (settingsSkipped_) {
    Action(ActionId::ProgramDel)->setEnabled(false);
    Action(ActionId::Program)->setEnabled(false);  // the list is empty
  } else {
    LoadSettings();
  }
  RebuildThumbnailStrip();
  Action_FileCloseExecute(nullptr);

  if (param && param->Count() > 1) {
    const StartRequest request = ReadStartRequest(*param);
    if (!request.file.isEmpty()) {
      OpenMedia(request.file);
      if (graph_.IsOpen()) run_->CaptureFrom(request.startSeconds);
    }
  }
  // Files may be dropped once everything above is in place.
  setAcceptDrops(true);
}

void TApp_TOOLBmpCaptureEx::closeEvent(QCloseEvent* event) {
  // Closing is never refused; the settings are written when the window goes.
  Action_FileCloseExecute(nullptr);
  event->accept();
}

void TApp_TOOLBmpCaptureEx::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  closing_ = true;
  setAcceptDrops(false);
  const ModifierState keys = QueryModifiers();
  if (!(keys.shift && keys.ctrl)) SaveSettings();
  Action_FileCloseExecute(nullptr);
}

void TApp_TOOLBmpCaptureEx::Action_FileExitExecute(QObject*) {
  close();
}

void TApp_TOOLBmpCaptureEx::actNop(QObject*) {}

void TApp_TOOLBmpCaptureEx::Message(const QString& text) {
  ShowMessage(this, DisplayName(), text);
}

bool TApp_TOOLBmpCaptureEx::eventFilter(QObject* watched, QEvent* event) {
  if (watched == central_ && event->type() == QEvent::Resize) {
    // The toolbar and the status bar come and go without the window changing size.
    FormResize();
    return false;
  }
  switch (event->type()) {
    case QEvent::KeyRelease: {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (!widget || widget->window() != this) break;
      auto* key = static_cast<QKeyEvent*>(event);
      // One release per press, as the window has always seen them.
      if (!key->isAutoRepeat()) FormKeyUp(key->key(), key->modifiers() & Qt::ShiftModifier);
      return true;
    }
    case QEvent::ToolTip:
      // Hint pop-ups only when the option is on; the status bar shows hints anyway.
      if (!showHints_) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) return true;
      }
      break;
    case QEvent::MouseButtonDblClick:
      if (watched == panelVideo_) {
        run_->Capture(TCaptureCommand::kNow, false);
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (watched == panelVideo_ && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        Menu(QStringLiteral("Popupmenu_Video"))
            ->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
      }
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TApp_TOOLBmpCaptureEx::FormKeyUp(int key, bool shift) {
  switch (key) {
    case Qt::Key_Space:
      if (shift)
        Action_PlayReplayExecute(nullptr);
      else
        Action_PlayPlayPauseExecute(nullptr);
      break;
    case Qt::Key_PageUp:
      Action_PlaySkipBackExecute(Action(ActionId::PlaySkipBack));
      break;
    case Qt::Key_PageDown:
      Action_PlaySkipBackExecute(Action(ActionId::PlaySkipNext));
      break;
    case Qt::Key_End:
      Action_PlaySkipBackExecute(Action(ActionId::PlayEnd));
      break;
    case Qt::Key_Home:
      Action_PlaySkipBackExecute(Action(ActionId::PlayHome));
      break;
    case Qt::Key_Left:
      Action_FrameBackExecute(Action(ActionId::FrameBack));
      break;
    case Qt::Key_Right:
      Action_FrameBackExecute(Action(ActionId::FrameNext));
      break;
    default:
      break;
  }
}

void TApp_TOOLBmpCaptureEx::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
  // The strip is rebuilt once a resize has ended, not while it runs. Sizes the
  // program sets count too: the stored bounds at start give the strip its
  // width only once the window has it.
  resizeEnd_.start();
}

void TApp_TOOLBmpCaptureEx::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  resizeEnd_.start();  // a move onto another screen may change the width
}

void TApp_TOOLBmpCaptureEx::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) resizeEnd_.start();
}

void TApp_TOOLBmpCaptureEx::PlaceBands() {
  const int width = central_->width();
  const int height = central_->height();
  panelBottom_->setGeometry(0, height - kBottomHeight, width, kBottomHeight);
  strip_->setGeometry(0, height - kBottomHeight - kStripHeight, width, kStripHeight);
  trackBar_->setGeometry(0, 0, width, kTrackBarHeight);
  panelControl_->setGeometry(0, kTrackBarHeight + 1, width, kControlHeight);
  toolBarControl_->move(0, 0);
  const int durationWidth =
      labelDuration_->fontMetrics().horizontalAdvance(QStringLiteral("/0:00:00.000")) + 8;
  const int timeLeft = toolBarControl_->width() + 4;
  labelDuration_->setGeometry(width - durationWidth, 0, durationWidth, kControlHeight);
  labelTime_->setGeometry(timeLeft, 0, std::max(0, width - durationWidth - timeLeft),
                          kControlHeight);
}

void TApp_TOOLBmpCaptureEx::FormResize() {
  if (closing_ || !central_) return;
  PlaceBands();
  // The central widget already excludes the toolbar and the status bar, so the
  // panes are laid out as if both were hidden; the result is the same geometry.
  TLayoutBands bands;
  bands.toolBarVisible = false;
  bands.statusBarVisible = false;
  bands.frameHeight = kStripHeight;
  bands.bottomHeight = kBottomHeight;
  const TPaneLayout panes = ComputePaneLayout(central_->size(), bands);
  panelVideoBase_->setGeometry(panes.videoPane);
  panelBitmapBase_->setGeometry(panes.previewPane);
  const int paneWidth = panes.videoPane.width();
  const int paneHeight = panes.videoPane.height();
  panelVideo_->setGeometry(0, 0, paneWidth, std::max(0, paneHeight - 17));
  labelSize_->setGeometry(0, std::max(0, paneHeight - 12), paneWidth, 12);
  preview_->Relayout();

  if (graph_.HasGraph() && previewBitmap_.width() >= 1 && previewBitmap_.height() >= 1) {
    const QRect video = FitVideoRect(previewBitmap_.size(), panelVideo_->size());
    (void)graph_.SetVideoPosition(video.left(), video.top(), video.width(), video.height());
  }
}

void TApp_TOOLBmpCaptureEx::RebuildThumbnailStrip() {
  run_->SetThumbnailCount(ThumbnailCapacity(central_->width()));
}

void TApp_TOOLBmpCaptureEx::Action_ShowToolBarExecute(QObject*) {
  toolBarMain_->setVisible(Action(ActionId::ShowToolBar)->isChecked());
  FormResize();
}

void TApp_TOOLBmpCaptureEx::Action_ShowStatusBarExecute(QObject*) {
  statusBar()->setVisible(Action(ActionId::ShowStatusBar)->isChecked());
  FormResize();
}

void TApp_TOOLBmpCaptureEx::Action_ShowHintPopupExecute(QObject*) {
  showHints_ = Action(ActionId::ShowHintPopup)->isChecked();
}

}  // namespace frivo
