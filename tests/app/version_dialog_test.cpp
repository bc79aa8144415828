// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/version_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>

#include "app/my_label.h"
#include "app/version_record.h"
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

TEST(VersionDialog, ClickingTheLinkOpensIt) {
  THelp_VersionInfo dialog(WithRecord());
  const QString url = HelpPageUrl();
  EXPECT_TRUE(url.startsWith(QStringLiteral("file:///"))) << url.toStdString();
  EXPECT_TRUE(url.endsWith(QStringLiteral("README.md")));
  dialog.SetLink(url);
  QString opened;
  THelp_VersionInfo::SetOpenUrlHook([&](const QString& link) {
    opened = link;
    return true;
  });
  // Other buttons, and a release off the link, open nothing.
  QMouseEvent right(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::RightButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(dialog.LinkLabel(), &right);
  QMouseEvent outside(QEvent::MouseButtonRelease, QPointF(-5, 2), QPointF(-5, 2), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(dialog.LinkLabel(), &outside);
  EXPECT_TRUE(opened.isEmpty());
  QMouseEvent click(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(dialog.LinkLabel(), &click);
  THelp_VersionInfo::SetOpenUrlHook(nullptr);
  EXPECT_EQ(opened, url);
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
