#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QSignalSpy>
#include <QFile>
#include <cmath>
#include <set>

#include "controls/CGdipButton.h"
#include "controls/CGdiPlusBitmapResource.h"
#include "TestSupport.h"

namespace {

// The matrices in exact integer arithmetic (hundredths), halves rounded up.
int Hot(int channel) { return std::min(255, (105 * channel + 5 * 255 + 50) / 100); }

int Grey(QRgb pixel) { return std::min(255, (30 * qRed(pixel) + 59 * qGreen(pixel) + 11 * qBlue(pixel) + 50) / 100); }

QImage Source(uint32_t id) {
  CGdiPlusBitmapResource picture;
  EXPECT_TRUE(picture.Load(id));
  return picture.IsEmpty() ? QImage() : picture.Bitmap()->copy();
}

struct ButtonFixture : ::testing::Test {
  PatternParent window;
  CGdipButton* button = nullptr;

  void SetUp() override {
    window.resize(200, 120);
    button = new CGdipButton(&window, 1015);  // owned by the window
    button->setGeometry(37, 21, 48, 48);
    window.show();
  }

  QImage Shown() { return ScreenPixels(&window, button); }
  QRgb ParentAt(int x, int y) const { return PatternParent::PatternAt(button->x() + x, button->y() + y); }
};

}  // namespace

TEST_F(ButtonFixture, TransparentPartsShowTheParentAndOpaquePartsThePicture) {
  ASSERT_TRUE(button->SetImage(129));
  const QImage source = Source(129);
  ASSERT_EQ(source.size(), QSize(48, 48));
  const QImage shown = Shown();
  SaveArtifact(shown, QStringLiteral("button-play-normal.png"));

  int transparent = 0;
  int opaque = 0;
  std::set<QRgb> parentColours;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      const QRgb pixel = source.pixel(x, y);
      if (qAlpha(pixel) == 0) {
        ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFFu, ParentAt(x, y) & 0xFFFFFFu) << x << "," << y;
        parentColours.insert(ParentAt(x, y));
        ++transparent;
      } else if (qAlpha(pixel) == 255) {
        ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFFu, pixel & 0xFFFFFFu) << x << "," << y;
        ++opaque;
      }
    }
  }
  EXPECT_GT(transparent, 40);  // the four corners
  EXPECT_GT(opaque, 900);
  EXPECT_EQ(parentColours.size(), 2u);  // both colours of the pattern came through
  EXPECT_EQ(button->CurrentPicture(), &button->Picture(CGdipButton::PictureKind::Normal));
}

TEST_F(ButtonFixture, HotAndGreyPicturesFollowTheColourMatrices) {
  ASSERT_TRUE(button->SetImage(129));
  const QImage source = Source(129);

  QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), button->mapToGlobal(QPointF(10, 10)));
  QCoreApplication::sendEvent(button, &enter);
  Pump(30);  // the hover notice comes 1 ms after the pointer rests
  ASSERT_TRUE(button->IsPointerOver());
  const QImage hot = Shown();
  SaveArtifact(hot, QStringLiteral("button-play-hot.png"));

  button->SetDimmed(true);
  Press(button, QPoint(24, 24));  // dimmed: grey even while pressed and under the pointer
  const QImage grey = Shown();
  Release(button, QPoint(24, 24));
  SaveArtifact(grey, QStringLiteral("button-play-dimmed.png"));

  int checked = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      const QRgb pixel = source.pixel(x, y);
      if (qAlpha(pixel) != 255) continue;
      ASSERT_EQ(qRed(hot.pixel(x, y)), Hot(qRed(pixel))) << x << "," << y;
      ASSERT_EQ(qGreen(hot.pixel(x, y)), Hot(qGreen(pixel))) << x << "," << y;
      ASSERT_EQ(qBlue(hot.pixel(x, y)), Hot(qBlue(pixel))) << x << "," << y;
      const int g = Grey(pixel);
      ASSERT_EQ(grey.pixel(x, y) & 0xFFFFFFu, qRgb(g, g, g) & 0xFFFFFFu) << x << "," << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 900);
  // Transparent corners stay the parent's in both.
  EXPECT_EQ(hot.pixel(0, 0) & 0xFFFFFFu, ParentAt(0, 0) & 0xFFFFFFu);
  EXPECT_EQ(grey.pixel(47, 47) & 0xFFFFFFu, ParentAt(47, 47) & 0xFFFFFFu);

  // Leaving shows the normal picture again.
  button->SetDimmed(false);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(button, &leave);
  EXPECT_FALSE(button->IsPointerOver());
  const QImage normal = Shown();
  const QPoint centre(24, 24);
  EXPECT_EQ(normal.pixel(centre) & 0xFFFFFFu, source.pixel(centre) & 0xFFFFFFu);
}

