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

// Keep the names stable: the settings file stores check states under them.
constexpr TActionRow kRows[] = {
    {"Action_FileOpen", "ファイル", "開く(&O)...", "ファイルを開く", "", false, false, 0,
     &W::Action_FileOpenExecute},
    {"Action_FileSaveAs", "ファイル", "画像を保存(&S)...", "名前をつけて保存", "", false, false, 0,
     &W::Action_FileSaveAsExecute},
    {"Action_FileSaveFormat", "ファイル", "フォーマットを指定して保存(&F)",
     "フォーマットを指定して保存", "", false, false, 0, &W::actNop},
    {"Action_FileSaveBmp", "ファイル", "BMPで保存(&B)", "BMPで保存", "", false, false, 0,
     &W::Action_FileSaveBmpExecute},
    {"Action_FileSaveGif", "ファイル", "GIFで保存(&G)", "GIFで保存", "", false, false, 0,
     &W::Action_FileSaveBmpExecute},
    {"Action_FileSaveJpeg", "ファイル", "JPEGで保存(&J)", "JPEGで保存", "", false, false, 0,
     &W::Action_FileSaveBmpExecute},
    {"Action_FileSavePng", "ファイル", "PNGで保存(&P)", "PNGで保存", "", false, false, 0,
     &W::Action_FileSaveBmpExecute},
    {"Action_FileSaveTiff", "ファイル", "TIFFで保存(&T)", "TIFFで保存", "", false, false, 0,
     &W::Action_FileSaveBmpExecute},
    {"Action_FileClose", "ファイル", "メディアを閉じる(&C)", "開いているファイルを閉じる", "",
     false, false, 0, &W::Action_FileCloseExecute},
    {"Action_FileExit", "ファイル", "終了(&X)", "プログラム終了", "Alt+F4", false, false, 0,
     &W::Action_FileExitExecute},
    {"Action_ProgramRun", "プログラム", "プログラム実行(&R)", "選択プログラムを実行", "", false,
     false, 0, &W::Action_ProgramRunExecute},
    {"Action_Program", "プログラム", "プログラム起動", "選択プログラムを起動", "", false, false, 0,
     &W::actNop},
    {"Action_ProgramAdd", "プログラム", "リストに追加(&A)", "プログラムリストに追加", "", false,
     false, 0, &W::Action_ProgramAddExecute},
    {"Action_ProgramDel", "プログラム", "リストから削除(&D)", "プログラムリストから削除", "", false,
     false, 0, &W::actNop},
    {"Action_ProgramForeground", "プログラム", "前面に移動のみ(&F)",
     "選択プログラムが起動済みなら新たに起動せず前面に移動させる", "", true, false, 0, &W::actNop},
    {"Action_EditCopy", "編集", "画像をコピー(&C)", "画像をクリップボードへコピー", "", false,
     false, 0, &W::Action_EditCopyExecute},
    {"Action_Capture", "キャプチャ", "ビデオ映像をキャプチャ(&V)", "ビデオ映像をキャプチャ", "",
     false, false, 0, &W::Action_CaptureExecute},
    {"Action_CaptureNow", "キャプチャ", "ビデオ映像をキャプチャ(&V)", "現在のフレームをキャプチャ",
     "", false, false, 0, &W::Action_CaptureBackExecute},
    {"Action_CaptureBack", "キャプチャ", "前の5フレームをキャプチャ(&B)",
     "取得フレームの5フレーム前からキャプチャ "
     "([Shift]キー併用で10フレーム前から5フレームをキャプチャ)",
     "", false, false, 0, &W::Action_CaptureBackExecute},
    {"Action_CaptureNext", "キャプチャ", "次の5フレームをキャプチャ(&N)",
     "取得フレームの次の5フレームをキャプチャ ([Shift]キー併用で10フレーム後からキャプチャ)", "",
     false, false, 0, &W::Action_CaptureBackExecute},
    {"Action_CaptureSampleGrabber", "キャプチャ", "サンプルグラバを使う(&G)",
     "サンプルグラバを使う", "", true, true, 0, &W::Action_CaptureSampleGrabberExecute},
    {"Action_PlayPlay", "再生", "再生", "再生開始", "", false, false, 0,
     &W::Action_PlayPlayExecute},
    {"Action_PlayPause", "再生", "一時停止", "一時停止", "", false, false, 0,
     &W::Action_PlayPauseExecute},
    {"Action_PlayStop", "再生", "停止", "停止", "", false, false, 0, &W::Action_PlayStopExecute},
    {"Action_PlayPlayPause", "再生", "再生/一時停止(&P)", "再生/一時停止", "", false, false, 0,
     &W::Action_PlayPlayPauseExecute},
    {"Action_PlayReplay", "再生", "リプレイ(&R)", "リプレイ", "", false, false, 0,
     &W::Action_PlayReplayExecute},
    {"Action_PlayHome", "再生", "先頭へ(&H)", "先頭へ", "", false, false, 0,
     &W::Action_PlaySkipBackExecute},
    {"Action_PlayEnd", "再生", "末尾へ(&E)", "末尾へ", "", false, false, 0,
     &W::Action_PlaySkipBackExecute},
    {"Action_PlaySkipBack", "再生", "30秒戻る", "30秒戻る", "", false, false, 0,
     &W::Action_PlaySkipBackExecute},
    {"Action_PlaySkipNext", "再生", "30秒進む", "30秒進む", "", false, false, 0,
     &W::Action_PlaySkipBackExecute},
    {"Action_PlaySkip1minBack", "再生", "1秒前のフレーム",
     "1秒前のフレーム ([Shift]キー併用で0.5秒前のフレーム)", "", false, false, 0,
     &W::Action_PlaySkipBackExecute},
    {"Action_PlaySkip1minNext", "再生", "1秒後のフレーム",
     "1秒後のフレーム ([Shift]キー併用で0.5秒後のフレーム)", "", false, false, 0,
     &W::Action_PlaySkipBackExecute},
    {"Action_PlayFrameBack", "再生", "前のフレーム",
     "一つ前のフレーム ([Shift]キー併用で5フレーム前)", "", false, false, 0,
     &W::Action_PlayFrameBackExecute},
    {"Action_PlayFrameNext", "再生", "次のフレーム",
     "一つ後のフレーム ([Shift]キー併用で5フレーム後)", "", false, false, 0,
     &W::Action_PlayFrameBackExecute},
    {"Action_PlayRate", "再生速度", "再生速度", "再生速度選択", "", false, false, 0, &W::actNop},
    {"Action_PlayRate_10", "再生速度", "1.0", "1倍", "", false, true, 1,
     &W::Action_PlayRate_10Execute},
    {"Action_PlayRate_09", "再生速度", "0.9", "0.9倍", "", false, false, 1,
     &W::Action_PlayRate_10Execute},
    {"Action_PlayRate_07", "再生速度", "0.7", "0.7倍", "", false, false, 1,
     &W::Action_PlayRate_10Execute},
    {"Action_PlayRate_05", "再生速度", "0.5", "0.5倍", "", false, false, 1,
     &W::Action_PlayRate_10Execute},
    {"Action_PlayRate_01", "再生速度", "0.1", "0.1倍", "", false, false, 1,
     &W::Action_PlayRate_10Execute},
    {"Action_PlayMute", "再生", "ミュート(&M)", "消音", "", true, false, 0,
     &W::Action_PlayMuteExecute},
    {"Action_ZoomUp", "ビデオ", "拡大(&U)", "画像を拡大する", "", false, false, 0,
     &W::Action_ZoomUpExecute},
    {"Action_ZoomDown", "ビデオ", "縮小(&D)", "画像を縮小する", "", false, false, 0,
     &W::Action_ZoomDownExecute},
    {"Action_Zoom100", "ビデオ", "実寸表示(&1)", "プレビュー画面の画像を実寸で表示", "", false,
     false, 0, &W::Action_Zoom100Execute},
    {"Action_ZoomAlwaysFit", "ビデオ", "オートサイズ(&A)",
     "表示領域に合わせて画像のサイズを自動調整する", "", false, true, 0,
     &W::Action_ZoomAlwaysFitExecute},
    {"Action_ShowToolBar", "表示", "ツールバー(&B)", "ツールバーの表示のON/OFF", "", true, true, 0,
     &W::Action_ShowToolBarExecute},
    {"Action_ShowStatusBar", "表示", "ステータスバー(&S)", "ステータスバーの表示のON/OFF", "", true,
     true, 0, &W::Action_ShowStatusBarExecute},
    {"Action_ShowHintPopup", "表示", "ヒントをポップアップ表示(&H)",
     "ヒントのポップアップ表示のON/OFF", "", true, true, 0, &W::Action_ShowHintPopupExecute},
    {"Action_ShowTimeVerbose", "表示", "時間を詳細表示(&T)", "時間を詳細表示", "", true, false, 0,
     &W::Timer_TimeTimer},
    {"Action_HelpVersionInfo", "ヘルプ", "バージョン情報(&V)", "バージョン情報", "F1", false, false,
     0, &W::Action_HelpVersionInfoExecute},
    {"Action_FrameBack", "キャプチャフレーム", "前のキャプチャフレーム", "前のキャプチャフレーム",
     "", false, false, 0, &W::Action_FrameBackExecute},
    {"Action_FrameNext", "キャプチャフレーム", "次のキャプチャフレーム", "次のキャプチャフレーム",
     "", false, false, 0, &W::Action_FrameBackExecute},
};

