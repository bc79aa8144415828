// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/version_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QUrl>
#include <algorithm>

#include "app/app_icon.h"
#include "app/my_label.h"
#include "platform/desktop.h"
#include "support/version_info.h"

namespace frivo {

namespace {

constexpr int kVerHeight = 40;
constexpr int kMemoHeight = 80;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 21;
constexpr int kLinkLeft = 8;
constexpr int kButtonBottomGap = 8;
constexpr char kHelpPageName[] = "help.html";

TMyLabel* NewLabel(const char* name, QWidget* parent, int x, int y) {
  auto* label = new TMyLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->SetSingleLine(true);
  label->SetShowAccelChar(false);
  label->move(x, y);
  return label;
}

}  // namespace

QString HelpPageUrlFor(const QString& programFolder) {
  if (programFolder.isEmpty()) return {};
  const QDir folder(programFolder);
  const QString name = QString::fromLatin1(kHelpPageName);
  // Installed: the documentation folder, found from the program's own folder.
  // Build tree: the copy the build puts beside the program.
  for (const QString& candidate :
       {folder.absoluteFilePath(QStringLiteral(FRIVO_HELP_FROM_BINDIR "/") + name),
        folder.absoluteFilePath(name)}) {
    const QFileInfo page(QDir::cleanPath(candidate));
    if (page.isFile()) return QUrl::fromLocalFile(page.absoluteFilePath()).toString();
  }
  return {};
}

QString HelpPageUrl() {
  return HelpPageUrlFor(QCoreApplication::applicationDirPath());
}

THelp_VersionInfo::THelp_VersionInfo(const QString& executablePath, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("Help_VersionInfo"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::CustomizeWindowHint);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(QStringLiteral("バージョン情報"));
  setWindowIcon(AppIcon());

  pnlVer_ = new QWidget(this);
  pnlVer_->setObjectName(QStringLiteral("pnlVer"));
  imgIcon_ = new QLabel(pnlVer_);
  imgIcon_->setObjectName(QStringLiteral("imgIcon"));
  imgIcon_->setGeometry(4, 4, 32, 32);
  imgIcon_->setPixmap(AppIcon().pixmap(32, 32));
  lblHelp_Ver_ = NewLabel("lblHelp_Ver", pnlVer_, 40, 6);
  lblHelp_Description_ = NewLabel("lblHelp_Description", pnlVer_, 40, 22);

  pnlMemo_ = new QWidget(this);
  pnlMemo_->setObjectName(QStringLiteral("pnlMemo"));
  edtMemo_ = new QPlainTextEdit(pnlMemo_);
  edtMemo_->setObjectName(QStringLiteral("edtMemo"));
  edtMemo_->setReadOnly(true);
  edtMemo_->setFrameShape(QFrame::NoFrame);
  edtMemo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  pnlCmd_ = new QWidget(this);
  pnlCmd_->setObjectName(QStringLiteral("pnlCmd"));
  lblURL_ = NewLabel("lblURL", pnlCmd_, kLinkLeft, 4);
  lblURL_->setCursor(Qt::PointingHandCursor);
  lblURL_->installEventFilter(this);
  btnClose_ = new QPushButton(QStringLiteral("OK"), pnlCmd_);
  btnClose_->setObjectName(QStringLiteral("btnClose"));
  btnClose_->setDefault(true);
  connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);

  const TMyFileVersionInfo info(executablePath);
  QString title = info.ProductName();
  if (title.isEmpty()) title = QFileInfo(executablePath).completeBaseName();
  if (title.isEmpty()) title = QCoreApplication::applicationName();
  lblHelp_Ver_->SetCaption(title + QStringLiteral(":Ver ") + info.FileVersion());
  lblHelp_Ver_->AdjustToText();
  lblHelp_Description_->SetCaption(info.Comments());
  lblHelp_Description_->AdjustToText();
  lblURL_->AdjustToText();

  SetMemo(QString());
  SetLink(QString());
  if (parent && (parent->window()->windowFlags() & Qt::WindowStaysOnTopHint))
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void THelp_VersionInfo::SetMemo(const QString& text) {
  const QString trimmed = text.trimmed();
  edtMemo_->setPlainText(trimmed);
  if (!trimmed.isEmpty()) {
    client_.setHeight(kVerHeight + cmdHeight_ + kMemoHeight);
    memoVisible_ = true;
  } else {
    // The memo gives back the height it has now, which a resize may have changed.
    if (memoVisible_) client_.setHeight(kVerHeight + cmdHeight_);
    memoVisible_ = false;
  }
  ApplyClientSize();
}

void THelp_VersionInfo::SetLink(const QString& url) {
  lblURL_->SetCaption(url);
  lblURL_->AdjustToText();
  const int lineHeight = lblURL_->height();
  if (!url.isEmpty()) {
    client_.setWidth(std::max(client_.width(), lblURL_->width() + 2 * kLinkLeft));
    if (!linkVisible_) {
      client_.setHeight(client_.height() + lineHeight);
      cmdHeight_ += lineHeight;
    }
    linkVisible_ = true;
  } else {
    if (linkVisible_) {
      client_.setHeight(client_.height() - lineHeight);
      cmdHeight_ -= lineHeight;
    }
    linkVisible_ = false;
  }
  ApplyClientSize();
}

void THelp_VersionInfo::ApplyClientSize() {
  pnlMemo_->setVisible(memoVisible_);
  lblURL_->setVisible(linkVisible_);
  // Before the first show the texts decide the size alone; the size they had
  // then is the smallest the user can make it, unless a later text needs less.
  setMinimumSize(shown_ ? minimumSize().boundedTo(client_) : QSize(0, 0));
  resize(client_);
  LayOut(client_);
}

void THelp_VersionInfo::LayOut(QSize client) {
  const int width = client.width();
  const int height = client.height();
  pnlVer_->setGeometry(0, 0, width, kVerHeight);
  pnlCmd_->setGeometry(0, height - cmdHeight_, width, cmdHeight_);
  const int memoHeight = std::max(0, height - kVerHeight - cmdHeight_);
  pnlMemo_->setGeometry(0, kVerHeight, width, memoHeight);
  // One-pixel lines above and below the memo.
  edtMemo_->setGeometry(0, 1, width, std::max(0, memoHeight - 2));
  btnClose_->setGeometry((width - kButtonWidth) / 2, cmdHeight_ - kButtonHeight - kButtonBottomGap,
                         kButtonWidth, kButtonHeight);
}

void THelp_VersionInfo::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  client_ = event->size();
  LayOut(client_);
}

void THelp_VersionInfo::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) {
    shown_ = true;
    setMinimumSize(size());
  }
}

bool THelp_VersionInfo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblURL_) {
    QFont font = lblURL_->font();
    switch (event->type()) {
      case QEvent::Enter:
        font.setUnderline(true);
        lblURL_->setFont(font);
        break;
      case QEvent::Leave:
        font.setUnderline(false);
        lblURL_->setFont(font);
        break;
      case QEvent::MouseButtonRelease: {
        // A click: the left button, released over the link.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton ||
            !lblURL_->rect().contains(mouse->position().toPoint()))
          break;
        // A failure to open is not reported.
        (void)OpenUrl(QUrl(lblURL_->Caption()));
        return true;
      }
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace frivo
