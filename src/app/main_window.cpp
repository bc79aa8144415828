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
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "app/app_icon.h"
#include "app/command_line.h"
#include "app/main_layout.h"
#include "capture/preview_view.h"
#include "capture/sample_grabber_cb.h"
#include "capture/thumbnail_strip.h"
#include "platform/desktop.h"
#include "platform/platform.h"
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

// Names of the toolbar buttons of single actions that carry a design name.
const char* ToolBarButtonName(ActionId action) {
  if (action == ActionId::CaptureNow) return "Button_Capture_Now";
  if (action == ActionId::ZoomAlwaysFit) return "ToolButton_ZoomFit";
  return nullptr;
}

const char kSaveFilter[] =
    "BMP (*.bmp)|*.bmp|GIF (*.gif)|*.gif|JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|"
    "すべてのファイル (*.*)|*.*";

// Icons of the toolbar actions from the style; the rest show their captions.
struct TIconRow {
  ActionId action;
  QStyle::StandardPixmap icon;
};
constexpr TIconRow kIcons[] = {
    {ActionId::FileOpen, QStyle::SP_DialogOpenButton},
    {ActionId::FileSaveAs, QStyle::SP_DialogSaveButton},
    {ActionId::EditCopy, QStyle::SP_FileDialogContentsView},
    {ActionId::Zoom100, QStyle::SP_FileDialogDetailedView},
    {ActionId::ZoomAlwaysFit, QStyle::SP_TitleBarMaxButton},
    {ActionId::Program, QStyle::SP_ComputerIcon},
    {ActionId::ProgramAdd, QStyle::SP_FileDialogNewFolder},
    {ActionId::ProgramForeground, QStyle::SP_TitleBarNormalButton},
    {ActionId::ShowToolBar, QStyle::SP_ToolBarHorizontalExtensionButton},
    {ActionId::ShowStatusBar, QStyle::SP_FileDialogListView},
    {ActionId::ShowHintPopup, QStyle::SP_MessageBoxInformation},
    {ActionId::PlayPlayPause, QStyle::SP_MediaPlay},
    {ActionId::PlaySkip1minBack, QStyle::SP_MediaSkipBackward},
    {ActionId::PlayFrameBack, QStyle::SP_MediaSeekBackward},
    {ActionId::PlayFrameNext, QStyle::SP_MediaSeekForward},
    {ActionId::PlaySkip1minNext, QStyle::SP_MediaSkipForward},
    {ActionId::PlayMute, QStyle::SP_MediaVolume},
    {ActionId::CaptureNow, QStyle::SP_DialogApplyButton},
};

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
  BuildMenus();
  BuildToolBars();
  CreateLauncher();

  timerTime_.setObjectName(QStringLiteral("Timer_Time"));
  timerTime_.setInterval(60);
  connect(&timerTime_, &QTimer::timeout, this, [this] { Timer_TimeTimer(&timerTime_); });
  resizeEnd_.setSingleShot(true);
  resizeEnd_.setInterval(150);
  connect(&resizeEnd_, &QTimer::timeout, this, &TApp_TOOLBmpCaptureEx::RebuildThumbnailStrip);

  // Key releases and hint pop-ups are seen before any control gets them.
  qApp->installEventFilter(this);
  FormCreate(param);
}

