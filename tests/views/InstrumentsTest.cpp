#include <gtest/gtest.h>

#include <climits>

#include "controls/CGdiPlusBitmapResource.h"
#include "views/CPngCompassStatic.h"
#include "views/CPngStatic.h"
#include "views/CSpeedLabelStatic.h"
#include "views/CStatusBoardStatic.h"
#include "TestSupport.h"

namespace {

int Grey(QRgb pixel) { return std::min(255, (30 * qRed(pixel) + 59 * qGreen(pixel) + 11 * qBlue(pixel) + 50) / 100); }

QImage Source(uint32_t id, const char* type = "PNG") {
  CGdiPlusBitmapResource picture;
  EXPECT_TRUE(picture.Load(id, type));
  return picture.IsEmpty() ? QImage() : picture.Bitmap()->copy();
}

// Every opaque pixel of `source` shows as is (or grey), every transparent one
// shows the parent's pattern.
void ExpectPicture(const QImage& shown, const QImage& source, bool grey, const QPoint& offset, const char* what) {
  ASSERT_EQ(shown.size(), source.size()) << what;
  int opaque = 0;
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) {
      const QRgb pixel = source.pixel(x, y);
      QRgb expected = 0;
      if (qAlpha(pixel) == 255) {
        const int g = Grey(pixel);
        expected = grey ? qRgb(g, g, g) : pixel;
        ++opaque;
      } else if (qAlpha(pixel) == 0) {
        expected = PatternParent::PatternAt(offset.x() + x, offset.y() + y);
      } else {
        continue;
      }
      ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFFu, expected & 0xFFFFFFu) << what << " " << x << "," << y;
    }
  }
  EXPECT_GT(opaque, 50) << what;
}

}  // namespace

TEST(Compass, HeadingTable) {
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(0, 8), 1);
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(90, 8), 7);
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(270, 8), 3);
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(338, 8), 1);
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(22, 8), 1);
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(23, 8), 8);
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(179 * 2, 8), 1);  // a stored heading byte of 179
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(180, 8), 5);
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(-90, 8), 3);
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(720 + 45, 8), 8);
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(INT_MIN, 8), CPngCompassStatic::PictureForHeading(INT_MIN % 360, 8));
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(INT_MAX, 8), CPngCompassStatic::PictureForHeading(INT_MAX % 360, 8));
  // Fewer pictures share the circle; none leaves no picture.
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(90, 4), 3);
  EXPECT_EQ(CPngCompassStatic::PictureForHeading(90, 0), 0);
}

TEST(Compass, ShowsTheTurnedRoseOrTheGreyNorthUpRose) {
  PatternParent window;
  window.resize(200, 80);
  CPngCompassStatic compass(&window, 1055);
  compass.setGeometry(10, 10, 48, 48);
  for (uint32_t id = 167; id <= 174; ++id) EXPECT_TRUE(compass.AddPicture(id));
  EXPECT_FALSE(compass.AddPicture(99999));
  EXPECT_EQ(compass.PictureCount(), 8);
  window.show();

  EXPECT_EQ(compass.SetHeading(90), 1);
  EXPECT_EQ(compass.Current(), 7);
  ExpectPicture(ScreenPixels(&window, &compass), Source(173), false, compass.pos(), "heading 90");
  SaveArtifact(ScreenPixels(&window, &compass), QStringLiteral("compass-heading-90.png"));

  compass.ClearHeading();
  EXPECT_EQ(compass.Current(), 0);
  ExpectPicture(ScreenPixels(&window, &compass), Source(167), true, compass.pos(), "no heading");
  SaveArtifact(ScreenPixels(&window, &compass), QStringLiteral("compass-no-heading.png"));

  compass.ShowPicture(9);  // beyond the pictures: nothing
  compass.update();
  const QImage nothing = ScreenPixels(&window, &compass);
  EXPECT_EQ(nothing.pixel(24, 24) & 0xFFFFFFu, PatternParent::PatternAt(34, 34) & 0xFFFFFFu);

  // At its real size, 32 x 32, the picture is scaled down.
  compass.resize(32, 32);
  compass.SetHeading(0);
  const QImage small = ScreenPixels(&window, &compass);
  EXPECT_EQ(small.size(), QSize(32, 32));
  SaveArtifact(small, QStringLiteral("compass-32.png"));
}

