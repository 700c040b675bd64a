#include <gtest/gtest.h>

#include "views/CVideoStatic.h"
#include "TestSupport.h"

namespace {

int NonBackground(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFFu) != 0x404040u;
  }
  return count;
}

}  // namespace

TEST(VideoSurface, ShowsTheScanCounterOnlyWhileBusy) {
  PatternParent window;
  window.resize(400, 300);
  CVideoStatic surface(&window, 1002);
  surface.setGeometry(10, 10, 360, 240);
  window.show();
  CVideoStatic& progress = surface;

  EXPECT_EQ(NonBackground(ScreenPixels(&window, &surface)), 0);
  progress.ShowScanCount(5);  // not busy: the counter is kept but not drawn
  EXPECT_EQ(surface.Counter(), 5);
  EXPECT_EQ(NonBackground(ScreenPixels(&window, &surface)), 0);

  surface.SetBusyPicture(true);
  progress.ShowScanCount(0);
  const QImage zero = ScreenPixels(&window, &surface);
  progress.ShowScanCount(1);
  const QImage one = ScreenPixels(&window, &surface);
  progress.ShowScanCount(1234);
  const QImage many = ScreenPixels(&window, &surface);
  SaveArtifact(many, QStringLiteral("video-scan-1234.png"));
  EXPECT_GT(NonBackground(zero), 500);
  EXPECT_NE(zero, one);
  EXPECT_GT(NonBackground(many), NonBackground(one));
  // The figures sit at the top left, blue with their glow.
  int blue = 0;
  for (int y = 10; y < 100; ++y) {
    for (int x = 10; x < 100; ++x) {
      const QRgb p = many.pixel(x, y);
      blue += qBlue(p) > 180 && qRed(p) < 120;
    }
  }
  EXPECT_GT(blue, 200);
  EXPECT_EQ(many.pixel(350, 230) & 0xFFFFFFu, 0x404040u);

  surface.SetBusyPicture(false);
  surface.update();
  EXPECT_EQ(NonBackground(ScreenPixels(&window, &surface)), 0);
}

TEST(VideoSurface, DoubleClicksOnSurfaceAndBackgroundBothAskForFullScreen) {
  PatternParent window;
  window.resize(400, 300);
  CVideoStaticBg background(&window, 1007);
  background.setGeometry(5, 5, 390, 290);
  CVideoStatic surface(&window, 1002);
  surface.setGeometry(50, 5, 300, 290);
  window.show();
  window.Record(&surface, &CVideoStatic::FullScreenToggleRequested, "surface");
  window.Record(&background, &CVideoStaticBg::FullScreenToggleRequested, "background");
  EXPECT_EQ(background.focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(surface.focusPolicy(), Qt::NoFocus);

  // The background paints nothing: the window shows through.
  const QImage behind = ScreenPixels(&window, &background);
  EXPECT_EQ(behind.pixel(10, 10) & 0xFFFFFFu, PatternParent::PatternAt(15, 15) & 0xFFFFFFu);
  EXPECT_EQ(behind.pixel(11, 10) & 0xFFFFFFu, PatternParent::PatternAt(16, 15) & 0xFFFFFFu);

  // Only the left button switches: right double-clicks do nothing.
  SendMouse(&surface, QEvent::MouseButtonDblClick, QPoint(100, 100), Qt::RightButton, Qt::RightButton);
  SendMouse(&background, QEvent::MouseButtonDblClick, QPoint(10, 100), Qt::RightButton, Qt::RightButton);
  EXPECT_TRUE(window.emitted.empty());
  DoubleClick(&surface, QPoint(100, 100));
  DoubleClick(&background, QPoint(10, 100));
  ASSERT_EQ(window.emitted.size(), 2u);
  EXPECT_EQ(window.emitted[0].name, "surface");
  EXPECT_EQ(window.emitted[1].name, "background");
  // A single click does nothing.
  Press(&surface, QPoint(100, 100));
  Release(&surface, QPoint(100, 100));
  EXPECT_EQ(window.emitted.size(), 2u);
}
