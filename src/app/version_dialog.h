// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QDialog>
#include <QSize>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace frivo {

class TMyLabel;

// The version dialog: the program's icon, "<name>:Ver <version>", its one-line
// description, a link to the help page and OK. The texts come from the version
// record of `executablePath`.
class THelp_VersionInfo : public QDialog {
  Q_OBJECT

 public:
  explicit THelp_VersionInfo(const QString& executablePath, QWidget* parent = nullptr);

  // The memo shows the text trimmed; an empty memo is hidden and the dialog
  // shrinks by its height.
  void SetMemo(const QString& text);
  // The link line; an empty link is hidden and the dialog shrinks by its height,
  // a long one widens the dialog so it fits with equal margins.
  void SetLink(const QString& url);

  [[nodiscard]] TMyLabel* VersionLabel() const { return lblHelp_Ver_; }
  [[nodiscard]] TMyLabel* DescriptionLabel() const { return lblHelp_Description_; }
  [[nodiscard]] TMyLabel* LinkLabel() const { return lblURL_; }
  // The client size: the one the texts asked for, or the user's since a resize.
  [[nodiscard]] QSize ClientSize() const { return client_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Takes the client size the texts need, then lays the parts out in it.
  void ApplyClientSize();
  // The version line on top, the command panel at the bottom with the link at its
  // left and OK centred on it, and the memo filling what is left between them.
  void LayOut(QSize client);

  QWidget* pnlVer_ = nullptr;
  QWidget* pnlMemo_ = nullptr;
  QWidget* pnlCmd_ = nullptr;
  QLabel* imgIcon_ = nullptr;
  TMyLabel* lblHelp_Ver_ = nullptr;
  TMyLabel* lblHelp_Description_ = nullptr;
  QPlainTextEdit* edtMemo_ = nullptr;
  TMyLabel* lblURL_ = nullptr;
  QPushButton* btnClose_ = nullptr;
  QSize client_{400, 170};
  int cmdHeight_ = 50;
  bool memoVisible_ = true;
  bool linkVisible_ = true;
  bool shown_ = false;
};

// The help page of a program in `programFolder`, as a file: URL: the one
// installed with it, else the copy beside it in the build tree. Empty when there
// is neither; the dialog then shows no link.
[[nodiscard]] QString HelpPageUrlFor(const QString& programFolder);
// The help page of this program.
[[nodiscard]] QString HelpPageUrl();

}  // namespace frivo