TEST_F(ButtonFixture, TwoStateButtonFlipsOnEachPressAndTwiceOnADoubleClick) {
  ASSERT_TRUE(button->SetImage(129));
  ASSERT_TRUE(button->SetSecondImage(132));
  button->EnableToggle();
  const QImage play = Source(129);
  const QImage pause = Source(132);
  // A point where the two pictures differ and the pause picture is opaque,
  // also one pixel up and left (seen through the pressed picture's shift).
  QPoint probe(-1, -1);
  for (int y = 10; y < 38 && probe.x() < 0; ++y) {
    for (int x = 10; x < 38; ++x) {
      if (qAlpha(pause.pixel(x, y)) == 255 && qAlpha(play.pixel(x, y)) == 255 &&
          (play.pixel(x, y) & 0xFFFFFFu) != (pause.pixel(x, y) & 0xFFFFFFu) &&
          (play.pixel(x + 1, y + 1) & 0xFFFFFFu) != (pause.pixel(x, y) & 0xFFFFFFu) &&
          (pause.pixel(x + 1, y + 1) & 0xFFFFFFu) != (pause.pixel(x, y) & 0xFFFFFFu)) {
        probe = QPoint(x, y);
        break;
      }
    }
  }
  ASSERT_GE(probe.x(), 0);
  QSignalSpy clicks(button, &QAbstractButton::clicked);

  EXPECT_FALSE(button->ShowsSecond());
  Press(button, QPoint(24, 24));
  EXPECT_TRUE(button->ShowsSecond());
  QImage shown = Shown();
  SaveArtifact(shown, QStringLiteral("button-play-pressed.png"));
  // The pressed picture is the second one moved one pixel right and down.
  EXPECT_EQ(shown.pixel(probe + QPoint(1, 1)) & 0xFFFFFFu, pause.pixel(probe) & 0xFFFFFFu);
  EXPECT_EQ(button->CurrentPicture(), &button->Picture(CGdipButton::PictureKind::SecondPressed));
  Release(button, QPoint(24, 24));
  shown = Shown();
  EXPECT_EQ(shown.pixel(probe) & 0xFFFFFFu, pause.pixel(probe) & 0xFFFFFFu);
  EXPECT_EQ(clicks.count(), 1);

  Press(button, QPoint(24, 24));
  Release(button, QPoint(24, 24));
  EXPECT_FALSE(button->ShowsSecond());
  EXPECT_EQ(Shown().pixel(probe) & 0xFFFFFFu, play.pixel(probe) & 0xFFFFFFu);

  // A double-click: press, release, double-click, release -- two clicks, two flips.
  Press(button, QPoint(24, 24));
  Release(button, QPoint(24, 24));
  EXPECT_TRUE(button->ShowsSecond());
  DoubleClick(button, QPoint(24, 24));
  Release(button, QPoint(24, 24));
  EXPECT_FALSE(button->ShowsSecond());
  EXPECT_EQ(clicks.count(), 4);

  // Repaints during a held press do not flip it again.
  Press(button, QPoint(24, 24));
  for (int i = 0; i < 3; ++i) Shown();
  Release(button, QPoint(24, 24));
  EXPECT_TRUE(button->ShowsSecond());
}

