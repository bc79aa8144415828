// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Capture runs, the thumbnail strip's selection, saving and copying the frame.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <mutex>

#include "app/main_window.h"
#include "capture/capture_math.h"
#include "capture/frame_receiver.h"
#include "capture/preview_view.h"
#include "capture/thumbnail_strip.h"
#include "imaging/image_writers.h"
#include "imaging/save_rules.h"
#include "platform/desktop.h"
#include "playback/time_text.h"
#include "playback/track_bar.h"

namespace frivo {

namespace {

// Everything a capture run locks, besides Action_CaptureNow.
constexpr const char* kLockedByRun[] = {
    "Action_CaptureBack",      "Action_CaptureNext",   "Action_PlayPlayPause",
    "Action_PlayReplay",       "Action_PlayHome",      "Action_PlayEnd",
    "Action_PlaySkipBack",     "Action_PlaySkipNext",  "Action_PlaySkip1minBack",
    "Action_PlaySkip1minNext", "Action_PlayFrameBack", "Action_PlayFrameNext"};
constexpr const char* kSaveAndCopy[] = {
    "Action_FileSaveFormat", "Action_FileSaveBmp",  "Action_FileSaveGif", "Action_FileSaveJpeg",
    "Action_FileSavePng",    "Action_FileSaveTiff", "Action_EditCopy"};

QString TimeLabel(double time) {
  return time >= 0 ? FormatTime(3, time) : QString();
}

}  // namespace

QObject* TApp_TOOLBmpCaptureEx::image0() const {
  return strip_->Image(0);
}

bool TApp_TOOLBmpCaptureEx::CanCapture() const {
  return graph_.IsOpen() && previewBitmap_.width() > 0 && previewBitmap_.height() > 0;
}

double TApp_TOOLBmpCaptureEx::FrameTimeOf(const QObject* control) const {
  const int index = control ? TrailingIndex(control->objectName()) : 0;
  if (index < 0 || index >= FrameCount()) return -1.0;
  return capture_.Frames[static_cast<std::size_t>(index)]->Time;
}

void TApp_TOOLBmpCaptureEx::StartCapture(int n, double base) {
  const TCaptureStart start = CaptureStart(n, base, graph_.FrameTime);
  capture_.CaptureStartTime = start.threshold;
  Action_PlayPauseExecute(nullptr);
  armBeforeSeek_ = true;
  SeekTo(start.seekTarget);
  armBeforeSeek_ = false;
}

void TApp_TOOLBmpCaptureEx::ArmCaptureRun() {
  capture_.CapturePending = true;
  capture_.CaptureIndex.store(0, std::memory_order_release);
}

void TApp_TOOLBmpCaptureEx::EndRunAtMediaEnd() {
  // The length of a file is that of its longest stream; when the sound runs on
  // after the last picture, a run near the end would wait for frames that never
  // come and keep every command locked. Once the clock has passed the last
  // frame, the run ends with what it has.
  if (!graph_.UseSampleGrabber || !capture_.CapturePending) return;
  if (capture_.CaptureIndex.load(std::memory_order_acquire) < 0) return;
  // A new frame means the video goes on; the run ends only after half a second
  // without one while the clock stands at the end.
  if (LastSampleTime() != lastSeenSample_ || !sampleSeen_.isValid()) {
    lastSeenSample_ = LastSampleTime();
    sampleSeen_.start();
    return;
  }
  if (sampleSeen_.elapsed() < 500) return;
  if (currentPosition_ < graph_.Duration - graph_.FrameTime) return;
  if (!AtOrAfterThreshold(LastSampleTime(), capture_.CaptureStartTime.load(), graph_.FrameTime))
    return;
  if (capture_.PausedByUser) graph_.Pause();
  capture_.CaptureIndex.store(-1, std::memory_order_release);
}

void TApp_TOOLBmpCaptureEx::Action_CaptureBackExecute(QObject* sender) {
  if (!CanCapture()) return;
  const int count = FrameCount();
  const double frame = graph_.FrameTime;
  const bool shift = IsShiftDown();
  if (sender == Action("Action_CaptureBack")) {
    const double base = FrameTimeOf(strip_->Image(0));
    StartCapture(shift ? -2 * (count + 1) : -(count + 1), base);
  } else if (sender == Action("Action_CaptureNext")) {
    if (graph_.Duration - count * frame >= LastSampleTime()) {
      std::vector<double> times;
      for (const auto& record : capture_.Frames) times.push_back(record->Time);
      StartCapture(shift ? count + 2 : 1, NextSetBase(times));
    } else {
      StartCapture(-count, graph_.Duration);
    }
  } else if (graph_.State() != State_Running) {
    // The frame on screen was delivered before the run could be armed: go back
    // to just before it, so "the current frame" is the first one captured.
    Timer_TimeTimer(nullptr);
    StartCapture(0, LastSampleTime());
  } else if (NearEnd(graph_.Duration, count, frame, LastSampleTime())) {
    StartCapture(-count, graph_.Duration);
  }
  Action_CaptureExecute(nullptr);
}

void TApp_TOOLBmpCaptureEx::Image_0DblClick(QObject* sender) {
  if (!CanCapture() || !sender || !sender->objectName().startsWith(QLatin1String("Image_"))) return;
  const double time = FrameTimeOf(sender);
  const TCaptureStart start =
      CaptureStart(IsShiftDown() ? -FrameCount() : 0, time, graph_.FrameTime);
  capture_.CaptureStartTime = start.threshold;
  armBeforeSeek_ = true;
  SeekTo(start.seekTarget);
  armBeforeSeek_ = false;
  Action_CaptureExecute(nullptr);
}

void TApp_TOOLBmpCaptureEx::SetCaptureLocked(bool locked) {
  Action("Action_CaptureNow")->setEnabled(!locked);
  for (const char* name : kLockedByRun) Action(name)->setEnabled(!locked);
  strip_->setEnabled(!locked);
  trackBar_->setEnabled(!locked);
}

void TApp_TOOLBmpCaptureEx::Action_CaptureExecute(QObject*) {
  if (!CanCapture()) return;
  SetCaptureLocked(true);
  // A run armed by its seek is already collecting the frames the seek delivered.
  if (!armedBySeek_) ArmCaptureRun();
  armedBySeek_ = false;
  if (graph_.UseSampleGrabber) {
    // A paused player plays for the run and pauses again when it is complete.
    if (capture_.PausedByUser) Action_PlayPlayExecute(image0());
  } else {
    timerCapture_.start();
    Action_PlayPlayExecute(capture_.PausedByUser ? image0() : nullptr);
  }
}

void TApp_TOOLBmpCaptureEx::Timer_CaptureTimer() {
  if (graph_.UseSampleGrabber || !capture_.CapturePending) {
    timerCapture_.stop();
    return;
  }
  const int index = capture_.CaptureIndex.load(std::memory_order_acquire);
  if (index > FrameCount() - 1 || index < 0) {
    timerCapture_.stop();
    capture_.CaptureIndex.store(-1, std::memory_order_release);
    Timer_TimeTimer(nullptr);
    if (capture_.PausedByUser) Action_PlayPauseExecute(image0());
    return;
  }
  GrabRendererImage();
  capture_.CaptureIndex.store(index + 1, std::memory_order_release);
}

void TApp_TOOLBmpCaptureEx::GrabRendererImage() {
  const int index = capture_.CaptureIndex.load(std::memory_order_acquire);
  TThumbnailImage* image = strip_->Image(index);
  QLabel* label = strip_->Label(index);
  if (!image || !label || index < 0 || index >= FrameCount()) return;
  if (graph_.StillImageSize < 0) {
    graph_.StillImageSize = graph_.CurrentImageSize();
    if (graph_.StillImageSize < 0) return;
    graph_.StillImage.assign(static_cast<std::size_t>(graph_.StillImageSize), 0);
  }
  const double time = graph_.CurrentPositionOrZero();
  capture_.LastSampleTime.store(time);
  if (!graph_.CurrentImage(&graph_.StillImage)) return;
  const QByteArray file = BmpFileFromPackedDib(graph_.StillImage.data(),
                                               static_cast<qsizetype>(graph_.StillImage.size()));
  T_TimeBitmap& record = *capture_.Frames[static_cast<std::size_t>(index)];
  {
    const std::lock_guard<std::mutex> lock(record.Canvas());
    if (!record.LoadFromBmpData(file)) return;
    record.Time = time;
  }
  image->SetPicture(record.Image());
  label->setText(TimeLabel(time));
}

void TApp_TOOLBmpCaptureEx::CollectCapturedFrames() {
  if (!capture_.CapturePending || capture_.CaptureIndex.load(std::memory_order_acquire) != -1)
    return;
  if (graph_.UseSampleGrabber) {
    for (int i = 0; i < FrameCount(); ++i) {
      TThumbnailImage* image = strip_->Image(i);
      QLabel* label = strip_->Label(i);
      if (!image || !label) continue;
      T_TimeBitmap& record = *capture_.Frames[static_cast<std::size_t>(i)];
      const std::lock_guard<std::mutex> lock(record.Canvas());
      image->SetPicture(record.Image().copy());
      label->setText(TimeLabel(record.Time));
    }
  }
  capture_.CapturePending = false;
  FinishCapture();
}

void TApp_TOOLBmpCaptureEx::FinishCapture() {
  Image_0Click(strip_->Image(0));
  SetCaptureLocked(false);
  Action("Action_FileSaveAs")->setEnabled(true);
  for (const char* name : kSaveAndCopy) Action(name)->setEnabled(true);
  capture_.CaptureStartTime = -1.0;
  if (rebuildDeferred_) RebuildThumbnailStrip();
}

void TApp_TOOLBmpCaptureEx::CaptureFromCommandLine(double startSeconds) {
  StartCapture(0, startSeconds);
  Action_CaptureExecute(nullptr);
}

void TApp_TOOLBmpCaptureEx::ResizeFrameRecords(int count) {
  auto& frames = capture_.Frames;
  const std::size_t old = frames.size();
  while (frames.size() < static_cast<std::size_t>(count)) {
    auto record = std::make_unique<T_TimeBitmap>();
    // A new slot starts as a copy of the last frame of the existing set.
    if (old > 0) {
      const T_TimeBitmap& last = *frames[old - 1];
      record->AssignPicture(last);
      record->Time = last.Time;
    }
    frames.push_back(std::move(record));
  }
  frames.resize(static_cast<std::size_t>(std::max(count, 0)));
}

void TApp_TOOLBmpCaptureEx::OnFrameBitmapsSized(int width, int height) {
  const QSize size(width, height);
  for (int i = 0; i < FrameCount(); ++i) {
    T_TimeBitmap& record = *capture_.Frames[static_cast<std::size_t>(i)];
    if (record.Width() != width || record.Height() != height) {
      record.SetSize(width, height);
      record.Time = -1.0;
    }
    TThumbnailImage* image = strip_->Image(i);
    if (image && image->Picture().size() != size) {
      QImage blank(size, QImage::Format_BGR888);
      blank.fill(Qt::black);
      image->SetPicture(blank);
    }
  }
}

void TApp_TOOLBmpCaptureEx::OnCapturedFramesDiscarded() {
  for (auto& record : capture_.Frames) {
    record->SetSize(0, 0);
    record->Time = -1.0;
  }
  selectedIndex_ = 0;
  strip_->Highlight(-1);
}

void TApp_TOOLBmpCaptureEx::Image_0Click(QObject* sender) {
  if (!CanCapture() || !sender) return;
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
  int step = 0;
  if (sender == Action("Action_FrameBack"))
    step = -1;
  else if (sender == Action("Action_FrameNext"))
    step = 1;
  else
    return;
  if (!graph_.UseSampleGrabber) step = 0;
  const int index = std::clamp(SelectedFrameIndex() + step, 0, FrameCount() - 1);
  if (QWidget* panel = strip_->Panel(index)) Image_0Click(panel);
}

void TApp_TOOLBmpCaptureEx::Action_EditCopyExecute(QObject*) {
  if (previewBitmap_.width() <= 0 || previewBitmap_.height() <= 0) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) {
    Message(QStringLiteral("クリップボードへコピーできませんでした"));
    return;
  }
  clipboard->setImage(previewBitmap_.convertToFormat(QImage::Format_RGB32));
}

