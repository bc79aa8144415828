// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/version_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QProcess>
#include <QUrl>

#include "app/my_label.h"
#include "app/version_record.h"
#include "common/scoped_hook.h"
#include "common/temp_dir.h"
#include "platform/desktop.h"
#include "support/version_info.h"

namespace frivo {
namespace {

// This test program links the main window, so it carries the program's record.
QString WithRecord() {
  (void)VersionRecord();
  return QCoreApplication::applicationFilePath();
}

TEST(VersionInfo, ReadsTheRecordOrNothing) {
  const TMyFileVersionInfo info(WithRecord());
  ASSERT_TRUE(info.HasRecord());
  EXPECT_EQ(info.ProductName(), QStringLiteral("Frivo"));
  EXPECT_EQ(info.FileVersion(), QStringLiteral(FRIVO_VERSION));
  EXPECT_EQ(info.String(QStringLiteral("ProductVersion")), QStringLiteral(FRIVO_VERSION));
  EXPECT_FALSE(info.Comments().isEmpty());
  EXPECT_EQ(info.String(QStringLiteral("NoSuchName")), QString());
  for (const char* path : {"/bin/true", "/no/such/file", "/etc/hostname"}) {
    const TMyFileVersionInfo none{QString::fromLatin1(path)};
    EXPECT_FALSE(none.HasRecord()) << path;
    EXPECT_EQ(none.ProductName(), QString()) << path;
  }
}

TEST(VersionDialog, TextsComeFromTheRecordOrTheFileName) {
  const THelp_VersionInfo dialog(WithRecord());
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("バージョン情報"));
  EXPECT_EQ(dialog.VersionLabel()->Caption(), QStringLiteral("Frivo:Ver " FRIVO_VERSION));
  EXPECT_EQ(dialog.DescriptionLabel()->Caption(), TMyFileVersionInfo(WithRecord()).Comments());
  const THelp_VersionInfo bare(QStringLiteral("/bin/true"));
  EXPECT_EQ(bare.VersionLabel()->Caption(), QStringLiteral("true:Ver "));
  EXPECT_EQ(bare.DescriptionLabel()->Caption(), QString());
}

TEST(VersionDialog, LinkAndMemoChangeTheSize) {
  THelp_VersionInfo dialog(WithRecord());
  const QSize bare = dialog.ClientSize();
  EXPECT_EQ(bare.width(), 400);
  dialog.SetLink(QStringLiteral("https://example.org/help"));
  const int line = dialog.LinkLabel()->height();
  EXPECT_GT(line, 0);
  EXPECT_EQ(dialog.ClientSize(), QSize(400, bare.height() + line));
  EXPECT_TRUE(dialog.LinkLabel()->isVisibleTo(&dialog));
  // A long link widens the dialog so it fits with the same margin on both sides.
  const QString longUrl = QStringLiteral("https://example.org/") + QString(200, QLatin1Char('x'));
  dialog.SetLink(longUrl);
  EXPECT_EQ(dialog.ClientSize().width(), dialog.LinkLabel()->width() + 16);
  EXPECT_EQ(dialog.ClientSize().height(), bare.height() + line);
  dialog.SetLink(QString());
  EXPECT_EQ(dialog.ClientSize().height(), bare.height());
  EXPECT_FALSE(dialog.LinkLabel()->isVisibleTo(&dialog));
  // A memo adds its 80 pixels; an empty one takes them away again.
  dialog.SetMemo(QStringLiteral("  note  "));
  EXPECT_EQ(dialog.ClientSize().height(), bare.height() + 80);
  dialog.SetMemo(QString());
  EXPECT_EQ(dialog.ClientSize().height(), bare.height());
  // The window takes that size when it shows, and keeps it as its minimum.
  dialog.show();
  QApplication::processEvents();
  EXPECT_EQ(dialog.size(), dialog.ClientSize());
  EXPECT_EQ(dialog.minimumSize(), dialog.ClientSize());
}

// The URL a left click on the dialog's link hands to the desktop, as the
// desktop's URL handler would receive it; empty when nothing was opened.
QUrl ClickLink(THelp_VersionInfo& dialog, Qt::MouseButton button = Qt::LeftButton,
               QPointF at = QPointF(2, 2)) {
  QUrl opened;
  const test::ScopedHook<OpenUrlHook> hook(&SetOpenUrlHook, [&](const QUrl& url) {
    opened = url;
    return true;
  });
  QMouseEvent release(QEvent::MouseButtonRelease, at, at, button, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(dialog.LinkLabel(), &release);
  return opened;
}

TEST(VersionDialog, OnlyALeftClickOnTheLinkOpensIt) {
  THelp_VersionInfo dialog(WithRecord());
  const QString url = QStringLiteral("https://example.org/help");
  dialog.SetLink(url);
  EXPECT_TRUE(ClickLink(dialog, Qt::RightButton).isEmpty());
  EXPECT_TRUE(ClickLink(dialog, Qt::LeftButton, QPointF(-5, 2)).isEmpty()) << "released off it";
  EXPECT_EQ(ClickLink(dialog), QUrl(url));
}

TEST(VersionDialog, PartsFollowAResize) {
  THelp_VersionInfo dialog(WithRecord());
  dialog.SetLink(QStringLiteral("https://example.org/help"));
  dialog.SetMemo(QStringLiteral("memo"));
  dialog.show();
  QApplication::processEvents();
  const QSize designed = dialog.size();
  auto* pnlVer = dialog.findChild<QWidget*>(QStringLiteral("pnlVer"));
  auto* pnlMemo = dialog.findChild<QWidget*>(QStringLiteral("pnlMemo"));
  auto* edtMemo = dialog.findChild<QWidget*>(QStringLiteral("edtMemo"));
  auto* pnlCmd = dialog.findChild<QWidget*>(QStringLiteral("pnlCmd"));
  auto* btnClose = dialog.findChild<QWidget*>(QStringLiteral("btnClose"));
  ASSERT_TRUE(pnlVer && pnlMemo && edtMemo && pnlCmd && btnClose);
  const int cmdHeight = pnlCmd->height();
  const QPoint linkAt = dialog.LinkLabel()->pos();
  const int buttonGap = cmdHeight - btnClose->geometry().bottom();

  for (const QSize size : {designed + QSize(230, 140), designed + QSize(1, 1), designed}) {
    SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
    dialog.resize(size);
    QApplication::processEvents();
    ASSERT_EQ(dialog.size(), size);
    EXPECT_EQ(dialog.ClientSize(), size);
    EXPECT_EQ(pnlVer->geometry(), QRect(0, 0, size.width(), 40));
    // The command panel keeps its height at the bottom; the memo takes the rest.
    EXPECT_EQ(pnlCmd->geometry(), QRect(0, size.height() - cmdHeight, size.width(), cmdHeight));
    EXPECT_EQ(pnlMemo->geometry(), QRect(0, 40, size.width(), size.height() - 40 - cmdHeight));
    EXPECT_EQ(edtMemo->width(), size.width());
    EXPECT_EQ(edtMemo->height(), pnlMemo->height() - 2);
    // The link stays at the left, OK stays centred at the bottom.
    EXPECT_EQ(dialog.LinkLabel()->pos(), linkAt);
    EXPECT_EQ(btnClose->size(), QSize(88, 21));
    EXPECT_EQ(btnClose->x(), (size.width() - 88) / 2);
    EXPECT_EQ(cmdHeight - btnClose->geometry().bottom(), buttonGap);
  }
  // A text set after a resize changes the size the user gave, not the designed one.
  dialog.resize(designed + QSize(100, 60));
  QApplication::processEvents();
  dialog.SetMemo(QString());
  QApplication::processEvents();
  EXPECT_EQ(dialog.ClientSize(), QSize(designed.width() + 100, 40 + cmdHeight));
  EXPECT_EQ(pnlCmd->geometry().bottom() + 1, dialog.ClientSize().height());
  EXPECT_FALSE(pnlMemo->isVisible());
}

// Installs the documentation of this build into a fresh prefix, as a package does.
bool InstallDocumentation(const QString& prefix) {
  QProcess install;
  install.start(
      QStringLiteral(FRIVO_CMAKE_COMMAND),
      {QStringLiteral("--install"), QStringLiteral(FRIVO_BUILD_DIR), QStringLiteral("--component"),
       QStringLiteral("doc"), QStringLiteral("--prefix"), prefix});
  return install.waitForFinished(120000) && install.exitStatus() == QProcess::NormalExit &&
         install.exitCode() == 0;
}

TEST(HelpPage, TheInstalledPageOpensThroughTheDesktop) {
  test::TempDir prefix;
  ASSERT_TRUE(InstallDocumentation(prefix.Path()));
  const QString programFolder = prefix.File(QStringLiteral("bin"));
  THelp_VersionInfo dialog(WithRecord());
  dialog.SetLink(HelpPageUrlFor(programFolder));
  const QUrl opened = ClickLink(dialog);
  ASSERT_TRUE(opened.isLocalFile()) << opened.toString().toStdString();
  const QString page = opened.toLocalFile();
  EXPECT_TRUE(page.startsWith(QDir(prefix.Path()).canonicalPath() + QLatin1Char('/')) ||
              page.startsWith(prefix.Path()))
      << page.toStdString();
  EXPECT_TRUE(page.endsWith(QStringLiteral(".html"))) << "a page the desktop gives a browser";
  ASSERT_TRUE(QFileInfo(page).isFile());
  // The page a user needs: Japanese, with the commands, keys and command line.
  const QString text = QString::fromUtf8(test::ReadAll(page));
  for (const char* needed : {"lang=\"ja\"", "charset=\"utf-8\"", "ビデオ映像をキャプチャ",
                             "Page Up", "/T:", "/S:", "frivo-grab"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(needed))) << needed;
}

TEST(HelpPage, WithoutAnInstalledPageTheCopyBesideTheProgramOrNothing) {
  // The build puts a copy beside the program.
  const QString builtPage = QStringLiteral(FRIVO_PROGRAM_DIR "/help.html");
  ASSERT_TRUE(QFileInfo(builtPage).isFile());
  EXPECT_EQ(HelpPageUrlFor(QStringLiteral(FRIVO_PROGRAM_DIR)),
            QUrl::fromLocalFile(builtPage).toString());

  // The installed page wins over a copy beside the program.
  test::TempDir prefix;
  ASSERT_TRUE(InstallDocumentation(prefix.Path()));
  const QString bin = prefix.File(QStringLiteral("bin"));
  ASSERT_TRUE(QDir().mkpath(bin));
  ASSERT_TRUE(test::WriteAll(bin + QStringLiteral("/help.html"), "<html></html>"));
  EXPECT_TRUE(HelpPageUrlFor(bin).contains(QStringLiteral("/share/doc/frivo/help.html")));
  ASSERT_TRUE(QDir(prefix.File(QStringLiteral("share"))).removeRecursively());
  EXPECT_EQ(HelpPageUrlFor(bin),
            QUrl::fromLocalFile(QDir(bin).filePath(QStringLiteral("help.html"))).toString());

  // With neither there is no link at all, never a path of the machine the
  // program was built on; the dialog then shows no link line.
  test::TempDir empty;
  EXPECT_EQ(HelpPageUrlFor(empty.Path()), QString());
  EXPECT_EQ(HelpPageUrlFor(QString()), QString());
  THelp_VersionInfo dialog(WithRecord());
  dialog.SetLink(HelpPageUrlFor(empty.Path()));
  EXPECT_FALSE(dialog.LinkLabel()->isVisibleTo(&dialog));
}

TEST(MyLabel, MeasuresWithMarginsAndBorder) {
  TMyLabel plain;
  plain.SetCaption(QStringLiteral("バージョン"));
  TMyLabel framed;
  framed.SetCaption(plain.Caption());
  framed.SetMargins(4, 2, 4, 2);
  framed.SetBorder(TMyLabel::BorderStyle::kSingle);
  EXPECT_EQ(framed.MeasureText(), plain.MeasureText() + QSize(10, 6));
  // An empty caption still measures one line.
  TMyLabel empty;
  const int lineHeight = QFontMetrics(empty.font()).height();
  EXPECT_EQ(empty.MeasureText().height(), lineHeight);
  EXPECT_GT(empty.MeasureText().width(), 0);
  // Characters outside CP932 are kept as they are.
  const QString outside = QStringLiteral("😀 Ελληνικά ♪ 한국어");
  plain.SetCaption(outside);
  EXPECT_EQ(plain.Caption(), outside);
  // A literal "&" takes room when accelerators are off.
  TMyLabel amp;
  amp.SetShowAccelChar(false);
  amp.SetCaption(QStringLiteral("A&B"));
  TMyLabel noAmp;
  noAmp.SetShowAccelChar(false);
  noAmp.SetCaption(QStringLiteral("AB"));
  EXPECT_GT(amp.MeasureText().width(), noAmp.MeasureText().width());
  // ... and only the room of one: as "A&&B" shown with accelerators, i.e. "A&B".
  TMyLabel accel;
  accel.SetCaption(QStringLiteral("A&&B"));
  EXPECT_EQ(amp.MeasureText(), accel.MeasureText());
}

TEST(MyLabel, LooksFollowTheProperties) {
  auto render = [](TMyLabel& label) {
    label.resize(120, 24);
    return label.grab().toImage();
  };
  TMyLabel label;
  label.SetCaption(QStringLiteral("Frivo 動画"));
  const QImage enabled = render(label);
  label.setEnabled(false);
  const QImage engraved = render(label);
  label.SetDisabledStyle(false);
  const QImage flat = render(label);
  EXPECT_NE(engraved, enabled);
  EXPECT_EQ(flat, enabled);
  label.setEnabled(true);
  label.SetShadow(true);
  EXPECT_NE(render(label), enabled);
  label.SetShadow(false);
  label.SetBorder(TMyLabel::BorderStyle::kSingle);
  const QImage bordered = render(label);
  EXPECT_EQ(bordered.pixelColor(0, 0).rgb(), label.palette().color(QPalette::Dark).rgb());
  EXPECT_EQ(ShadowColor(QColor(10, 100, 200)), QColor(0, 68, 168));
}

}  // namespace
}  // namespace frivo