TEST(SpeedLabel, FormatsAndPaintsOnlyTheBackgroundWithoutAReading) {
  PatternParent window;
  window.resize(200, 60);
  CSpeedLabelStatic speed(&window, 1056);
  speed.setGeometry(10, 10, 90, 34);
  window.show();
  EXPECT_EQ(speed.m_text, QStringLiteral("  0"));  // a valid 0 from the start
  EXPECT_EQ(speed.m_valid, 1);
  for (uint16_t kmh = 0; kmh <= 5; ++kmh) {
    EXPECT_EQ(speed.SetSpeed(true, kmh), 1);
    EXPECT_EQ(speed.m_text, QStringLiteral("  0")) << kmh;
  }
  speed.SetSpeed(true, 6);
  EXPECT_EQ(speed.m_text, QStringLiteral("  6"));
  speed.SetSpeed(true, 65535);
  EXPECT_EQ(speed.m_text, QStringLiteral("65535"));
  speed.SetSpeed(true, 123);
  EXPECT_EQ(speed.m_text, QStringLiteral("123"));
  EXPECT_EQ(speed.m_unit, QStringLiteral("Km/h"));

  const QImage reading = ScreenPixels(&window, &speed);
  SaveArtifact(reading, QStringLiteral("speed-123.png"));
  int glowing = 0;
  for (int y = 0; y < reading.height(); ++y) {
    for (int x = 0; x < reading.width(); ++x) {
      const QRgb p = reading.pixel(x, y);
      glowing += qRed(p) > 200 && qGreen(p) > 80 && qBlue(p) < 60;  // yellow to orange figures
    }
  }
  EXPECT_GT(glowing, 60);

  speed.SetSpeed(false, 0);
  const QImage none = ScreenPixels(&window, &speed);
  for (int y = 0; y < none.height(); ++y) {
    for (int x = 0; x < none.width(); ++x) ASSERT_EQ(none.pixel(x, y) & 0xFFFFFFu, 0x404040u) << x << "," << y;
  }

  // A double-click rewrites the unit and the figures from the stored speed.
  speed.m_unit = QStringLiteral("mph");
  speed.m_speed = 88;
  DoubleClick(&speed, QPoint(5, 5));
  EXPECT_EQ(speed.m_unit, QStringLiteral("Km/h"));
  EXPECT_EQ(speed.m_text, QStringLiteral(" 88"));
}

TEST(SpeedLabel, MilesPerHourAfterTheFiveKmhRuleAndAtOnce) {
  PatternParent window;
  window.resize(200, 60);
  CSpeedLabelStatic speed(&window, 1056);
  speed.setGeometry(10, 10, 90, 34);
  window.show();
  speed.SetSpeed(true, 100);
  const QImage hundredKmh = ScreenPixels(&window, &speed);
  // The shown reading changes with the unit, without a new reading.
  speed.SetUnit(SpeedUnit::Mph);
  EXPECT_EQ(speed.m_text, QStringLiteral(" 62"));
  EXPECT_EQ(speed.m_unit, QStringLiteral("mph"));
  struct Row {
    uint16_t kmh;
    const char* shown;
  };
  for (const Row& r : {Row{5, "  0"}, Row{6, "  4"}, Row{8, "  5"}, Row{9, "  6"}, Row{161, "100"}}) {
    speed.SetSpeed(true, r.kmh);
    EXPECT_EQ(speed.m_text, QString::fromLatin1(r.shown)) << r.kmh;
    EXPECT_EQ(speed.m_unit, QStringLiteral("mph")) << r.kmh;
  }
  // 161 km/h shows the figures of 100 km/h, with the other unit painted.
  const QImage hundredMph = ScreenPixels(&window, &speed);
  SaveArtifact(hundredMph, QStringLiteral("speed-100-mph.png"));
  const int h = hundredMph.height();
  EXPECT_EQ(hundredMph.copy(0, 0, 30, h), hundredKmh.copy(0, 0, 30, h));
  EXPECT_NE(hundredMph.copy(40, 0, hundredMph.width() - 40, h), hundredKmh.copy(40, 0, hundredKmh.width() - 40, h));
  DoubleClick(&speed, QPoint(5, 5));
  EXPECT_EQ(speed.m_unit, QStringLiteral("mph"));
  EXPECT_EQ(speed.m_text, QStringLiteral("100"));
  speed.SetUnit(SpeedUnit::Kph);
  EXPECT_EQ(speed.m_text, QStringLiteral("161"));
  EXPECT_EQ(speed.m_unit, QStringLiteral("Km/h"));
}