constexpr const char* kFileMenu[] = {
    "Action_FileOpen",
    "Action_FileSaveAs",
    "[Action_FileSaveFormat|MenuItem_SaveFormat",
    "Action_FileSaveBmp",
    "Action_FileSaveGif",
    "Action_FileSaveJpeg",
    "Action_FileSavePng",
    "Action_FileSaveTiff",
    "]",
    "-",
    "Action_FileClose",
    "-",
    "[プログラム(&P)|MenuItem_Program",
    "Action_ProgramAdd",
    "[Action_ProgramDel|MenuItem_ProgramDel",
    "]",
    "-",
    "Action_ProgramForeground",
    "-",
    "]",
    "-",
    "Action_FileExit",
};
constexpr const char* kEditMenu[] = {"Action_EditCopy", "-", "Action_CaptureNow",
                                     "Action_CaptureBack", "Action_CaptureNext"};
constexpr const char* kPlayMenu[] = {
    "Action_PlayPlayPause",
    "Action_PlayReplay",
    "-",
    "Action_PlayHome",
    "Action_PlayEnd",
    "Action_PlaySkipBack",
    "Action_PlaySkipNext",
    "-",
    "Action_PlaySkip1minBack",
    "Action_PlaySkip1minNext",
    "Action_PlayFrameBack",
    "Action_PlayFrameNext",
    "-",
    "[Action_PlayRate|MenuItem_Rate",
    "Action_PlayRate_10",
    "Action_PlayRate_09",
    "Action_PlayRate_07",
    "Action_PlayRate_05",
    "]",
    "-",
    "Action_PlayMute",
};
constexpr const char* kImageMenu[] = {"Action_ZoomUp", "Action_ZoomDown", "Action_Zoom100",
                                      "Action_ZoomAlwaysFit"};