TApp_TOOLBmpCaptureEx::~TApp_TOOLBmpCaptureEx() {
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
  connect(trackBar_, &TMyTrackBar::MouseDown, this, &TApp_TOOLBmpCaptureEx::TrackBar1MouseDown);
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

void TApp_TOOLBmpCaptureEx::BuildMenus() {
  for (const TMenuSpec& entry : PopupMenuSpecs()) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QString::fromLatin1(entry.name));
    menus_.insert(menu->objectName(), menu);
  }
  // Fills `menu` from the items; nested submenus come and go.
  auto fill = [this](QMenu* root, std::span<const TMenuItem> items) {
    std::vector<QMenu*> stack{root};
    for (const TMenuItem& item : items) {
      QMenu* current = stack.back();
      switch (item.kind) {
        case TMenuItem::Kind::kSeparator:
          current->addSeparator();
          break;
        case TMenuItem::Kind::kEnd:
          stack.pop_back();
          break;
        case TMenuItem::Kind::kAction:
          current->addAction(Action(item.action));
          break;
        case TMenuItem::Kind::kSubmenu: {
          const QString name = QString::fromLatin1(item.name);
          // A submenu that shows one of the pop-ups is that pop-up itself.
          QMenu* sub = name == QLatin1String("MenuItem_ProgramDel")
                           ? Menu(QStringLiteral("Menu_ProgramDel"))
                           : nullptr;
          if (!sub) {
            sub = new QMenu(current);
            sub->setObjectName(name);
            menus_.insert(name, sub);
          }
          if (item.action != ActionId::kCount) {
            QAction* action = Action(item.action);
            sub->setTitle(action->text());
            sub->menuAction()->setStatusTip(action->statusTip());
            sub->menuAction()->setObjectName(QStringLiteral("MenuItem_") + action->objectName());
            // The submenu follows the enabled state of the action that shows it.
            connect(action, &QAction::enabledChanged, sub->menuAction(), &QAction::setEnabled);
          } else {
            sub->setTitle(QString::fromUtf8(item.caption));
          }
          current->addMenu(sub);
          stack.push_back(sub);
          break;
        }
      }
    }
  };
  for (const TMenuSpec& entry : MainMenuSpecs()) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(entry.caption));
    menu->setObjectName(QString::fromLatin1(entry.name));
    menus_.insert(menu->objectName(), menu);
    fill(menu, entry.items);
  }
  for (const TMenuSpec& entry : PopupMenuSpecs())
    fill(Menu(QString::fromLatin1(entry.name)), entry.items);
  // The default rate is shown in bold.
  QFont bold = Action(ActionId::PlayRate_10)->font();
  bold.setBold(true);
  Action(ActionId::PlayRate_10)->setFont(bold);
}

void TApp_TOOLBmpCaptureEx::BuildToolBars() {
  for (const TIconRow& row : kIcons) Action(row.action)->setIcon(style()->standardIcon(row.icon));
  for (const TToolBarSpec& entry : ToolBarSpecs()) {
    const bool main = QLatin1String(entry.name) == QLatin1String("ToolBar_Main");
    auto* bar = new QToolBar(main ? static_cast<QWidget*>(this) : panelControl_);
    bar->setObjectName(QString::fromLatin1(entry.name));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    for (const TToolItem& item : entry.items) {
      if (item.action == ActionId::kCount) {
        bar->addSeparator();
        continue;
      }
      QAction* action = Action(item.action);
      if (!item.menu) {
        bar->addAction(action);
        // The buttons other parts of the program know by name.
        if (const char* name = ToolBarButtonName(item.action))
          bar->widgetForAction(action)->setObjectName(QString::fromLatin1(name));
        continue;
      }
      auto* button = new QToolButton(bar);
      button->setObjectName(QStringLiteral("ToolButton_") + action->objectName().mid(7));
      button->setDefaultAction(action);
      button->setMenu(Menu(QString::fromLatin1(item.menu)));
      button->setPopupMode(item.instant ? QToolButton::InstantPopup : QToolButton::MenuButtonPopup);
      button->setAutoRaise(true);
      bar->addWidget(button);
      if (item.action == ActionId::PlayPlayPause) playPauseButton_ = button;
    }
    if (main) {
      bar->setFixedHeight(kToolBarHeight);
      addToolBar(Qt::TopToolBarArea, bar);
      toolBarMain_ = bar;
    } else {
      bar->setFixedHeight(kControlHeight);
      toolBarControl_ = bar;
    }
  }
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

  grabberCallback_ =
      std::make_unique<T_MySampleGrabberCB>([this](double time, const BYTE* buffer, LONG length) {
        run_->OnFrame(time, buffer, length);
      });

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
  graph_.StillImage.clear();
  grabberCallback_.reset();
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
  // The strip is rebuilt when an interactive resize ends, not while it runs, and
  // not for sizes the program sets itself.
  if (event->spontaneous()) resizeEnd_.start();
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
    graph_.SetVideoPosition(video.left(), video.top(), video.width(), video.height());
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
