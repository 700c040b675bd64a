#include <gtest/gtest.h>

#include <QSignalSpy>

#include "controls/CMySliderControl.h"
#include "controls/CVideoSlider.h"
#include "TestSupport.h"

namespace {

QRgb ThumbCentre(QWidget* window, CSliderCtrl* slider, const QRect& thumb) {
  return ScreenPixels(window, slider).pixel(thumb.center()) & 0xFFFFFFu;
}

}  // namespace

TEST(VideoSlider, PositionFromXUsesTheChannelAndIsClampedByTheRange) {
  PatternParent window;
  window.resize(600, 60);
  CVideoSlider slider(&window, 1008);
  slider.setGeometry(0, 10, 516, 20);
  slider.SetRange(0, 1000);
  window.show();
  const QRect channel = slider.GetChannelRect();
  ASSERT_EQ(channel.left(), 8);
  ASSERT_EQ(channel.left() + channel.width(), 508);

  slider.PositionFromX(258);
  EXPECT_EQ(slider.GetPos(), 500);
  slider.PositionFromX(0);  // -16, clamped
  EXPECT_EQ(slider.GetPos(), 0);
  slider.PositionFromX(600);  // 1184, clamped
  EXPECT_EQ(slider.GetPos(), 1000);
  slider.PositionFromX(9);  // 2 exactly; 10 would give 4
  EXPECT_EQ(slider.GetPos(), 2);
  slider.PositionFromX(7);  // -2 truncated toward zero, then clamped
  EXPECT_EQ(slider.GetPos(), 0);

  // No room: the position stays.
  slider.SetPos(321);
  slider.resize(10, 20);
  slider.PositionFromX(5);
  EXPECT_EQ(slider.GetPos(), 321);
}

TEST(VideoSlider, PressDragReleaseSendsOneSeekPerMoveAndOneOnRelease) {
  PatternParent window;
  window.resize(600, 60);
  CVideoSlider slider(&window, 1008);
  slider.setGeometry(0, 10, 516, 20);
  slider.SetRange(0, 1000);
  window.show();
  window.Record(&slider, &CVideoSlider::SeekRequested, "seek");
  QSignalSpy scrolls(&slider, &CSliderCtrl::HScroll);

  Press(&slider, QPoint(258, 10));
  EXPECT_EQ(slider.GetPos(), 500);  // the thumb jumps under the pointer
  EXPECT_EQ(window.CountOf("seek"), 0);
  EXPECT_TRUE(slider.IsDragging());
  const QImage held = ScreenPixels(&window, &slider);
  SaveArtifact(held, QStringLiteral("slider-position-held.png"));
  EXPECT_EQ(held.pixel(slider.GetThumbRect().center()) & 0xFFFFFFu, qRgb(240, 0, 180) & 0xFFFFFFu);
  Release(&slider, QPoint(258, 10));
  EXPECT_EQ(window.CountOf("seek"), 1);
  EXPECT_EQ(ThumbCentre(&window, &slider, slider.GetThumbRect()), qRgb(100, 250, 100) & 0xFFFFFFu);

  window.emitted.clear();
  Press(&slider, QPoint(100, 10));
  for (int i = 1; i <= 10; ++i) DragTo(&slider, QPoint(100 + 30 * i, 10));
  EXPECT_EQ(slider.GetPos(), (400 - 8) * 1000 / 500);
  Release(&slider, QPoint(450, 10));
  EXPECT_EQ(window.CountOf("seek"), 11);
  EXPECT_EQ(slider.GetPos(), (450 - 8) * 1000 / 500);
  EXPECT_FALSE(slider.IsDragging());

  // Moves without a press send nothing; setting the position from code does
  // not notify either.
  DragTo(&slider, QPoint(30, 10));
  EXPECT_EQ(window.CountOf("seek"), 11);
  slider.SetPos(10);
  EXPECT_EQ(scrolls.count(), 0);
  SaveArtifact(ScreenPixels(&window, &slider), QStringLiteral("slider-position.png"));
}

TEST(VolumeSlider, DragSendsVolumeChangesAndTheThumbDarkensWhileHeld) {
  PatternParent window;
  window.resize(300, 80);
  CMySliderControl slider(&window, 1019);
  slider.setGeometry(40, 20, 80, 20);
  slider.SetRange(0, 100);
  slider.SetPos(100);
  window.show();
  window.Record(&slider, &CMySliderControl::VolumeChanged, "volume");
  QSignalSpy scrolls(&slider, &CSliderCtrl::HScroll);

  EXPECT_EQ(ThumbCentre(&window, &slider, slider.GetThumbRect()), qRgb(255, 0, 0) & 0xFFFFFFu);
  // A press beside the thumb: the trackbar pages first, then the thumb goes
  // under the pointer.
  Press(&slider, QPoint(40, 10));
  EXPECT_GE(scrolls.count(), 1);
  EXPECT_EQ(slider.GetPos(), (40 - 8) * 100 / 64);
  EXPECT_EQ(ThumbCentre(&window, &slider, slider.GetThumbRect()), qRgb(170, 0, 0) & 0xFFFFFFu);
  EXPECT_EQ(window.CountOf("volume"), 0);
  DragTo(&slider, QPoint(20, 10));
  DragTo(&slider, QPoint(-30, 10));
  EXPECT_EQ(slider.GetPos(), 0);
  EXPECT_EQ(window.CountOf("volume"), 2);
  Release(&slider, QPoint(60, 10));
  // The release does not move the thumb again.
  EXPECT_EQ(slider.GetPos(), 0);
  EXPECT_EQ(window.CountOf("volume"), 3);
  EXPECT_EQ(ThumbCentre(&window, &slider, slider.GetThumbRect()), qRgb(255, 0, 0) & 0xFFFFFFu);
}

TEST(VolumeSlider, ShowsTheWindowBehindItAlsoAfterItMoved) {
  PatternParent window;
  window.resize(300, 80);
  CMySliderControl slider(&window, 1019);
  slider.setGeometry(40, 20, 80, 20);
  slider.SetRange(0, 100);
  slider.SetPos(100);
  window.show();

  const auto checkBackground = [&](const char* when) {
    const QImage shown = ScreenPixels(&window, &slider);
    // Corners are outside the channel and the thumb: the window's own pixels.
    for (const QPoint p : {QPoint(1, 1), QPoint(3, 2), QPoint(78, 18), QPoint(2, 17)}) {
      EXPECT_EQ(shown.pixel(p) & 0xFFFFFFu,
                PatternParent::PatternAt(slider.x() + p.x(), slider.y() + p.y()) & 0xFFFFFFu)
          << when << " " << p.x() << "," << p.y();
    }
  };
  checkBackground("first");
  SaveArtifact(ScreenPixels(&window, &slider), QStringLiteral("slider-volume.png"));
  slider.move(41, 22);  // a layout change moves the slider by a pixel or two
  checkBackground("moved");
}
