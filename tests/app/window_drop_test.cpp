// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Files dropped on the window and the open history's menu open media.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <memory>
#include <optional>

#include "app/main_window.h"
#include "app/settings.h"
#include "common/scoped_hook.h"
#include "common/temp_dir.h"
#include "common/wait.h"
#include "fixtures/fixtures.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"

namespace frivo {
namespace {

using test::WaitFor;

// The window's drop handler, reached the way the toolkit reaches it.
class DropTarget : public TApp_TOOLBmpCaptureEx {
 public:
  void Deliver(QDropEvent* event) { dropEvent(event); }
};

class WindowDropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pathHook_.emplace(&SetSettingsPathHook,
                      [this] { return dir_.File(QStringLiteral("frivo.ini")); });
    modifierHook_.emplace(&SetModifierHook, [] { return ModifierState{}; });
    messageHook_.emplace(&SetMessageBoxHook, [this](const QString&, const QString& text, bool) {
      messages_.append(text);
      return false;
    });
    window_ = std::make_unique<DropTarget>();
    window_->show();
  }
  // The window goes first: its destruction writes the settings.
  void TearDown() override { window_.reset(); }
  void Drop(const QStringList& paths, bool* accepted = nullptr) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    QDropEvent event(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // What the window's platform window hands over when files are dropped on it.
    static_cast<DropTarget*>(window_.get())->Deliver(&event);
    if (accepted) *accepted = event.isAccepted();
  }

  test::TempDir dir_;
  QStringList messages_;
  std::unique_ptr<TApp_TOOLBmpCaptureEx> window_;
  std::optional<test::ScopedHook<SettingsPathHook>> pathHook_;
  std::optional<test::ScopedHook<ModifierHook>> modifierHook_;
  std::optional<test::ScopedHook<MessageBoxHook>> messageHook_;
};

TEST_F(WindowDropTest, DroppingThreeFilesOpensTheFirst) {
  const QString first = test::FixturePath(test::kMjpegAvi);
  bool accepted = false;
  Drop({first, test::FixturePath(test::kH264Mp4), test::FixturePath(test::kVp8Webm)}, &accepted);
  EXPECT_TRUE(accepted);
  EXPECT_TRUE(window_->DropPending());
  EXPECT_FALSE(window_->acceptDrops());
  // A second drop while the first one is being opened is refused.
  bool second = true;
  Drop({test::FixturePath(test::kH264Mp4)}, &second);
  EXPECT_FALSE(second);
  ASSERT_TRUE(WaitFor([this] { return !window_->DropPending(); }));
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'|').toStdString();
  EXPECT_TRUE(window_->Playback().IsOpen());
  EXPECT_EQ(window_->Launcher().History(), QStringList{first});
  EXPECT_TRUE(window_->acceptDrops());
}

TEST_F(WindowDropTest, DroppingAFolderReportsThatTheFileDoesNotExist) {
  const QString folder = dir_.Path().chopped(1);
  Drop({folder});
  ASSERT_TRUE(WaitFor([this] { return !window_->DropPending(); }));
  EXPECT_EQ(messages_, QStringList{folder + "\rファイルが存在しません"});
  EXPECT_FALSE(window_->Playback().IsOpen());
  EXPECT_TRUE(window_->Launcher().History().isEmpty());
}

TEST_F(WindowDropTest, HistoryItemReopensItsFileAndMovesToTheTop) {
  const QString a = test::FixturePath(test::kMjpegAvi);
  const QString b = test::FixturePath(test::kH264Mp4);
  window_->OpenMedia(a);
  window_->OpenMedia(b);
  ASSERT_EQ(window_->Launcher().History(), (QStringList{b, a}));
  window_->Menu(QStringLiteral("Menu_OpenHistory"))->actions().at(1)->trigger();
  QApplication::processEvents();
  EXPECT_EQ(window_->Launcher().History(), (QStringList{a, b}));
  EXPECT_EQ(window_->Menu(QStringLiteral("Menu_OpenHistory"))->actions().at(0)->text(),
            QString::fromLatin1(test::kMjpegAvi));
}

}  // namespace
}  // namespace frivo
