// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/settings.h"

#include <QAction>
#include <QStringList>

#include "app/main_window.h"
#include "launcher/open_history.h"
#include "platform/screen_areas.h"
#include "support/ini_file.h"
#include "support/wide_strings.h"

namespace frivo {

namespace {

// Section and key names of the file.
constexpr char kBounds[] = "CAPTURE_Bounds";
constexpr char kPlay[] = "CAPTURE_Play";
constexpr char kProgram[] = "CAPTURE_Program";
constexpr char kProgramList[] = "CAPTURE_ProgramList";
constexpr char kDialog[] = "CAPTURE_Dialog";
constexpr char kOption[] = "CAPTURE_Option";
constexpr char kOpenHistory[] = "CAPTURE_OpenHistory";

SettingsPathHook& Hook() {
  static SettingsPathHook hook;
  return hook;
}

QString S(const char* text) {
  return QString::fromLatin1(text);
}

QStringList ReadLines(TMyIniFile& ini, const char* section) {
  TMyWStrings lines;
  ini.ReadSectionLines(S(section), lines);
  QStringList out;
  for (int i = 0; i < lines.Count(); ++i) out.append(lines.Get(i));
  return out;
}

void WriteLines(TMyIniFile& ini, const char* section, const QStringList& items) {
  TMyWStrings lines;
  for (const QString& item : items) lines.Add(item);
  ini.WriteSectionLines(S(section), lines);
}

// A check state: the action's current state is the default.
void ReadCheck(TMyIniFile& ini, const char* section, const char* key, QAction* action) {
  action->setChecked(ini.ReadBool(S(section), S(key), action->isChecked()));
}

void WriteCheck(TMyIniFile& ini, const char* section, const char* key, const QAction* action) {
  ini.WriteBool(S(section), S(key), action->isChecked());
}

}  // namespace

std::unique_ptr<TMyIniFile> OpenSettingsFile() {
  if (Hook()) return std::make_unique<TMyIniFile>(Hook()(), uint8_t{0});
  return std::make_unique<TMyIniFile>();
}

SettingsPathHook SetSettingsPathHook(SettingsPathHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

// The steps run in this order; the view options are applied only after all
// three are read, and the history comes last because adding to it may drop
// entries.
void LoadWindowSettings(TMyIniFile& ini, TApp_TOOLBmpCaptureEx& window, bool keepBounds) {
  if (!keepBounds) LoadBounds(ini, S(kBounds), window);
  ReadCheck(ini, kPlay, "Mute", window.Action(ActionId::PlayMute));
  ReadCheck(ini, kProgram, "Foreground", window.Action(ActionId::ProgramForeground));

  window.Launcher().Programs().Assign(ReadLines(ini, kProgramList));
  window.Launcher().RebuildProgramMenus();

  window.Dialog_Open.initialDir =
      ini.ReadString(S(kDialog), QStringLiteral("OpenPath"), window.Dialog_Open.initialDir);
  window.Dialog_SaveAs.initialDir =
      ini.ReadString(S(kDialog), QStringLiteral("SavePath"), window.Dialog_SaveAs.initialDir);
  window.Launcher().Dialog_Program.initialDir = ini.ReadString(
      S(kDialog), QStringLiteral("SelProgramPath"), window.Launcher().Dialog_Program.initialDir);
  window.Dialog_Open.filterIndex = ini.ReadInteger(S(kDialog), QStringLiteral("OpenFilterIndex"),
                                                   window.Dialog_Open.filterIndex);
  window.Dialog_SaveAs.filterIndex = ini.ReadInteger(S(kDialog), QStringLiteral("SaveFilterIndex"),
                                                     window.Dialog_SaveAs.filterIndex);

  ReadCheck(ini, kOption, "TimeVerbose", window.Action(ActionId::ShowTimeVerbose));
  ReadCheck(ini, kOption, "ToolBar", window.Action(ActionId::ShowToolBar));
  ReadCheck(ini, kOption, "StatusBar", window.Action(ActionId::ShowStatusBar));
  ReadCheck(ini, kOption, "HintPopup", window.Action(ActionId::ShowHintPopup));
  window.Action_ShowToolBarExecute(nullptr);
  window.Action_ShowStatusBarExecute(nullptr);
  window.Action_ShowHintPopupExecute(nullptr);
  ReadCheck(ini, kOption, "SampleGrabber", window.Action(ActionId::CaptureSampleGrabber));

  if (ini.SectionExists(S(kOpenHistory)))
    window.Launcher().SetHistory(HistoryFromLines(ReadLines(ini, kOpenHistory)));
}

// Every section written moves to the end of the file, so the order here is the
// order of the sections in the file.
void SaveWindowSettings(TMyIniFile& ini, TApp_TOOLBmpCaptureEx& window, bool keepBounds) {
  if (!keepBounds) WriteBounds(ini, S(kBounds), window);
  WriteCheck(ini, kPlay, "Mute", window.Action(ActionId::PlayMute));
  WriteCheck(ini, kProgram, "Foreground", window.Action(ActionId::ProgramForeground));
  WriteLines(ini, kProgramList, window.Launcher().Programs().Paths());

  ini.WriteString(S(kDialog), QStringLiteral("OpenPath"), window.Dialog_Open.initialDir);
  ini.WriteString(S(kDialog), QStringLiteral("SavePath"), window.Dialog_SaveAs.initialDir);
  ini.WriteString(S(kDialog), QStringLiteral("SelProgramPath"),
                  window.Launcher().Dialog_Program.initialDir);
  ini.WriteInteger(S(kDialog), QStringLiteral("OpenFilterIndex"), window.Dialog_Open.filterIndex);
  ini.WriteInteger(S(kDialog), QStringLiteral("SaveFilterIndex"), window.Dialog_SaveAs.filterIndex);

  WriteCheck(ini, kOption, "TimeVerbose", window.Action(ActionId::ShowTimeVerbose));
  WriteCheck(ini, kOption, "ToolBar", window.Action(ActionId::ShowToolBar));
  WriteCheck(ini, kOption, "StatusBar", window.Action(ActionId::ShowStatusBar));
  WriteCheck(ini, kOption, "HintPopup", window.Action(ActionId::ShowHintPopup));
  WriteCheck(ini, kOption, "SampleGrabber", window.Action(ActionId::CaptureSampleGrabber));

  WriteLines(ini, kOpenHistory, window.Launcher().History());
}

}  // namespace frivo