constexpr const char* kOptionMenu[] = {
    "Action_CaptureSampleGrabber", "-", "Action_ShowToolBar",    "Action_ShowStatusBar",
    "Action_ShowHintPopup",        "-", "Action_ShowTimeVerbose"};
constexpr const char* kHelpMenu[] = {"Action_HelpVersionInfo"};

constexpr TMenuSpec kMainMenu[] = {
    {"MenuItem_File", "ファイル(&F)", kFileMenu},       {"MenuItem_Edit", "編集(&E)", kEditMenu},
    {"MenuItem_Play", "再生(&P)", kPlayMenu},           {"MenuItem_Image", "画像(&B)", kImageMenu},
    {"MenuItem_Option", "オプション(&O)", kOptionMenu}, {"MenuItem_Help", "ヘルプ(&H)", kHelpMenu},
};

constexpr const char* kRatePopup[] = {"Action_PlayRate_10", "Action_PlayRate_09",
                                      "Action_PlayRate_07", "Action_PlayRate_05"};
constexpr const char* kSavePopup[] = {"Action_FileSaveBmp", "Action_FileSaveGif",
                                      "Action_FileSaveJpeg", "Action_FileSavePng",
                                      "Action_FileSaveTiff"};
constexpr const char* kImagePopup[] = {"Action_EditCopy",     "-",
                                       "Action_FileSaveAs",   "-",
                                       "Action_FileSaveBmp",  "Action_FileSaveGif",
                                       "Action_FileSaveJpeg", "Action_FileSavePng",
                                       "Action_FileSaveTiff", "-",
                                       "Action_Zoom100",      "Action_ZoomAlwaysFit"};
constexpr const char* kVideoPopup[] = {
    "Action_PlayPlayPause", "Action_PlaySkip1minBack", "Action_PlaySkip1minNext",
    "Action_PlayFrameBack", "Action_PlayFrameNext",    "-",
    "Action_CaptureNow",    "Action_CaptureBack",      "Action_CaptureNext"};

constexpr TMenuSpec kPopups[] = {
    {"Popumenu_PlayRate", "", kRatePopup}, {"Popupmenu_Save", "", kSavePopup},
    {"Popupmenu_Image", "", kImagePopup},  {"Popupmenu_Video", "", kVideoPopup},
    {"Menu_OpenHistory", "", {}},          {"Menu_Program", "", {}},
    {"Menu_ProgramDel", "", {}},
};

constexpr const char* kMainToolBar[] = {
    "Action_FileOpen>Menu_OpenHistory",
    "Action_FileSaveAs>Popupmenu_Save",
    "-",
    "Action_EditCopy",
    "-",
    "Action_ZoomUp",
    "Action_ZoomDown",
    "Action_Zoom100",
    "Action_ZoomAlwaysFit",
    "-",
    "Action_Program>>Menu_Program",
    "Action_ProgramAdd",
    "Action_ProgramForeground",
    "-",
    "Action_ShowToolBar",
    "Action_ShowStatusBar",
    "Action_ShowHintPopup",
};
constexpr const char* kControlToolBar[] = {
    "Action_PlayPlayPause>Popumenu_PlayRate",
    "Action_PlaySkip1minBack",
    "Action_PlayFrameBack",
    "Action_PlayFrameNext",
    "Action_PlaySkip1minNext",
    "-",
    "Action_PlayMute",
    "-",
    "Action_CaptureNow",
};
constexpr TToolBarSpec kToolBars[] = {{"ToolBar_Main", kMainToolBar},
                                      {"ToolBar_Control", kControlToolBar}};

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

QAction* TActionList::operator[](const char* name) const {
  return byName.value(QString::fromLatin1(name), nullptr);
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
    list.byName.insert(action->objectName(), action);
    list.rowOf.insert(action, &row);
  }
  return list;
}

}  // namespace frivo