void TApp_TOOLBmpCaptureEx::Action_FileSaveBmpExecute(QObject* sender) {
  int index = 1;
  if (sender == Action("Action_FileSaveGif")) index = 2;
  if (sender == Action("Action_FileSaveJpeg")) index = 3;
  if (sender == Action("Action_FileSavePng")) index = 4;
  if (sender == Action("Action_FileSaveTiff")) index = 5;
  Dialog_SaveAs.filterIndex = index;
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
  const TMyBitmap bitmap(previewBitmap_);
  bool saved = false;
  switch (FormatForName(target)) {
    case ImageFileFormat::kGif:
      saved = bitmap.Transparent()
                  ? SaveBitmapAsTransparentGif(bitmap, target, bitmap.TransparentColor())
                  : SaveBitmapAsGif(bitmap, target);
      break;
    case ImageFileFormat::kJpeg:
      saved = SaveBitmapAsJpeg(bitmap, target, kSaveJpegQuality);
      break;
    case ImageFileFormat::kBmp:
      saved = SaveBitmapAsBmp(bitmap, target);
      break;
  }
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
  if (Action("Action_ZoomUp")->isEnabled()) preview_->ZoomUp(IsShiftDown());
}

void TApp_TOOLBmpCaptureEx::Action_ZoomDownExecute(QObject*) {
  if (Action("Action_ZoomDown")->isEnabled()) preview_->ZoomDown(IsShiftDown());
}

void TApp_TOOLBmpCaptureEx::Action_Zoom100Execute(QObject*) {
  if (Action("Action_Zoom100")->isEnabled()) preview_->ZoomActualSize();
}

void TApp_TOOLBmpCaptureEx::Action_ZoomAlwaysFitExecute(QObject*) {
  Action("Action_ZoomAlwaysFit")->setChecked(true);
  preview_->SetAlwaysFit(true);
}

}  // namespace frivo
