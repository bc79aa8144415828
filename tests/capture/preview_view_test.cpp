// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "capture/preview_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWheelEvent>
#include <vector>

#include "platform/desktop.h"

namespace frivo {
namespace {

// Records every AlwaysFitChanged of a view.
struct FitRecorder {
  explicit FitRecorder(TPreviewView* view) {
    QObject::connect(view, &TPreviewView::AlwaysFitChanged,
                     [this](bool fit) { seen.push_back(fit); });
  }
  std::vector<bool> seen;
};

// ---- Geometry ----------------------------------------------------------------------

TEST(PreviewGeometry, FitSizeKeepsProportionsAndTruncates) {
  struct Case {
    QSize picture;
    int boxW, boxH;
    QSize expected;
  };
  const Case cases[] = {
      {{640, 480}, 320, 240, {320, 240}},  // same proportions
      {{640, 360}, 300, 300, {300, 168}},  // wide: width-bound, 168.75 truncated
      {{360, 640}, 300, 300, {168, 300}},  // tall: height-bound
      {{160, 120}, 640, 480, {640, 480}},  // small pictures are scaled up
      {{640, 480}, 400, 240, {320, 240}},  // letterboxed at the sides
      {{49, 1}, 49, 10, {49, 1}},          // exact: 1/49*49 is below 1 in floating point
      {{3, 1}, 1, 1, {1, 0}},
      {{0, 480}, 320, 240, {0, 0}},  // empty pictures fit nowhere
      {{640, 0}, 320, 240, {0, 0}},
      {{640, 480}, 0, 0, {0, 0}},
      {{640, 480}, -5, 240, {0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitSize(c.picture, c.boxW, c.boxH), c.expected)
        << c.picture.width() << "x" << c.picture.height() << " in " << c.boxW << "x" << c.boxH;
  }
}

TEST(PreviewGeometry, ZoomFactorWalksTheScaleTables) {
  struct Case {
    double scale;
    int step;
    double expected;
  };
  const Case cases[] = {
      {1.0, +1, 1.1},  {1.0, -1, 0.9},  {0.37, +1, 0.5},  {0.37, -1, 0.3},
      {0.1, -1, 0.09}, {0.1, +1, 0.2},  {0.05, -1, 0.04}, {0.05, +1, 0.06},
      {0.9, +1, 1.0},  {0.9, -1, 0.8},  {2.0, +1, 3.0},   {2.0, -1, 1.9},
      {10, +1, 10},    {10, -1, 9},     {25, +1, 10},     {1.05, +1, 1.1},  // tie: 1.0
      {0.35, +1, 0.4}, {0.35, -1, 0.2},                                     // tie: 0.3
      {0.5, +1, 0.6},  {0, +1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(ZoomFactor(c.scale, c.step), c.expected, 1e-12)
        << "from " << c.scale << " step " << c.step;
  }
}

const QSize kVga{640, 480};
const QSize kView{320, 240};
const QRect kFitted{0, 0, 320, 240};
const QPoint kOutside{-1, -1};

TEST(PreviewGeometry, ZoomStepSizesAndLimits) {
  struct Case {
    const char* what;
    QSize picture;
    QRect image;
    int step;
    bool pixel;
    QSize expected;
  };
  const Case cases[] = {
      {"50% up", kVga, kFitted, +1, false, {384, 288}},
      {"down stays at fit", kVga, kFitted, -1, false, {320, 240}},
      {"shift up one pixel", kVga, kFitted, +1, true, {321, 241}},
      {"shift down stays at fit", kVga, kFitted, -1, true, {320, 240}},
      {"100% up", kVga, {0, 0, 640, 480}, +1, false, {704, 528}},
      {"100% down", kVga, {0, 0, 640, 480}, -1, false, {576, 432}},
      {"900% up", kVga, {0, 0, 5760, 4320}, +1, false, {6400, 4800}},
      {"1000% up capped", kVga, {0, 0, 6400, 4800}, +1, false, {6400, 4800}},
      {"1000% shift capped", kVga, {0, 0, 6400, 4800}, +1, true, {6400, 4800}},
      // A tiny picture fitted beyond ten times keeps its fitted size both ways.
      {"tiny up", {10, 10}, {0, 0, 320, 240}, +1, false, {240, 240}},
      {"tiny down", {10, 10}, {0, 0, 320, 240}, -1, false, {240, 240}},
  };
  for (const Case& c : cases) {
    const auto bounds = ZoomStepBounds(c.picture, kView, c.image, c.step, c.pixel, kOutside);
    ASSERT_TRUE(bounds) << c.what;
    EXPECT_EQ(bounds->size(), c.expected) << c.what;
  }
  EXPECT_FALSE(ZoomStepBounds({0, 0}, kView, kFitted, +1, false, kOutside));
}

TEST(PreviewGeometry, ZoomStepPlacement) {
  // Cursor outside the view: centred where the picture is smaller, else at 0.
  EXPECT_EQ(ZoomStepBounds(kVga, kView, kFitted, +1, false, kOutside), QRect(0, 0, 384, 288));
  EXPECT_EQ(ZoomStepBounds(kVga, {640, 480}, {0, 0, 640, 480}, +1, false, {700, 0}),
            QRect(0, 0, 704, 528));
  // Bounds below the fitted size (a view that grew while zoomed) come back to it.
  EXPECT_EQ(ZoomStepBounds(kVga, {640, 480}, {0, 0, 320, 240}, +1, false, kOutside),
            QRect(0, 0, 640, 480));
  EXPECT_EQ(ZoomStepBounds({100, 100}, {640, 480}, {0, 0, 640, 480}, -1, false, kOutside),
            QRect(80, 0, 480, 480));
  // Cursor at the centre of the view: the centre stays.
  EXPECT_EQ(ZoomStepBounds(kVga, kView, kFitted, +1, false, {160, 120}), QRect(-32, -24, 384, 288));
}

TEST(PreviewGeometry, ZoomKeepsThePointUnderTheCursor) {
  // Walk up to the cap and back down at an off-centre cursor; the picture point under
  // the cursor may drift by rounding only, never accumulate.
  const QPoint cursor(75, 190);
  QRect image = kFitted;
  const double fx = (cursor.x() - image.left()) / double(image.width());
  const double fy = (cursor.y() - image.top()) / double(image.height());
  for (int step : {+1, +1, +1, +1, +1, +1, +1, +1, +1, +1, +1, +1, -1, -1, -1, -1, -1}) {
    image = *ZoomStepBounds(kVga, kView, image, step, false, cursor);
    EXPECT_NEAR((cursor.x() - image.left()) / double(image.width()), fx, 2.0 / image.width());
    EXPECT_NEAR((cursor.y() - image.top()) / double(image.height()), fy, 2.0 / image.height());
  }
}

TEST(PreviewGeometry, ActualSizePlacement) {
  struct Case {
    const char* what;
    QSize picture, view;
    QRect image;
    QPoint cursor;
    QRect expected;
  };
  const Case cases[] = {
      {"from fit, cursor at the centre", kVga, kView, kFitted, {160, 120}, {-160, -120, 640, 480}},
      {"from zoomed, same point",
       kVga,
       kView,
       {-32, -24, 384, 288},
       {160, 120},
       {-160, -120, 640, 480}},
      {"small picture centred",
       {160, 120},
       {640, 480},
       {0, 0, 640, 480},
       {10, 10},
       {240, 180, 160, 120}},
      // The fitted picture starts 40 px in; its left edge stays under the cursor.
      {"letterboxed", kVga, {400, 240}, {0, 0, 400, 240}, {40, 0}, {40, 0, 640, 480}},
      {"cursor clamped into the view", kVga, kView, kFitted, {-50, 500}, {0, -240, 640, 480}},
      // Wider than the view but lower: the point under the cursor stays on both axes.
      {"mixed axes", {640, 100}, {320, 240}, {0, 0, 320, 240}, {160, 120}, {-160, 70, 640, 100}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ActualSizeBounds(c.picture, c.view, c.image, c.cursor), c.expected) << c.what;

  EXPECT_FALSE(ActualSizeBounds(kVga, kView, {0, 0, 0, 240}, {0, 0}));
  EXPECT_FALSE(ActualSizeBounds({0, 0}, kView, kFitted, {0, 0}));
  // A control too small to show a row of the picture must not divide by zero.
  const auto tiny = ActualSizeBounds(kVga, {1, 1}, {0, 0, 1, 1}, {1, 1});
  ASSERT_TRUE(tiny);
  EXPECT_EQ(tiny->size(), kVga);
}

TEST(PreviewGeometry, SnapAfterDrag) {
  struct Case {
    const char* what;
    QRect image;
    QRect expected;
  };
  const Case cases[] = {
      {"inside both ways", {-100, -50, 640, 480}, {-100, -50, 640, 480}},
      {"gap at the left and top", {30, 5, 640, 480}, {0, 0, 640, 480}},
      {"gap at the right and bottom", {-400, -300, 640, 480}, {-320, -240, 640, 480}},
      {"narrower and lower than the view", {-50, 100, 200, 100}, {60, 70, 200, 100}},
      {"narrower, taller", {7, 12, 200, 480}, {60, 0, 200, 480}},
      {"exactly the view", {0, 0, 320, 240}, {0, 0, 320, 240}},
  };
  for (const Case& c : cases) EXPECT_EQ(SnapBounds(c.image, kView), c.expected) << c.what;
}

TEST(PreviewGeometry, ZoomLabelTexts) {
  struct Case {
    bool open;
    QSize picture, image;
    const char* expected;
  };
  const Case cases[] = {
      {true, kVga, {320, 240}, "[ 50% ]"}, {true, kVga, {384, 288}, "[ 60% ]"},
      {true, kVga, {400, 240}, "[ 50% ]"}, {true, kVga, {6400, 4800}, "[ 1000% ]"},
      {true, {3, 3}, {1, 1}, "[ 33% ]"},   {true, kVga, {0, 0}, "[ 0% ]"},
      {false, kVga, {320, 240}, ""},       {true, {0, 0}, {320, 240}, ""},
      {true, {0, 480}, {320, 240}, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ZoomLabelText(c.open, c.picture, c.image), QString::fromUtf8(c.expected));
}

// ---- The widget ---------------------------------------------------------------------

QImage Filled(QSize size, QColor colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

class PreviewViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pane_.resize(320, 256);  // the view is 16 px shorter: 320 x 240
    pane_.show();
    view_ = new TPreviewView(&pane_);
    view_->Relayout();
    view_->SetCursorSource([this] { return cursor_; });
  }

  void OpenWith(const QImage& picture) {
    view_->SetMediaOpen(true);
    view_->SetPicture(picture);
  }

  QRect Bounds() const { return view_->Image()->geometry(); }
  QString Label() const { return view_->StretchLabel()->text(); }

  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QWidget* image = view_->Image();
    QMouseEvent event(type, QPointF(at), QPointF(image->mapToGlobal(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      Qt::NoModifier);
    QApplication::sendEvent(image, &event);
  }

  void Wheel(int delta, QPoint at = {160, 120}) {
    QWidget* grid = view_->Grid();
    QWheelEvent event(QPointF(at), QPointF(grid->mapToGlobal(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid, &event);
  }

  QWidget pane_;
  TPreviewView* view_ = nullptr;
  QPoint cursor_{-1, -1};
};

TEST_F(PreviewViewTest, BuildsTheNamedControlsInThePane) {
  auto* grid = pane_.findChild<QWidget*>(QStringLiteral("Grid_Bitmap"));
  auto* image = pane_.findChild<QWidget*>(QStringLiteral("Image_Bitmap"));
  auto* label = pane_.findChild<QLabel*>(QStringLiteral("Label_Stretch"));
  ASSERT_TRUE(grid && image && label);
  EXPECT_EQ(image->parentWidget(), grid);
  EXPECT_EQ(grid->geometry(), QRect(0, 0, 320, 240));
  EXPECT_EQ(label->geometry(), QRect(0, 244, 320, 12));
  EXPECT_EQ(image->geometry(), grid->rect());
  EXPECT_TRUE(view_->AlwaysFit());
  EXPECT_TRUE(label->text().isEmpty());
  EXPECT_EQ(image->toolTip(), QStringLiteral("ダブルクリックで実寸表示"));
}

TEST_F(PreviewViewTest, PictureIsAnIndependent24BitCopy) {
  QImage source = Filled(kVga, Qt::red);
  OpenWith(source);
  source.fill(Qt::blue);
  EXPECT_EQ(view_->Picture().format(), QImage::Format_BGR888);
  EXPECT_EQ(view_->Picture().size(), kVga);
  EXPECT_EQ(view_->Picture().pixelColor(5, 5), QColor(Qt::red));
}

TEST_F(PreviewViewTest, ZoomCommandsChangeModeBoundsAndLabel) {
  OpenWith(Filled(kVga, Qt::gray));
  FitRecorder fitChanges(view_);

  view_->ZoomUp(false);
  EXPECT_FALSE(view_->AlwaysFit());
  EXPECT_EQ(Bounds(), QRect(0, 0, 384, 288));
  EXPECT_EQ(Label(), QStringLiteral("[ 60% ]"));
  ASSERT_FALSE(fitChanges.seen.empty());
  EXPECT_FALSE(fitChanges.seen.back());

  view_->ZoomDown(false);
  view_->ZoomDown(false);  // the fitted size is the minimum
  EXPECT_EQ(Bounds().size(), QSize(320, 240));
  EXPECT_EQ(Label(), QStringLiteral("[ 50% ]"));

  view_->ZoomUp(true);
  EXPECT_EQ(Bounds().size(), QSize(321, 241));

  cursor_ = {160, 120};
  view_->SetAlwaysFit(true);
  view_->ZoomActualSize();
  EXPECT_EQ(Bounds(), QRect(-160, -120, 640, 480));
  EXPECT_EQ(Label(), QStringLiteral("[ 100% ]"));

  view_->SetAlwaysFit(true);
  EXPECT_EQ(Bounds(), QRect(0, 0, 320, 240));
  EXPECT_EQ(Label(), QStringLiteral("[ 50% ]"));
  EXPECT_TRUE(fitChanges.seen.back());
}

TEST_F(PreviewViewTest, ZoomIsIgnoredWithoutVideo) {
  view_->SetPicture(Filled(kVga, Qt::gray));  // media not open
  view_->ZoomUp(false);
  view_->ZoomActualSize();
  EXPECT_TRUE(view_->AlwaysFit());
  EXPECT_TRUE(Label().isEmpty());

  view_->SetMediaOpen(true);
  view_->SetPicture(QImage());  // media without video
  EXPECT_FALSE(view_->ZoomEnabled());
  view_->ZoomDown(false);
  EXPECT_TRUE(view_->AlwaysFit());
  EXPECT_EQ(Bounds(), view_->Grid()->rect());
}

TEST_F(PreviewViewTest, DoubleClickTogglesActualSizeAndFit) {
  OpenWith(Filled(kVga, Qt::gray));
  Mouse(QEvent::MouseButtonDblClick, {160, 120});
  Mouse(QEvent::MouseButtonRelease, {160, 120});
  EXPECT_FALSE(view_->AlwaysFit());
  EXPECT_EQ(Bounds(), QRect(-160, -120, 640, 480));
  EXPECT_EQ(Label(), QStringLiteral("[ 100% ]"));

  Mouse(QEvent::MouseButtonDblClick, {320, 240});
  Mouse(QEvent::MouseButtonRelease, {320, 240});
  EXPECT_TRUE(view_->AlwaysFit());
  EXPECT_EQ(Bounds(), QRect(0, 0, 320, 240));
  EXPECT_EQ(Label(), QStringLiteral("[ 50% ]"));
}

TEST_F(PreviewViewTest, WheelStepsPerNotchWithShiftForPixels) {
  OpenWith(Filled(kVga, Qt::gray));
  Wheel(120);
  EXPECT_EQ(Bounds(), QRect(-32, -24, 384, 288));  // the centre of the view stays
  Wheel(60);
  EXPECT_EQ(Bounds().width(), 384);  // half a notch: nothing yet
  Wheel(60);
  EXPECT_EQ(Bounds().width(), 448);
  Wheel(-240);
  EXPECT_EQ(Bounds().width(), 320);

  const ModifierHook previous = SetModifierHook([] { return ModifierState{true, false}; });
  Wheel(120);
  Wheel(120);
  SetModifierHook(previous);
  EXPECT_EQ(Bounds().size(), QSize(322, 242));
}

TEST_F(PreviewViewTest, RelayoutKeepsTheMode) {
  OpenWith(Filled(kVga, Qt::gray));
  view_->SetAlwaysFit(true);  // shows the scale
  pane_.resize(640, 496);
  view_->Relayout();
  EXPECT_EQ(Bounds(), QRect(0, 0, 640, 480));
  EXPECT_EQ(Label(), QStringLiteral("[ 100% ]"));  // a shown scale stays true

  view_->ZoomUp(false);
  const QRect zoomed = Bounds();
  pane_.resize(300, 200);
  view_->Relayout();
  EXPECT_EQ(view_->Grid()->size(), QSize(300, 184));
  EXPECT_EQ(Bounds(), zoomed);
  EXPECT_FALSE(view_->AlwaysFit());

  // A new picture keeps the zoomed bounds too.
  view_->SetPicture(Filled(kVga, Qt::white));
  EXPECT_EQ(Bounds(), zoomed);
}

TEST_F(PreviewViewTest, DragMovesAndSnaps) {
  OpenWith(Filled(kVga, Qt::gray));
  cursor_ = {160, 120};
  view_->ZoomActualSize();  // (-160, -120, 640, 480)

  Mouse(QEvent::MouseButtonPress, {10, 10});
  Mouse(QEvent::MouseMove, {30, 25});
  EXPECT_EQ(Bounds().topLeft(), QPoint(-140, -105));
  Mouse(QEvent::MouseButtonRelease, {30, 25});
  EXPECT_EQ(Bounds().topLeft(), QPoint(-140, -105));  // no gap: stays
  EXPECT_FALSE(view_->Dragging());

  // Beyond the top-left corner: snaps back to it.
  Mouse(QEvent::MouseButtonPress, {0, 0});
  Mouse(QEvent::MouseMove, {200, 150});
  EXPECT_EQ(Bounds().topLeft(), QPoint(60, 45));
  Mouse(QEvent::MouseButtonRelease, {0, 0});
  EXPECT_EQ(Bounds().topLeft(), QPoint(0, 0));

  // Beyond the bottom-right corner: the far edges line up with the view's.
  Mouse(QEvent::MouseButtonPress, {300, 300});
  Mouse(QEvent::MouseMove, {-100, -100});
  EXPECT_EQ(Bounds().topLeft(), QPoint(-400, -400));
  Mouse(QEvent::MouseButtonRelease, {-100, -100});
  EXPECT_EQ(Bounds().topLeft(), QPoint(-320, -240));

  // Moves without a pressed left button do not drag.
  Mouse(QEvent::MouseButtonPress, {0, 0}, Qt::RightButton);
  Mouse(QEvent::MouseMove, {50, 50}, Qt::RightButton);
  EXPECT_EQ(Bounds().topLeft(), QPoint(-320, -240));
  Mouse(QEvent::MouseButtonRelease, {50, 50}, Qt::RightButton);

  // A fitted picture keeps filling the view.
  view_->SetAlwaysFit(true);
  Mouse(QEvent::MouseButtonPress, {0, 0});
  Mouse(QEvent::MouseMove, {50, 50});
  Mouse(QEvent::MouseButtonRelease, {50, 50});
  EXPECT_EQ(Bounds(), QRect(0, 0, 320, 240));
}

TEST_F(PreviewViewTest, PictureNarrowerThanTheViewSnapsToTheCentre) {
  OpenWith(Filled({160, 120}, Qt::gray));
  view_->ZoomActualSize();
  EXPECT_EQ(Bounds(), QRect(80, 60, 160, 120));
  Mouse(QEvent::MouseButtonPress, {0, 0});
  Mouse(QEvent::MouseMove, {-70, 33});
  Mouse(QEvent::MouseButtonRelease, {-70, 33});
  EXPECT_EQ(Bounds(), QRect(80, 60, 160, 120));
}

TEST_F(PreviewViewTest, ClearReturnsToTheStartState) {
  OpenWith(Filled(kVga, Qt::gray));
  view_->ZoomUp(false);
  FitRecorder fitChanges(view_);
  view_->SetMediaOpen(false);
  view_->Clear();
  EXPECT_TRUE(view_->Picture().isNull());
  EXPECT_TRUE(view_->AlwaysFit());
  EXPECT_EQ(Bounds(), view_->Grid()->rect());
  EXPECT_TRUE(Label().isEmpty());
  ASSERT_FALSE(fitChanges.seen.empty());
  EXPECT_TRUE(fitChanges.seen.back());
}

TEST_F(PreviewViewTest, ContextMenuIsRequestedAtThePointer) {
  OpenWith(Filled(kVga, Qt::gray));
  std::vector<QPoint> requests;
  QObject::connect(view_, &TPreviewView::ContextMenuRequested,
                   [&requests](QPoint at) { requests.push_back(at); });
  QContextMenuEvent event(QContextMenuEvent::Mouse, {5, 6}, {105, 206});
  QApplication::sendEvent(view_->Image(), &event);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests.at(0), QPoint(105, 206));
}

TEST_F(PreviewViewTest, ZoomedPixelsAreSharpBlocks) {
  // 2 x 2 picture fitted into 320 x 240: shown at 240 x 240 from x = 40, each pixel
  // a 120 px block. Nearest-neighbour drawing gives pure colours up to the edges.
  QImage picture(2, 2, QImage::Format_RGB32);
  picture.setPixelColor(0, 0, Qt::red);
  picture.setPixelColor(1, 0, Qt::green);
  picture.setPixelColor(0, 1, Qt::blue);
  picture.setPixelColor(1, 1, Qt::white);
  OpenWith(picture);
  const QImage shown = view_->Image()->grab().toImage();
  ASSERT_EQ(shown.size(), QSize(320, 240));
  EXPECT_EQ(shown.pixelColor(159, 119), QColor(Qt::red));
  EXPECT_EQ(shown.pixelColor(160, 119), QColor(Qt::green));
  EXPECT_EQ(shown.pixelColor(159, 120), QColor(Qt::blue));
  EXPECT_EQ(shown.pixelColor(160, 120), QColor(Qt::white));
  EXPECT_EQ(shown.pixelColor(41, 1), QColor(Qt::red));
  EXPECT_EQ(shown.pixelColor(278, 238), QColor(Qt::white));
}

TEST_F(PreviewViewTest, FittedLargePictureIsDrawnReduced) {
  // Left half black, right half white; the reduction keeps both halves intact.
  QImage picture = Filled({1280, 960}, Qt::black);
  for (int y = 0; y < 960; ++y)
    for (int x = 640; x < 1280; ++x) picture.setPixelColor(x, y, Qt::white);
  OpenWith(picture);
  const QImage shown = view_->Image()->grab().toImage();
  EXPECT_EQ(shown.pixelColor(10, 100), QColor(Qt::black));
  EXPECT_EQ(shown.pixelColor(310, 100), QColor(Qt::white));
}

}  // namespace
}  // namespace frivo