TEST_F(ButtonFixture, PicturesKeepTheirFirstSizeAndAMissingPicturePaintsNothing) {
  ASSERT_TRUE(button->SetImage(133));  // a 40 x 40 picture scaled to 48 x 48
  Shown();
  EXPECT_EQ(button->Picture(CGdipButton::PictureKind::Normal).size(), QSize(48, 48));
  button->resize(60, 60);
  const QImage grown = Shown();
  EXPECT_EQ(button->Picture(CGdipButton::PictureKind::Normal).size(), QSize(48, 48));
  // Outside the first size the button paints nothing: the parent shows.
  EXPECT_EQ(grown.pixel(55, 55) & 0xFFFFFFu, ParentAt(55, 55) & 0xFFFFFFu);

  CGdipButton missing(&window, 1016);
  missing.setGeometry(120, 30, 40, 40);
  missing.show();
  EXPECT_FALSE(missing.SetImage(99999));
  const QImage empty = ScreenPixels(&window, &missing);
  for (const QPoint p : {QPoint(0, 0), QPoint(20, 20), QPoint(39, 5)}) {
    EXPECT_EQ(empty.pixel(p) & 0xFFFFFFu, PatternParent::PatternAt(120 + p.x(), 30 + p.y()) & 0xFFFFFFu);
  }
  EXPECT_TRUE(missing.Picture(CGdipButton::PictureKind::Normal).isNull());
}

TEST(PictureResources, EveryNamedPictureLoadsAtItsSize) {
  const struct {
    uint32_t id;
    int width;
    int height;
  } sizes[] = {{129, 48, 48}, {132, 48, 48}, {133, 40, 40}, {136, 40, 40},  {137, 40, 40}, {139, 48, 36},
               {140, 48, 36}, {141, 48, 36}, {142, 48, 36}, {143, 32, 32},  {176, 32, 32}, {145, 32, 32},
               {146, 32, 32}, {147, 32, 32}, {148, 32, 32}, {150, 32, 32},  {151, 25, 25}, {152, 25, 25},
               {153, 25, 25}, {154, 25, 25}, {155, 12, 24}, {156, 12, 24},  {157, 64, 64}, {167, 48, 48},
               {174, 48, 48}, {187, 16, 16}, {188, 16, 16}, {1045, 16, 16}, {190, 32, 24}, {200, 128, 128}};
  for (const auto& expected : sizes) {
    CGdiPlusBitmapResource picture;
    ASSERT_TRUE(picture.Load(expected.id)) << expected.id;
    EXPECT_EQ(picture.Width(), expected.width) << expected.id;
    EXPECT_EQ(picture.Height(), expected.height) << expected.id;
    EXPECT_FALSE(picture.Buffer().isEmpty());
    // Pictures have transparent surroundings (the corner) except the icon tile.
    EXPECT_EQ(qAlpha(picture.Bitmap()->pixel(0, 0)), 0) << expected.id;
  }
  CGdiPlusBitmapResource strip;
  ASSERT_TRUE(strip.Load(158, "BMP"));
  EXPECT_EQ(strip.Width(), 96);
  EXPECT_EQ(strip.Height(), 24);
  EXPECT_EQ(strip.Bitmap()->pixel(5, 5) & 0xFFFFFFu, 0xFF00FFu);  // icon 0 is empty
  CGdiPlusBitmapResource tile;
  ASSERT_TRUE(tile.Load(189, "BMP"));
  EXPECT_EQ(tile.Width(), 30);
  EXPECT_EQ(tile.Height(), 30);

  // The about page finds the car next to itself as "200".
  EXPECT_TRUE(QFile::exists(QStringLiteral(":/html/200")));

  CGdiPlusBitmapResource none;
  EXPECT_FALSE(none.Load(99999));
  EXPECT_TRUE(none.IsEmpty());
  EXPECT_TRUE(none.Buffer().isEmpty());
}
