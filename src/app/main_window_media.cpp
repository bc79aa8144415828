// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Opening and closing media, the open command and the re-open that switches the
// sample grabber on or off.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include "app/main_window.h"
#include "capture/preview_view.h"
#include "capture/thumbnail_strip.h"
#include "platform/desktop.h"
#include "playback/time_text.h"
#include "playback/track_bar.h"
#include "playback/transport_math.h"

namespace frivo {

namespace {

const char kOpenFilter[] =
    "ビデオ (*.avi;*.divx;*.flv;*.fll;*.mkv;*.mov;*.mp4;*.mpeg;*.mpg;*.wmv)|"
    "*.avi;*.divx;*.flv;*.fll;*.mkv;*.mov;*.mp4;*.mpeg;*.mpg;*.wmv|すべて (*.*)|*.*";

// Commands that need open media, enabled by a successful open in this order and
// disabled together by the close.
constexpr ActionId kMediaCommands[] = {
    ActionId::PlayReplay,       ActionId::PlayHome,      ActionId::PlayEnd,
    ActionId::PlaySkipBack,     ActionId::PlaySkipNext,  ActionId::PlaySkip1minBack,
    ActionId::PlaySkip1minNext, ActionId::PlayFrameBack, ActionId::PlayFrameNext,
    ActionId::CaptureNow,       ActionId::Zoom100,       ActionId::ZoomUp,
    ActionId::ZoomDown};
constexpr ActionId kSaveCommands[] = {
    ActionId::FileSaveAs,   ActionId::FileSaveFormat, ActionId::FileSaveBmp, ActionId::FileSaveGif,
    ActionId::FileSaveJpeg, ActionId::FileSavePng,    ActionId::FileSaveTiff};

}  // namespace

bool MediaPathExists(const QString& path) {
  if (path.isEmpty()) return false;
  if (!path.contains(QLatin1Char('*')) && !path.contains(QLatin1Char('?'))) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
  }
  // A pattern must name an existing folder with at least one matching file.
  const QFileInfo info(path);
  const QDir folder = info.dir();
  if (!folder.exists()) return false;
  return !folder.entryList({info.fileName()}, QDir::Files | QDir::Hidden | QDir::System).isEmpty();
}

void TApp_TOOLBmpCaptureEx::OpenMedia(const QString& pathIn) {
  const QString path = pathIn;  // the close below clears MediaPath
  Action_FileCloseExecute(nullptr);
  graph_.SetMediaPath(path);
  OpenMediaSteps(path);
  graph_.SetRestore({});
}

void TApp_TOOLBmpCaptureEx::OpenMediaSteps(const QString& path) {
  if (!MediaPathExists(path)) {
    Message(path + QStringLiteral("\rファイルが存在しません"));
    return;
  }
  // A graph that cannot be made fails like a file that cannot be rendered; the
  // decoder and the grabber are optional.
  const bool created = graph_.CreateWithRenderer();
  (void)graph_.InsertDecoder();
  const bool wantGrabber = Action(ActionId::CaptureSampleGrabber)->isChecked();
  if (wantGrabber) (void)graph_.AddSampleGrabber();
  setWindowTitle(QFileInfo(path).fileName());
  if (!created || !graph_.RenderFile(path)) {
    Message(path + QStringLiteral("\rは開けません"));
    return;
  }
  int width = 0, height = 0;
  graph_.VideoSize(&width, &height);
  if (width < 1 || height < 1) {
    Message(QStringLiteral("メディアにビデオ映像がありません"));
    labelSize_->clear();
    return;
  }

  Action(ActionId::FileClose)->setEnabled(true);
  Action(ActionId::PlayPlay)->setEnabled(true);
  preview_->SetMediaOpen(true);
  for (const ActionId id : kMediaCommands) Action(id)->setEnabled(true);

  SetFrameBitmapsSize(width, height);
  const QString rateText = ReadFrameRate();
  labelSize_->setText(VideoSizeText(width, height, rateText, graph_.FrameTime()));
  timerTime_.setInterval(PositionTimerInterval(graph_.FrameTime()));

  graph_.SetUseSampleGrabber(wantGrabber && graph_.GrabberConnected());
  if (wantGrabber) {
    if (!graph_.UseSampleGrabber()) {
      QString text = QStringLiteral(
          "静止画キャプチャの設定がうまくいきませんでした\rキャプチャの間隔が飛び飛びになるかも知れ"
          "ません");
      if (graph_.DecoderInserted())
        text += QStringLiteral(
            "\rffdshowのビデオでコーダの設定で「オーバーレイ」の「出力」の「RGB24」にチェックを入れ"
            "ることで改善されるかも知れません");
      Message(text);
    }
  }
  if (graph_.UseSampleGrabber())
    (void)graph_.SetFrameHandler([this](double time, const std::uint8_t* rows,
                                        long length) { run_->OnFrame(time, rows, length); },
                                 [this](double) { return run_->WantsPictures(); });

  (void)graph_.AttachVideoWindow(panelVideo_);
  FormResize();
  Action_PlayMuteExecute(nullptr);
  (void)graph_.TakePosition();
  frameTimes_ = graph_.FrameTimes();
  run_->MediaOpened();
  trackBar_->setMaximum(static_cast<int>(graph_.Duration() * 10));
  labelDuration_->setText(QStringLiteral("/") + FormatTime(3, graph_.Duration()));
  Action_PlayRate_10Execute(nullptr);
  launcher_->AddToHistory(path);

  if (graph_.Restore().pending) {
    SeekTo(graph_.Restore().position);
    Timer_TimeTimer(nullptr);
    if (graph_.Restore().playing)
      Action_PlayPlayExecute(nullptr);
    else
      (void)graph_.StopWhenReady();
  } else {
    Action_PlayReplayExecute(nullptr);
  }
  trackBar_->setEnabled(true);
}

