// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/action_table.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>

#include "app/main_window.h"

namespace frivo {

namespace {

using W = TApp_TOOLBmpCaptureEx;

// The property that carries an action's id.
constexpr char kIdProperty[] = "frivoActionId";

// Keep the names stable: the settings file stores check states under them.
constexpr TActionRow kRows[] = {
    {ActionId::FileOpen, "Action_FileOpen", "ファイル", "開く(&O)...", "ファイルを開く", "", false,
     false, 0, &W::Action_FileOpenExecute},
    {ActionId::FileSaveAs, "Action_FileSaveAs", "ファイル", "画像を保存(&S)...", "名前をつけて保存",
     "", false, false, 0, &W::Action_FileSaveAsExecute},
    {ActionId::FileSaveFormat, "Action_FileSaveFormat", "ファイル",
     "フォーマットを指定して保存(&F)", "フォーマットを指定して保存", "", false, false, 0,
     &W::actNop},
    {ActionId::FileSaveBmp,
     "Action_FileSaveBmp",
     "ファイル",
     "BMPで保存(&B)",
     "BMPで保存",
     "",
     false,
     false,
     0,
     &W::Action_FileSaveBmpExecute,
     {1}},
    {ActionId::FileSaveGif,
     "Action_FileSaveGif",
     "ファイル",
     "GIFで保存(&G)",
     "GIFで保存",
     "",
     false,
     false,
     0,
     &W::Action_FileSaveBmpExecute,
     {2}},
    {ActionId::FileSaveJpeg,
     "Action_FileSaveJpeg",
     "ファイル",
     "JPEGで保存(&J)",
     "JPEGで保存",
     "",
     false,
     false,
     0,
     &W::Action_FileSaveBmpExecute,
     {3}},
    {ActionId::FileSavePng,
     "Action_FileSavePng",
     "ファイル",
     "PNGで保存(&P)",
     "PNGで保存",
     "",
     false,
     false,
     0,
     &W::Action_FileSaveBmpExecute,
     {4}},
    {ActionId::FileSaveTiff,
     "Action_FileSaveTiff",
     "ファイル",
     "TIFFで保存(&T)",
     "TIFFで保存",
     "",
     false,
     false,
     0,
     &W::Action_FileSaveBmpExecute,
     {5}},
    {ActionId::FileClose, "Action_FileClose", "ファイル", "メディアを閉じる(&C)",
     "開いているファイルを閉じる", "", false, false, 0, &W::Action_FileCloseExecute},
    {ActionId::FileExit, "Action_FileExit", "ファイル", "終了(&X)", "プログラム終了", "Alt+F4",
     false, false, 0, &W::Action_FileExitExecute},
    {ActionId::ProgramRun, "Action_ProgramRun", "プログラム", "プログラム実行(&R)",
     "選択プログラムを実行", "", false, false, 0, &W::Action_ProgramRunExecute},
    {ActionId::Program, "Action_Program", "プログラム", "プログラム起動", "選択プログラムを起動",
     "", false, false, 0, &W::actNop},
    {ActionId::ProgramAdd, "Action_ProgramAdd", "プログラム", "リストに追加(&A)",
     "プログラムリストに追加", "", false, false, 0, &W::Action_ProgramAddExecute},
    {ActionId::ProgramDel, "Action_ProgramDel", "プログラム", "リストから削除(&D)",
     "プログラムリストから削除", "", false, false, 0, &W::actNop},
    {ActionId::ProgramForeground, "Action_ProgramForeground", "プログラム", "前面に移動のみ(&F)",
     "選択プログラムが起動済みなら新たに起動せず前面に移動させる", "", true, false, 0, &W::actNop},
    {ActionId::EditCopy, "Action_EditCopy", "編集", "画像をコピー(&C)",
     "画像をクリップボードへコピー", "", false, false, 0, &W::Action_EditCopyExecute},
    {ActionId::Capture, "Action_Capture", "キャプチャ", "ビデオ映像をキャプチャ(&V)",
     "ビデオ映像をキャプチャ", "", false, false, 0, &W::Action_CaptureExecute},
    {ActionId::CaptureNow,
     "Action_CaptureNow",
     "キャプチャ",
     "ビデオ映像をキャプチャ(&V)",
     "現在のフレームをキャプチャ",
     "",
     false,
     false,
     0,
     &W::Action_CaptureBackExecute,
     {0}},
    {ActionId::CaptureBack,
     "Action_CaptureBack",
     "キャプチャ",
     "前の5フレームをキャプチャ(&B)",
     "取得フレームの5フレーム前からキャプチャ "
     "([Shift]キー併用で10フレーム前から5フレームをキャプチャ)",
     "",
     false,
     false,
     0,
     &W::Action_CaptureBackExecute,
     {-1}},
    {ActionId::CaptureNext,
     "Action_CaptureNext",
     "キャプチャ",
     "次の5フレームをキャプチャ(&N)",
     "取得フレームの次の5フレームをキャプチャ ([Shift]キー併用で10フレーム後からキャプチャ)",
     "",
     false,
     false,
     0,
     &W::Action_CaptureBackExecute,
     {1}},
    {ActionId::CaptureSampleGrabber, "Action_CaptureSampleGrabber", "キャプチャ",
     "サンプルグラバを使う(&G)", "サンプルグラバを使う", "", true, true, 0,
     &W::Action_CaptureSampleGrabberExecute},
    {ActionId::PlayPlay, "Action_PlayPlay", "再生", "再生", "再生開始", "", false, false, 0,
     &W::Action_PlayPlayExecute},
    {ActionId::PlayPause, "Action_PlayPause", "再生", "一時停止", "一時停止", "", false, false, 0,
     &W::Action_PlayPauseExecute},
    {ActionId::PlayStop, "Action_PlayStop", "再生", "停止", "停止", "", false, false, 0,
     &W::Action_PlayStopExecute},
    {ActionId::PlayPlayPause, "Action_PlayPlayPause", "再生", "再生/一時停止(&P)", "再生/一時停止",
     "", false, false, 0, &W::Action_PlayPlayPauseExecute},
    {ActionId::PlayReplay, "Action_PlayReplay", "再生", "リプレイ(&R)", "リプレイ", "", false,
     false, 0, &W::Action_PlayReplayExecute},
    {ActionId::PlayHome,
     "Action_PlayHome",
     "再生",
     "先頭へ(&H)",
     "先頭へ",
     "",
     false,
     false,
     0,
     &W::Action_PlaySkipBackExecute,
     {0, 0, TActionParam::From::kStart}},
    {ActionId::PlayEnd,
     "Action_PlayEnd",
     "再生",
     "末尾へ(&E)",
     "末尾へ",
     "",
     false,
     false,
     0,
     &W::Action_PlaySkipBackExecute,
     {0, 0, TActionParam::From::kEnd}},
    {ActionId::PlaySkipBack,
     "Action_PlaySkipBack",
     "再生",
     "30秒戻る",
     "30秒戻る",
     "",
     false,
     false,
     0,
     &W::Action_PlaySkipBackExecute,
     {-30, -10}},
    {ActionId::PlaySkipNext,
     "Action_PlaySkipNext",
     "再生",
     "30秒進む",
     "30秒進む",
     "",
     false,
     false,
     0,
     &W::Action_PlaySkipBackExecute,
     {30, 10}},
    {ActionId::PlaySkip1minBack,
     "Action_PlaySkip1minBack",
     "再生",
     "1秒前のフレーム",
     "1秒前のフレーム ([Shift]キー併用で0.5秒前のフレーム)",
     "",
     false,
     false,
     0,
     &W::Action_PlaySkipBackExecute,
     {-1, -0.5, TActionParam::From::kPausedFrame}},
    {ActionId::PlaySkip1minNext,
     "Action_PlaySkip1minNext",
     "再生",
     "1秒後のフレーム",
     "1秒後のフレーム ([Shift]キー併用で0.5秒後のフレーム)",
     "",
     false,
     false,
     0,
     &W::Action_PlaySkipBackExecute,
     {1, 0.5, TActionParam::From::kPausedFrame}},
    {ActionId::PlayFrameBack,
     "Action_PlayFrameBack",
     "再生",
     "前のフレーム",
     "一つ前のフレーム ([Shift]キー併用で5フレーム前)",
     "",
     false,
     false,
     0,
     &W::Action_PlayFrameBackExecute,
     {-1}},
    {ActionId::PlayFrameNext,
     "Action_PlayFrameNext",
     "再生",
     "次のフレーム",
     "一つ後のフレーム ([Shift]キー併用で5フレーム後)",
     "",
     false,
     false,
     0,
     &W::Action_PlayFrameBackExecute,
     {1}},
    {ActionId::PlayRate, "Action_PlayRate", "再生速度", "再生速度", "再生速度選択", "", false,
     false, 0, &W::actNop},
    {ActionId::PlayRate_10,
     "Action_PlayRate_10",
     "再生速度",
     "1.0",
     "1倍",
     "",
     false,
     true,
     1,
     &W::Action_PlayRate_10Execute,
     {1.0}},
    {ActionId::PlayRate_09,
     "Action_PlayRate_09",
     "再生速度",
     "0.9",
     "0.9倍",
     "",
     false,
     false,
     1,
     &W::Action_PlayRate_10Execute,
     {0.9}},
    {ActionId::PlayRate_07,
     "Action_PlayRate_07",
     "再生速度",
     "0.7",
     "0.7倍",
     "",
     false,
     false,
     1,
     &W::Action_PlayRate_10Execute,
     {0.7}},
    {ActionId::PlayRate_05,
     "Action_PlayRate_05",
     "再生速度",
     "0.5",
     "0.5倍",
     "",
     false,
     false,
     1,
     &W::Action_PlayRate_10Execute,
     {0.5}},
    {ActionId::PlayRate_01,
     "Action_PlayRate_01",
     "再生速度",
     "0.1",
     "0.1倍",
     "",
     false,
     false,
     1,
     &W::Action_PlayRate_10Execute,
     {0.1}},
    {ActionId::PlayMute, "Action_PlayMute", "再生", "ミュート(&M)", "消音", "", true, false, 0,
     &W::Action_PlayMuteExecute},
    {ActionId::ZoomUp, "Action_ZoomUp", "ビデオ", "拡大(&U)", "画像を拡大する", "", false, false, 0,
     &W::Action_ZoomUpExecute},
    {ActionId::ZoomDown, "Action_ZoomDown", "ビデオ", "縮小(&D)", "画像を縮小する", "", false,
     false, 0, &W::Action_ZoomDownExecute},
    {ActionId::Zoom100, "Action_Zoom100", "ビデオ", "実寸表示(&1)",
     "プレビュー画面の画像を実寸で表示", "", false, false, 0, &W::Action_Zoom100Execute},
    {ActionId::ZoomAlwaysFit, "Action_ZoomAlwaysFit", "ビデオ", "オートサイズ(&A)",
     "表示領域に合わせて画像のサイズを自動調整する", "", false, true, 0,
     &W::Action_ZoomAlwaysFitExecute},
    {ActionId::ShowToolBar, "Action_ShowToolBar", "表示", "ツールバー(&B)",
     "ツールバーの表示のON/OFF", "", true, true, 0, &W::Action_ShowToolBarExecute},
    {ActionId::ShowStatusBar, "Action_ShowStatusBar", "表示", "ステータスバー(&S)",
     "ステータスバーの表示のON/OFF", "", true, true, 0, &W::Action_ShowStatusBarExecute},
    {ActionId::ShowHintPopup, "Action_ShowHintPopup", "表示", "ヒントをポップアップ表示(&H)",
     "ヒントのポップアップ表示のON/OFF", "", true, true, 0, &W::Action_ShowHintPopupExecute},
    {ActionId::ShowTimeVerbose, "Action_ShowTimeVerbose", "表示", "時間を詳細表示(&T)",
     "時間を詳細表示", "", true, false, 0, &W::Timer_TimeTimer},
    {ActionId::HelpVersionInfo, "Action_HelpVersionInfo", "ヘルプ", "バージョン情報(&V)",
     "バージョン情報", "F1", false, false, 0, &W::Action_HelpVersionInfoExecute},
    {ActionId::FrameBack,
     "Action_FrameBack",
     "キャプチャフレーム",
     "前のキャプチャフレーム",
     "前のキャプチャフレーム",
     "",
     false,
     false,
     0,
     &W::Action_FrameBackExecute,
     {-1}},
    {ActionId::FrameNext,
     "Action_FrameNext",
     "キャプチャフレーム",
     "次のキャプチャフレーム",
     "次のキャプチャフレーム",
     "",
     false,
     false,
     0,
     &W::Action_FrameBackExecute,
     {1}},
};

constexpr TMenuItem kFileMenu[] = {Item(ActionId::FileOpen),
                                   Item(ActionId::FileSaveAs),
                                   Submenu(ActionId::FileSaveFormat, "MenuItem_SaveFormat"),
                                   Item(ActionId::FileSaveBmp),
                                   Item(ActionId::FileSaveGif),
                                   Item(ActionId::FileSaveJpeg),
                                   Item(ActionId::FileSavePng),
                                   Item(ActionId::FileSaveTiff),
                                   kEndSubmenu,
                                   kMenuSeparator,
                                   Item(ActionId::FileClose),
                                   kMenuSeparator,
                                   Submenu("プログラム(&P)", "MenuItem_Program"),
                                   Item(ActionId::ProgramAdd),
                                   Submenu(ActionId::ProgramDel, "MenuItem_ProgramDel"),
                                   kEndSubmenu,
                                   kMenuSeparator,
                                   Item(ActionId::ProgramForeground),
                                   kMenuSeparator,
                                   kEndSubmenu,
                                   kMenuSeparator,
                                   Item(ActionId::FileExit)};
constexpr TMenuItem kEditMenu[] = {Item(ActionId::EditCopy), kMenuSeparator,
                                   Item(ActionId::CaptureNow), Item(ActionId::CaptureBack),
                                   Item(ActionId::CaptureNext)};
constexpr TMenuItem kPlayMenu[] = {Item(ActionId::PlayPlayPause),
                                   Item(ActionId::PlayReplay),
                                   kMenuSeparator,
                                   Item(ActionId::PlayHome),
                                   Item(ActionId::PlayEnd),
                                   Item(ActionId::PlaySkipBack),
                                   Item(ActionId::PlaySkipNext),
                                   kMenuSeparator,
                                   Item(ActionId::PlaySkip1minBack),
                                   Item(ActionId::PlaySkip1minNext),
                                   Item(ActionId::PlayFrameBack),
                                   Item(ActionId::PlayFrameNext),
                                   kMenuSeparator,
                                   Submenu(ActionId::PlayRate, "MenuItem_Rate"),
                                   Item(ActionId::PlayRate_10),
                                   Item(ActionId::PlayRate_09),
                                   Item(ActionId::PlayRate_07),
                                   Item(ActionId::PlayRate_05),
                                   kEndSubmenu,
                                   kMenuSeparator,
                                   Item(ActionId::PlayMute)};
constexpr TMenuItem kImageMenu[] = {Item(ActionId::ZoomUp), Item(ActionId::ZoomDown),
                                    Item(ActionId::Zoom100), Item(ActionId::ZoomAlwaysFit)};
constexpr TMenuItem kOptionMenu[] = {
    Item(ActionId::CaptureSampleGrabber), kMenuSeparator,
    Item(ActionId::ShowToolBar),          Item(ActionId::ShowStatusBar),
    Item(ActionId::ShowHintPopup),        kMenuSeparator,
    Item(ActionId::ShowTimeVerbose)};
constexpr TMenuItem kHelpMenu[] = {Item(ActionId::HelpVersionInfo)};

constexpr TMenuSpec kMainMenu[] = {
    {"MenuItem_File", "ファイル(&F)", kFileMenu},       {"MenuItem_Edit", "編集(&E)", kEditMenu},
    {"MenuItem_Play", "再生(&P)", kPlayMenu},           {"MenuItem_Image", "画像(&B)", kImageMenu},
    {"MenuItem_Option", "オプション(&O)", kOptionMenu}, {"MenuItem_Help", "ヘルプ(&H)", kHelpMenu},
};

constexpr TMenuItem kRatePopup[] = {Item(ActionId::PlayRate_10), Item(ActionId::PlayRate_09),
                                    Item(ActionId::PlayRate_07), Item(ActionId::PlayRate_05)};
constexpr TMenuItem kSavePopup[] = {Item(ActionId::FileSaveBmp), Item(ActionId::FileSaveGif),
                                    Item(ActionId::FileSaveJpeg), Item(ActionId::FileSavePng),
                                    Item(ActionId::FileSaveTiff)};
constexpr TMenuItem kImagePopup[] = {Item(ActionId::EditCopy),     kMenuSeparator,
                                     Item(ActionId::FileSaveAs),   kMenuSeparator,
                                     Item(ActionId::FileSaveBmp),  Item(ActionId::FileSaveGif),
                                     Item(ActionId::FileSaveJpeg), Item(ActionId::FileSavePng),
                                     Item(ActionId::FileSaveTiff), kMenuSeparator,
                                     Item(ActionId::Zoom100),      Item(ActionId::ZoomAlwaysFit)};
constexpr TMenuItem kVideoPopup[] = {
    Item(ActionId::PlayPlayPause),    Item(ActionId::PlaySkip1minBack),
    Item(ActionId::PlaySkip1minNext), Item(ActionId::PlayFrameBack),
    Item(ActionId::PlayFrameNext),    kMenuSeparator,
    Item(ActionId::CaptureNow),       Item(ActionId::CaptureBack),
    Item(ActionId::CaptureNext)};

constexpr TMenuSpec kPopups[] = {
    {"Popumenu_PlayRate", "", kRatePopup}, {"Popupmenu_Save", "", kSavePopup},
    {"Popupmenu_Image", "", kImagePopup},  {"Popupmenu_Video", "", kVideoPopup},
    {"Menu_OpenHistory", "", {}},          {"Menu_Program", "", {}},
    {"Menu_ProgramDel", "", {}},
};

constexpr TToolItem kMainToolBar[] = {{ActionId::FileOpen, "Menu_OpenHistory"},
                                      {ActionId::FileSaveAs, "Popupmenu_Save"},
                                      kToolSeparator,
                                      {ActionId::EditCopy},
                                      kToolSeparator,
                                      {ActionId::ZoomUp},
                                      {ActionId::ZoomDown},
                                      {ActionId::Zoom100},
                                      {ActionId::ZoomAlwaysFit},
                                      kToolSeparator,
                                      {ActionId::Program, "Menu_Program", true},
                                      {ActionId::ProgramAdd},
                                      {ActionId::ProgramForeground},
                                      kToolSeparator,
                                      {ActionId::ShowToolBar},
                                      {ActionId::ShowStatusBar},
                                      {ActionId::ShowHintPopup}};
constexpr TToolItem kControlToolBar[] = {{ActionId::PlayPlayPause, "Popumenu_PlayRate"},
                                         {ActionId::PlaySkip1minBack},
                                         {ActionId::PlayFrameBack},
                                         {ActionId::PlayFrameNext},
                                         {ActionId::PlaySkip1minNext},
                                         kToolSeparator,
                                         {ActionId::PlayMute},
                                         kToolSeparator,
                                         {ActionId::CaptureNow}};
constexpr TToolBarSpec kToolBars[] = {{"ToolBar_Main", kMainToolBar},
                                      {"ToolBar_Control", kControlToolBar}};

// Row i describes the action with id i.
constexpr bool RowsInIdOrder() {
  for (std::size_t i = 0; i < std::size(kRows); ++i)
    if (static_cast<std::size_t>(kRows[i].id) != i) return false;
  return std::size(kRows) == static_cast<std::size_t>(kActionCount);
}
static_assert(RowsInIdOrder());

}  // namespace

std::span<const TActionRow> ActionRows() {
  return kRows;
}
std::span<const TMenuSpec> MainMenuSpecs() {
  return kMainMenu;
}
std::span<const TMenuSpec> PopupMenuSpecs() {
  return kPopups;
}
std::span<const TToolBarSpec> ToolBarSpecs() {
  return kToolBars;
}

const TActionRow& RowOf(ActionId id) {
  return kRows[static_cast<std::size_t>(id)];
}

const TActionRow* RowOf(const QObject* sender) {
  if (!sender) return nullptr;
  bool ok = false;
  const int id = sender->property(kIdProperty).toInt(&ok);
  if (!ok || id < 0 || id >= kActionCount || !qobject_cast<const QAction*>(sender)) return nullptr;
  return &kRows[static_cast<std::size_t>(id)];
}

TActionList CreateActions(TApp_TOOLBmpCaptureEx* window) {
  TActionList list;
  QHash<int, QActionGroup*> groups;
  for (const TActionRow& row : kRows) {
    auto* action = new QAction(QString::fromUtf8(row.caption), window);
    action->setObjectName(QString::fromLatin1(row.name));
    action->setStatusTip(QString::fromUtf8(row.hint));
    action->setToolTip(QString::fromUtf8(row.hint));
    action->setProperty("category", QString::fromUtf8(row.category));
    action->setProperty(kIdProperty, static_cast<int>(row.id));
    if (*row.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
    action->setCheckable(row.autoCheck || row.checked || row.group != 0);
    action->setChecked(row.checked);
    if (row.group != 0) {
      QActionGroup*& group = groups[row.group];
      if (!group) {
        group = new QActionGroup(window);
        group->setExclusive(true);
      }
      group->addAction(action);
    }
    const ActionHandler handler = row.handler;
    // Actions that are not auto-check keep their check mark as code sets it:
    // Qt toggles every checkable action on trigger, so undo that first.
    const bool autoCheck = row.autoCheck || row.group != 0;
    QObject::connect(action, &QAction::triggered, window, [window, action, handler, autoCheck] {
      if (!autoCheck && action->isCheckable()) {
        const QSignalBlocker blocker(action);
        action->setChecked(!action->isChecked());
      }
      (window->*handler)(action);
    });
    list.actions[static_cast<std::size_t>(row.id)] = action;
  }
  return list;
}

}  // namespace frivo
