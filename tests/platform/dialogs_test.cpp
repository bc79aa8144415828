// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include "platform/desktop.h"

namespace frivo {
namespace {

TEST(QtNameFilters, WindowsFiltersBecomeQtFilters) {
  EXPECT_EQ(
      QtNameFilters(QStringLiteral("BMP (*.bmp)|*.bmp|GIF (*.gif)|*.gif|JPEG (*.jpg;*.jpeg)|"
                                   "*.jpg;*.jpeg|すべてのファイル (*.*)|*.*")),
      (QStringList{QStringLiteral("BMP (*.bmp)"), QStringLiteral("GIF (*.gif)"),
                   QStringLiteral("JPEG (*.jpg *.jpeg)"), QStringLiteral("すべてのファイル (*)")}));
  // A description without its own pattern text, and a dangling description.
  EXPECT_EQ(QtNameFilters(QStringLiteral("ビデオ|*.avi;*.mp4|余り")),
            QStringList{QStringLiteral("ビデオ (*.avi *.mp4)")});
  EXPECT_TRUE(QtNameFilters(QString()).isEmpty());
}

TEST(MessageBoxes, HooksSeeTheTextAndAnswerQuestions) {
  QStringList seen;
  const MessageBoxHook previous =
      SetMessageBoxHook([&](const QString& caption, const QString& text, bool question) {
        seen.append(caption + u'|' + text + (question ? u'?' : u'.'));
        return text.startsWith(u'y');
      });
  ShowMessage(nullptr, QStringLiteral("Frivo"), QStringLiteral("a\rb"));
  EXPECT_TRUE(AskYesNo(nullptr, QStringLiteral("Frivo"), QStringLiteral("yes?")));
  EXPECT_FALSE(AskYesNo(nullptr, QStringLiteral("Frivo"), QStringLiteral("no?")));
  SetMessageBoxHook(previous);
  EXPECT_EQ(seen, (QStringList{QStringLiteral("Frivo|a\rb."), QStringLiteral("Frivo|yes??"),
                               QStringLiteral("Frivo|no??")}));
  EXPECT_EQ(MessageText(QStringLiteral("a\rb\r\nc")), QStringLiteral("a\nb\nc"));
}

TEST(Desktop, FolderPathsEndWithOneSlash) {
  EXPECT_EQ(WithTrailingSlash(QStringLiteral("/home/me/Videos")),
            QStringLiteral("/home/me/Videos/"));
  EXPECT_EQ(WithTrailingSlash(QStringLiteral("/home/me/Videos//")),
            QStringLiteral("/home/me/Videos/"));
  EXPECT_EQ(WithTrailingSlash(QStringLiteral("/")), QStringLiteral("/"));
  EXPECT_EQ(WithTrailingSlash(QString()), QString());
  EXPECT_EQ(ProgramFilesFolder(), QStringLiteral("/usr/bin/"));
  const QString pictures = PicturesFolder();
  EXPECT_TRUE(pictures.isEmpty() || pictures.endsWith(u'/'));
}

TEST(Desktop, ModifierHookOverridesTheKeyboard) {
  const ModifierHook previous = SetModifierHook([] { return ModifierState{true, false}; });
  EXPECT_TRUE(IsShiftDown());
  EXPECT_FALSE(IsCtrlDown());
  SetModifierHook(previous);
}

}  // namespace
}  // namespace frivo