QString TApp_TOOLBmpCaptureEx::ReadFrameRate() {
  graph_.SetFrameTime(0);
  if (previewBitmap_.width() <= 0 || previewBitmap_.height() <= 0) return QStringLiteral("-");
  const TFrameRate rate = FrameRateFromAverageTime(graph_.RendererAverageTimePerFrame());
  graph_.SetFrameTime(rate.frameTime);
  return rate.text;
}

void TApp_TOOLBmpCaptureEx::SetFrameBitmapsSize(int width, int height) {
  // A bitmap that already has the size keeps its picture: the re-open that
  // switches the grabber keeps the frame on show.
  if (previewBitmap_.size() != QSize(width, height)) {
    QImage blank(width, height, QImage::Format_BGR888);
    blank.fill(Qt::black);
    ShowPreview(blank);
  }
  run_->SizeRecords(width, height);
}

void TApp_TOOLBmpCaptureEx::Action_FileCloseExecute(QObject*) {
  setWindowTitle(DisplayName());
  // No frame may reach the callback while the graph is torn down.
  (void)graph_.SetFrameHandler({});
  // A run ends where it stands, before the controls it locked take the state
  // without media.
  run_->MediaClosed();

  timerTime_.stop();
  trackBar_->setEnabled(false);
  trackBar_->setValue(0);
  // With nothing open the bar has no hint.
  trackBar_->setToolTip(QString());
  trackBar_->setStatusTip(QString());
  labelTime_->clear();
  labelDuration_->clear();
  graph_.SetMediaPath(QString());
  preview_->SetMediaOpen(false);

  Action(ActionId::FileClose)->setEnabled(false);
  for (const ActionId id : kSaveCommands) Action(id)->setEnabled(false);
  for (const ActionId id : kMediaCommands) Action(id)->setEnabled(false);
  Action(ActionId::EditCopy)->setEnabled(false);
  Action(ActionId::CaptureBack)->setEnabled(false);
  Action(ActionId::CaptureNext)->setEnabled(false);

  graph_.SetUseSampleGrabber(false);
  frameTimes_.clear();
  if (!graph_.Restore().pending) DiscardCapturedFrames();
  graph_.Release();
}

void TApp_TOOLBmpCaptureEx::DiscardCapturedFrames() {
  ShowPreview(QImage());
  run_->DiscardRecords();
  selectedIndex_ = 0;
  labelSize_->clear();
  preview_->Clear();
}

void TApp_TOOLBmpCaptureEx::Action_FileOpenExecute(QObject*) {
  if (IsShiftDown()) {
    Dialog_Open.initialDir = VideoFolder();
    Dialog_Open.fileName.clear();
  }
  Dialog_Open.title = QStringLiteral("ファイルを開く");
  Dialog_Open.filter = QString::fromUtf8(kOpenFilter);
  if (!ExecuteOpenDialog(this, Dialog_Open)) return;
  Dialog_Open.initialDir = WithTrailingSlash(QFileInfo(Dialog_Open.fileName).absolutePath());
  OpenMedia(Dialog_Open.fileName);
}

void TApp_TOOLBmpCaptureEx::Action_CaptureSampleGrabberExecute(QObject*) {
  if (!Action(ActionId::FileClose)->isEnabled()) return;
  graph_.SetRestore({true, graph_.CurrentPositionOrZero(), graph_.IsRunning(100)});
  // The set commands come back with the set, even when a run had locked them.
  const bool nextEnabled = run_->HasSet();
  OpenMedia(graph_.MediaPath());
  Action(ActionId::CaptureBack)->setEnabled(nextEnabled);
  Action(ActionId::CaptureNext)->setEnabled(Action(ActionId::CaptureBack)->isEnabled());
}

}  // namespace frivo
