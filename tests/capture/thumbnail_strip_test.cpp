// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "capture/thumbnail_strip.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

namespace frivo {
namespace {

class ThumbnailStripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    strip_.resize(22 + 5 * 86 + 22, kStripHeight);
    QObject::connect(&strip_, &TThumbnailStrip::ThumbnailClicked,
                     [this](QWidget* sender) { clicks_.push_back(sender->objectName()); });
    QObject::connect(&strip_, &TThumbnailStrip::ImageDoubleClicked,
                     [this](TThumbnailImage* image) { doubles_.push_back(image->objectName()); });
    strip_.show();
  }
  // A left-button event at `at` in `widget`, delivered the way Qt delivers it.
  static void Mouse(QWidget* widget, QEvent::Type type, QPoint at = {5, 5}) {
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
  }
  static void Click(QWidget* widget) {
    Mouse(widget, QEvent::MouseButtonPress);
    Mouse(widget, QEvent::MouseButtonRelease);
  }

  QAction back_{QStringLiteral("back")};
  QAction next_{QStringLiteral("next")};
  TThumbnailStrip strip_{&back_, &next_};
  std::vector<QString> clicks_;
  std::vector<QString> doubles_;
};

TEST_F(ThumbnailStripTest, ButtonsAndThumbnailsCarryTheirNamesAndPlaces) {
  auto* backButton = strip_.findChild<QToolButton*>(QStringLiteral("Button_Capture_Back"));
  auto* nextButton = strip_.findChild<QToolButton*>(QStringLiteral("Button_Capture_Next"));
  ASSERT_TRUE(backButton && nextButton);
  EXPECT_EQ(backButton->parentWidget()->objectName(), QStringLiteral("Panel_FBack"));
  EXPECT_EQ(nextButton->parentWidget()->objectName(), QStringLiteral("Panel_FNext"));
  EXPECT_EQ(backButton->defaultAction(), &back_);
  EXPECT_EQ(nextButton->parentWidget()->geometry().right(), strip_.width() - 1);
  EXPECT_EQ(backButton->geometry(), backButton->parentWidget()->rect());  // fills its panel
  EXPECT_EQ(strip_.Image(4)->geometry(), QRect(3, 4, 80, 60));
  EXPECT_EQ(strip_.Label(4)->geometry(), QRect(1, 65, 84, 12));
  EXPECT_EQ(strip_.Panel(4)->geometry().left(), 22 + 4 * 86);
}

TEST_F(ThumbnailStripTest, AClickIsAPressAndAReleaseOnTheSameControl) {
  Click(strip_.Image(1));
  Click(strip_.Label(3));
  EXPECT_EQ(clicks_, (std::vector<QString>{"Image_1", "Label_3"}));
  clicks_.clear();
  // Pressed here, released off the control: no click.
  Mouse(strip_.Image(2), QEvent::MouseButtonPress);
  Mouse(strip_.Image(2), QEvent::MouseButtonRelease, {200, 5});
  EXPECT_TRUE(clicks_.empty());
  // A double click is one click and one double click.
  QWidget* image = strip_.Image(0);
  Click(image);
  Mouse(image, QEvent::MouseButtonDblClick);
  Mouse(image, QEvent::MouseButtonRelease);
  EXPECT_EQ(clicks_, std::vector<QString>{"Image_0"});
  EXPECT_EQ(doubles_, std::vector<QString>{"Image_0"});
}

TEST_F(ThumbnailStripTest, ADisabledStripIgnoresTheMouse) {
  strip_.setEnabled(false);
  Click(strip_.Image(1));
  Click(strip_.Panel(2));
  Mouse(strip_.Image(1), QEvent::MouseButtonDblClick);
  EXPECT_TRUE(clicks_.empty());
  EXPECT_TRUE(doubles_.empty());
  strip_.setEnabled(true);
  Click(strip_.Panel(2));
  EXPECT_EQ(clicks_, std::vector<QString>{"Panel_2"});
}

}  // namespace
}  // namespace frivo
