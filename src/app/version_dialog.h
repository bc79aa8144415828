// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QDialog>
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
  // The client size as the dialog lays it out.
  [[nodiscard]] QSize ClientSize() const { return client_; }

  // Opens a link; tests replace it.
  static void SetOpenUrlHook(std::function<bool(const QString&)> hook);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Relayout();

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

// The help page: the README installed beside the program, else the one of the
// source tree it was built from.
[[nodiscard]] QString HelpPageUrl();

}  // namespace frivo