TEST(PictureStatic, ColourGreyOrNothing) {
  PatternParent window;
  window.resize(200, 80);
  CPngStatic gps(&window, 1010);
  gps.setGeometry(20, 10, 32, 32);
  CPngStatic banner(&window, 1064);
  banner.setGeometry(80, 10, 32, 32);
  ASSERT_TRUE(gps.SetPicture(150));
  window.show();

  EXPECT_EQ(gps.State(), 0);  // no fix at start: grey
  ExpectPicture(ScreenPixels(&window, &gps), Source(150), true, gps.pos(), "no fix");
  SaveArtifact(ScreenPixels(&window, &gps), QStringLiteral("gps-no-fix.png"));
  gps.SetState(1);
  gps.update();
  ExpectPicture(ScreenPixels(&window, &gps), Source(150), false, gps.pos(), "fix");
  SaveArtifact(ScreenPixels(&window, &gps), QStringLiteral("gps-fix.png"));

  const QImage empty = ScreenPixels(&window, &banner);
  EXPECT_EQ(empty.pixel(16, 16) & 0xFFFFFFu, PatternParent::PatternAt(96, 26) & 0xFFFFFFu);
  EXPECT_FALSE(banner.SetPicture(99999));
  EXPECT_FALSE(banner.HasPicture());

  CPngStatic car(&window, 1050);
  car.setGeometry(130, 4, 40, 40);
  ASSERT_TRUE(car.SetPicture(157));
  car.SetState(1);
  car.show();
  SaveArtifact(ScreenPixels(&window, &car), QStringLiteral("car-40.png"));
}

TEST(ProgressBoard, SplitsAtThePercentage) {
  PatternParent window;
  window.resize(260, 60);
  CStatusBoardStatic board(&window, 1061);
  board.setGeometry(10, 10, 200, 30);
  board.SetPatternBitmap(189);
  window.show();
  const QImage tile = Source(189, "BMP");
  ASSERT_EQ(tile.size(), QSize(30, 30));

  board.SetProgress(50, QString());
  EXPECT_EQ(board.SplitX(), 100);
  QImage shown = ScreenPixels(&window, &board);
  // Inside the frame: the tile from the board's origin on the left, the
  // background colour on the right.
  for (const int x : {3, 40, 77, 99}) {
    for (const int y : {3, 15, 26}) {
      ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFFu, tile.pixel(x % 30, y % 30) & 0xFFFFFFu) << x << "," << y;
    }
  }
  for (const int x : {100, 150, 196}) EXPECT_EQ(shown.pixel(x, 15) & 0xFFFFFFu, 0x404040u) << x;

  board.SetProgress(37, QStringLiteral("37 %"));
  board.setFont(QFont(QStringLiteral("Liberation Sans"), 14));
  board.update();
  shown = ScreenPixels(&window, &board);
  SaveArtifact(shown, QStringLiteral("progress-37.png"));
  EXPECT_EQ(board.SplitX(), 74);
  EXPECT_EQ(shown.pixel(73, 4) & 0xFFFFFFu, tile.pixel(73 % 30, 4) & 0xFFFFFFu);
  EXPECT_EQ(shown.pixel(74, 4) & 0xFFFFFFu, 0x404040u);
  // The text shows on both parts: dark on the pattern, light on the grey
  // that has the text's own colour.
  int lightOnGrey = 0;
  for (int y = 5; y < 25; ++y) {
    for (int x = 76; x < 130; ++x) lightOnGrey += qRed(shown.pixel(x, y)) > 150;
  }
  EXPECT_GT(lightOnGrey, 15);
  EXPECT_EQ(ReadableTextColor(QColor(64, 64, 64), QColor(64, 64, 64)), QColor(235, 235, 235));
  EXPECT_EQ(ReadableTextColor(QColor(0, 0, 0), QColor(64, 64, 64)), QColor(0, 0, 0));
  EXPECT_EQ(ReadableTextColor(QColor(200, 200, 200), QColor(220, 220, 220)), QColor(20, 20, 20));
  // The raised frame: light top-left, dark bottom-right.
  EXPECT_GT(qRed(shown.pixel(0, 10)), 200);
  EXPECT_LT(qRed(shown.pixel(199, 10)), 120);

  board.SetPatternBitmap(0);  // no pattern: the bar colour
  board.SetBarColor(QColor(10, 200, 30));
  board.SetProgress(100, QString());
  board.update();
  shown = ScreenPixels(&window, &board);
  EXPECT_EQ(shown.pixel(150, 15) & 0xFFFFFFu, 0x0AC81Eu);
}
