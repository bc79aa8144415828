// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <QWidget>

namespace frivo {

// The program's text label: any Unicode caption, inner margins, an optional
// one-pixel border, an optional drop shadow, end ellipsis, single-line mode and
// an engraved look when disabled, all drawn by its own paint code.
class TMyLabel : public QWidget {
  Q_OBJECT

 public:
  enum class BorderStyle { kNone, kSingle };

  explicit TMyLabel(QWidget* parent = nullptr);

  [[nodiscard]] QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  [[nodiscard]] BorderStyle Border() const { return border_; }
  void SetBorder(BorderStyle border);
  [[nodiscard]] bool DisabledStyle() const { return disabledStyle_; }
  void SetDisabledStyle(bool engraved);
  [[nodiscard]] bool EndEllipsis() const { return endEllipsis_; }
  void SetEndEllipsis(bool on);
  [[nodiscard]] bool SingleLine() const { return singleLine_; }
  void SetSingleLine(bool on);
  [[nodiscard]] bool Shadow() const { return shadow_; }
  void SetShadow(bool on);
  void SetMargins(int left, int top, int right, int bottom);
  [[nodiscard]] QMargins TextMargins() const { return margins_; }
  // Whether "&" marks an accelerator letter (shown underlined) or stands for itself.
  void SetShowAccelChar(bool on);

  // The size the caption needs, margins and border included; `width` limits the
  // line length when the label wraps (0: no limit).
  [[nodiscard]] QSize MeasureText(int width = 0) const;
  [[nodiscard]] QSize sizeHint() const override;
  // Sizes the label to its caption (like an auto-size label).
  void AdjustToText();

 Q_SIGNALS:
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  [[nodiscard]] int TextFlags() const;
  [[nodiscard]] QString ShownText() const;

  QString caption_;
  BorderStyle border_ = BorderStyle::kNone;
  bool disabledStyle_ = true;
  bool endEllipsis_ = false;
  bool singleLine_ = false;
  bool shadow_ = false;
  bool showAccelChar_ = true;
  QMargins margins_;
};

// The shadow colour: the text colour with red, green and blue each 32 darker.
[[nodiscard]] QColor ShadowColor(const QColor& text);

}  // namespace frivo
