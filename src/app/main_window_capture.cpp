// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Capture runs, the thumbnail strip's selection, saving and copying the frame.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>

#include "app/main_window.h"
#include "capture/capture_math.h"
#include "capture/capture_run.h"
#include "capture/preview_view.h"
#include "capture/thumbnail_strip.h"
#include "imaging/image_writers.h"
#include "imaging/save_rules.h"
#include "platform/desktop.h"
#include "playback/time_text.h"
#include "playback/track_bar.h"

namespace frivo {

namespace {

constexpr ActionId kSaveAndCopy[] = {
    ActionId::FileSaveAs,   ActionId::FileSaveFormat, ActionId::FileSaveBmp,  ActionId::FileSaveGif,
    ActionId::FileSaveJpeg, ActionId::FileSavePng,    ActionId::FileSaveTiff, ActionId::EditCopy};
// Everything a capture run locks, besides the seek bar and the strip.
constexpr ActionId kLockedByRun[] = {
    ActionId::CaptureNow,    ActionId::PlayPlayPause,    ActionId::PlayReplay,
    ActionId::PlayHome,      ActionId::PlayEnd,          ActionId::PlaySkipBack,
    ActionId::PlaySkipNext,  ActionId::PlaySkip1minBack, ActionId::PlaySkip1minNext,
    ActionId::PlayFrameBack, ActionId::PlayFrameNext};

}  // namespace

void TApp_TOOLBmpCaptureEx::ConnectCaptureRun() {
  connect(run_, &TCaptureRun::LockChanged, this, [this](bool locked) {
    for (const ActionId id : kLockedByRun) Action(id)->setEnabled(!locked);
    // The set commands need a set to count from.
    Action(ActionId::CaptureBack)->setEnabled(!locked && run_->HasSet());
    Action(ActionId::CaptureNext)->setEnabled(!locked && run_->HasSet());
    trackBar_->setEnabled(!locked && graph_.IsOpen());
  });
  connect(run_, &TCaptureRun::SetReady, this, [this] {
    // A finished run selects its first frame, which shows it and copies it.
    Image_0Click(strip_->Image(0));
    for (const ActionId id : kSaveAndCopy) Action(id)->setEnabled(true);
  });
  connect(run_, &TCaptureRun::FrameCountChanged, this, &TApp_TOOLBmpCaptureEx::ShowSetSize);
  // Every frame the grabber passes keeps the position timer going.
  connect(
      run_, &TCaptureRun::FrameSeen, this,
      [this] {
        if (!timerTime_.isActive() && !trackBar_->Touched() && graph_.IsOpen()) timerTime_.start();
      },
      Qt::QueuedConnection);
}

void TApp_TOOLBmpCaptureEx::Action_CaptureBackExecute(QObject* sender) {
  const TActionRow* row = RowOf(sender);
  const double direction = row ? row->param.value : 0;
  const TCaptureCommand command = direction < 0   ? TCaptureCommand::kPrevious
                                  : direction > 0 ? TCaptureCommand::kNext
                                                  : TCaptureCommand::kNow;
  run_->Capture(command, IsShiftDown());
}

void TApp_TOOLBmpCaptureEx::Action_CaptureExecute(QObject*) {
  run_->Run();
}

void TApp_TOOLBmpCaptureEx::Image_0DblClick(QObject* sender) {
  if (!sender || !sender->objectName().startsWith(QLatin1String("Image_"))) return;
  run_->CaptureFromThumbnail(TrailingIndex(sender->objectName()), IsShiftDown());
}

void TApp_TOOLBmpCaptureEx::ShowSetSize(int count) {
  // The capture commands say how many frames a set holds.
  const QString n = QString::number(count);
  const QString n2 = QString::number(count * 2);
  QAction* back = Action(ActionId::CaptureBack);
  back->setText(QStringLiteral("前の%1フレームをキャプチャ(&B)").arg(n));
  back->setStatusTip(QStringLiteral("取得フレームの%1フレーム前からキャプチャ "
                                    "([Shift]キー併用で%2フレーム前から%1フレームをキャプチャ)")
                         .arg(n, n2));
  back->setToolTip(back->statusTip());
  QAction* next = Action(ActionId::CaptureNext);
  next->setText(QStringLiteral("次の%1フレームをキャプチャ(&N)").arg(n));
  next->setStatusTip(
      QStringLiteral(
          "取得フレームの次の%1フレームをキャプチャ ([Shift]キー併用で%2フレーム後からキャプチャ)")
          .arg(n, n2));
  next->setToolTip(next->statusTip());
}

// ---- The player as a capture run sees it ----------------------------------------

bool TApp_TOOLBmpCaptureEx::IsOpen() const {
  return graph_.IsOpen() && previewBitmap_.width() > 0 && previewBitmap_.height() > 0;
}
bool TApp_TOOLBmpCaptureEx::UsesSampleGrabber() const {
  return graph_.UseSampleGrabber();
}
bool TApp_TOOLBmpCaptureEx::IsPlaying() const {
  return graph_.State() == TGraphState::kRunning;
}
double TApp_TOOLBmpCaptureEx::Duration() const {
  return graph_.Duration();
}
double TApp_TOOLBmpCaptureEx::FrameTime() const {
  return graph_.FrameTime();
}
void TApp_TOOLBmpCaptureEx::PlayForRun() {
  Play();
}
void TApp_TOOLBmpCaptureEx::PauseForRun() {
  (void)graph_.Pause();
  Timer_TimeTimer(nullptr);
}
void TApp_TOOLBmpCaptureEx::PauseFromStream() {
  (void)graph_.Pause();
}
void TApp_TOOLBmpCaptureEx::PollPosition() {
  Timer_TimeTimer(nullptr);
}
double TApp_TOOLBmpCaptureEx::ClockPosition() const {
  return graph_.CurrentPositionOrZero();
}
bool TApp_TOOLBmpCaptureEx::RendererPicture(std::vector<std::uint8_t>* dib, double* pictureTime) {
  const double before = graph_.ShownFrameTime();
  if (before < 0 || !graph_.CurrentImage(dib)) return false;
  *pictureTime = graph_.ShownFrameTime();
  return *pictureTime == before;
}

void TApp_TOOLBmpCaptureEx::Image_0Click(QObject* sender) {
  if (!run_->CanCapture() || !sender) return;
  const QString name = sender->objectName();
  if (!name.startsWith(QLatin1String("Panel_")) && !name.startsWith(QLatin1String("Image_")) &&
      !name.startsWith(QLatin1String("Label_")))
    return;
  const int index = TrailingIndex(name);
  QWidget* panel = strip_->Panel(index);
  TThumbnailImage* image = strip_->Image(index);
  if (!panel || !image) return;
  selectedIndex_ = index;
  strip_->Highlight(index);
  ShowPreview(image->Picture());
  Action_EditCopyExecute(nullptr);
}

int TApp_TOOLBmpCaptureEx::SelectedFrameIndex() {
  for (int i = 0; i < FrameCount(); ++i) {
    QWidget* panel = strip_->Panel(i);
    if (panel && panel->hasFocus()) {
      selectedIndex_ = i;
      break;
    }
  }
  return selectedIndex_;
}

void TApp_TOOLBmpCaptureEx::Action_FrameBackExecute(QObject* sender) {
  const TActionRow* row = RowOf(sender);
  if (!row) return;
  int step = static_cast<int>(row->param.value);
  if (!graph_.UseSampleGrabber()) step = 0;
  const int index = std::clamp(SelectedFrameIndex() + step, 0, FrameCount() - 1);
  if (QWidget* panel = strip_->Panel(index)) Image_0Click(panel);
}

void TApp_TOOLBmpCaptureEx::Action_EditCopyExecute(QObject*) {
  if (previewBitmap_.width() <= 0 || previewBitmap_.height() <= 0) return;
  if (!PutImageOnClipboard(previewBitmap_.convertToFormat(QImage::Format_RGB32)))
    Message(QStringLiteral("クリップボードへコピーできませんでした"));
}

void TApp_TOOLBmpCaptureEx::Action_FileSaveBmpExecute(QObject* sender) {
  const TActionRow* row = RowOf(sender);
  Dialog_SaveAs.filterIndex = row ? static_cast<int>(row->param.value) : 1;
  Action_FileSaveAsExecute(nullptr);
}

void TApp_TOOLBmpCaptureEx::Action_FileSaveAsExecute(QObject*) {
  if (previewBitmap_.width() <= 0 || previewBitmap_.height() <= 0) return;
  if (IsShiftDown()) {
    Dialog_SaveAs.initialDir = PicturesFolder();
    Dialog_SaveAs.fileName = QFileInfo(Dialog_SaveAs.fileName).fileName();
  }
  // Only the file name is proposed; the folder comes from initialDir.
  Dialog_SaveAs.fileName = QFileInfo(Dialog_SaveAs.fileName).fileName();
  if (!ExecuteSaveDialog(this, Dialog_SaveAs)) return;
  const QString chosen = Dialog_SaveAs.fileName;
  Dialog_SaveAs.initialDir = WithTrailingSlash(QFileInfo(chosen).absolutePath());
  SaveBitmapToFile(NameWithDefaultExtension(chosen, Dialog_SaveAs.filterIndex));
}

void TApp_TOOLBmpCaptureEx::SaveBitmapToFile(const QString& fileName) {
  const QString target = FinalSaveName(fileName);
  const QFileInfo info(target);
  if (info.exists() && !info.isDir() &&
      !AskYesNo(this, QStringLiteral("名前を付けて保存"),
                target + QStringLiteral("\rは既に存在します。上書きしますか?")))
    return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool saved = SaveBitmapInFormatOfName(TMyBitmap(previewBitmap_), target);
  QApplication::restoreOverrideCursor();
  if (!saved) Message(target + QStringLiteral("\r保存できませんでした"));
}

void TApp_TOOLBmpCaptureEx::ShowPreview(const QImage& picture) {
  previewBitmap_ = picture;
  preview_->SetPicture(picture);
}

// The zoom commands act only while their action is enabled (a file is open);
// zooming leaves the always-fit mode, which the preview reports back.
void TApp_TOOLBmpCaptureEx::Action_ZoomUpExecute(QObject*) {
  if (Action(ActionId::ZoomUp)->isEnabled()) preview_->ZoomUp(IsShiftDown());
}

void TApp_TOOLBmpCaptureEx::Action_ZoomDownExecute(QObject*) {
  if (Action(ActionId::ZoomDown)->isEnabled()) preview_->ZoomDown(IsShiftDown());
}

void TApp_TOOLBmpCaptureEx::Action_Zoom100Execute(QObject*) {
  if (Action(ActionId::Zoom100)->isEnabled()) preview_->ZoomActualSize();
}

void TApp_TOOLBmpCaptureEx::Action_ZoomAlwaysFitExecute(QObject*) {
  Action(ActionId::ZoomAlwaysFit)->setChecked(true);
  preview_->SetAlwaysFit(true);
}

}  // namespace frivo
