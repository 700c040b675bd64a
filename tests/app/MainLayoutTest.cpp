#include <gtest/gtest.h>

#include <algorithm>

#include "app/MainLayout.h"
#include "app/TrkControlIds.h"

namespace {

LayoutInput StartInput() {
  LayoutInput in;
  in.cx = 800;
  in.cy = 560;
  in.mapEnabled = true;
  in.gsensorEnabled = true;
  in.gsensorHeight = 72;
  return in;
}

LayoutRect At(const LayoutResult& r, int id) {
  auto rect = r.Find(id);
  EXPECT_TRUE(rect.has_value()) << "control " << id << " not placed";
  return rect.value_or(LayoutRect{});
}

}  // namespace

TEST(MainLayout, StartSizeWithMapAndCurve) {
  const LayoutResult r = ComputeLayout(StartInput());
  EXPECT_EQ(r.rightColumnWidth, 240);
  EXPECT_EQ(r.mapHost, (LayoutRect{555, 48, 240, 240}));
  EXPECT_EQ(At(r, IDC_FILE_LIST), (LayoutRect{555, 293, 240, 496 - 293}));
  EXPECT_EQ(r.listHeight, 120);
  EXPECT_EQ(r.videoBottom, 269);
  EXPECT_EQ(At(r, IDC_VIDEO_BG), (LayoutRect{5, 48, 545, 221}));
  EXPECT_EQ(At(r, IDC_PROGRESS_BOARD), (LayoutRect{5, 239, 545, 30}));
  EXPECT_EQ(At(r, IDC_POSITION_SLIDER), (LayoutRect{5, 269, 545, 20}));
  EXPECT_EQ(At(r, IDC_GSENSOR), (LayoutRect{5, 294, 545, 72}));
  EXPECT_EQ(At(r, IDC_GROUP_LIST), (LayoutRect{5, 371, 545, 496 - 371}));
  ASSERT_TRUE(r.rightColumn.has_value());
  EXPECT_EQ(*r.rightColumn, (EdgeRect{555, 48, 795, 496}));
  EXPECT_EQ(r.columnSplit, (EdgeRect{550, 48, 555, 496}));
  EXPECT_EQ(r.listSplit, (EdgeRect{5, 366, 550, 371}));

  // Title row and bottom row.
  EXPECT_EQ(At(r, IDC_CLOSE), (LayoutRect{768, 2, 25, 25}));
  EXPECT_EQ(At(r, IDC_MAXIMIZE), (LayoutRect{741, 2, 25, 25}));
  EXPECT_EQ(At(r, IDC_MINIMIZE), (LayoutRect{714, 2, 25, 25}));
  EXPECT_EQ(At(r, IDC_ABOUT), (LayoutRect{687, 2, 25, 25}));
  EXPECT_EQ(At(r, IDC_SIZE_L), (LayoutRect{641, 11, 16, 16}));
  EXPECT_EQ(At(r, IDC_SIZE_M), (LayoutRect{621, 11, 16, 16}));
  EXPECT_EQ(At(r, IDC_SIZE_S), (LayoutRect{601, 11, 16, 16}));
  EXPECT_EQ(At(r, IDC_OPEN), (LayoutRect{8, 516, 48, 36}));
  EXPECT_EQ(At(r, IDC_SNAP), (LayoutRect{56, 516, 48, 36}));
  EXPECT_EQ(At(r, IDC_SAVE), (LayoutRect{104, 516, 48, 36}));
  EXPECT_EQ(At(r, IDC_DEL), (LayoutRect{152, 516, 48, 36}));
  EXPECT_EQ(At(r, IDC_SLOW), (LayoutRect{220, 512, 40, 40}));
  EXPECT_EQ(At(r, IDC_STOP), (LayoutRect{261, 512, 40, 40}));
  EXPECT_EQ(At(r, IDC_PLAY), (LayoutRect{302, 504, 48, 48}));
  EXPECT_EQ(At(r, IDC_FAST), (LayoutRect{351, 512, 40, 40}));
  EXPECT_EQ(At(r, IDC_VOLUME), (LayoutRect{402, 520, 12, 24}));
  EXPECT_EQ(At(r, IDC_VOLUME_SLIDER), (LayoutRect{416, 524, 80, 20}));
  EXPECT_EQ(At(r, IDC_LOOP), (LayoutRect{605, 520, 32, 32}));
  EXPECT_EQ(At(r, IDC_KML), (LayoutRect{639, 520, 32, 32}));
  EXPECT_EQ(At(r, IDC_MAP), (LayoutRect{673, 520, 32, 32}));
  EXPECT_EQ(At(r, IDC_GSR), (LayoutRect{707, 520, 32, 32}));
  EXPECT_EQ(At(r, IDC_LOCK), (LayoutRect{741, 520, 32, 32}));
  // The statics outside the layout are left where they are.
  EXPECT_FALSE(r.Find(IDC_SPEED).has_value());
  EXPECT_FALSE(r.Find(IDC_GPS_ICON).has_value());
  EXPECT_FALSE(r.Find(IDC_CAR).has_value());
}

TEST(MainLayout, MapOffGivesTheFileListTheWholeColumn) {
  LayoutInput in = StartInput();
  in.mapEnabled = false;
  const LayoutResult r = ComputeLayout(in);
  EXPECT_EQ(r.mapHost, (LayoutRect{555, 0, 240, 0}));
  EXPECT_EQ(At(r, IDC_FILE_LIST), (LayoutRect{555, 48, 240, 448}));
  EXPECT_FALSE(r.rightColumn.has_value());
  // The left column does not depend on the map.
  EXPECT_EQ(At(r, IDC_VIDEO_BG), (LayoutRect{5, 48, 545, 221}));
}

TEST(MainLayout, CurveOffGivesItsRoomToTheVideo) {
  LayoutInput in = StartInput();
  in.gsensorEnabled = false;
  const LayoutResult r = ComputeLayout(in);
  EXPECT_FALSE(r.Find(IDC_GSENSOR).has_value());  // the hidden curve keeps its old place
  EXPECT_EQ(r.videoBottom, 560 - 99 - 120);
  EXPECT_EQ(At(r, IDC_VIDEO_BG), (LayoutRect{5, 48, 545, 341 - 48}));
  EXPECT_EQ(At(r, IDC_GROUP_LIST).y, 341 + 25);
  EXPECT_EQ(r.listSplit, (EdgeRect{5, 361, 550, 366}));
}

TEST(MainLayout, ColumnGapIsClampedBothWays) {
  LayoutInput in = StartInput();
  // Far left: the right column is at most cx - 20 wide.
  in.wishes.mapWidth = MapWidthForDrag(in.cx, -300);
  LayoutResult r = ComputeLayout(in);
  EXPECT_EQ(r.rightColumnWidth, 780);
  EXPECT_EQ(r.mapHost.x, 15);
  // Far right: at least 20 wide.
  in.wishes.mapWidth = MapWidthForDrag(in.cx, 5000);
  r = ComputeLayout(in);
  EXPECT_EQ(r.rightColumnWidth, 20);
  EXPECT_EQ(r.mapHost, (LayoutRect{775, 48, 20, 240}));
  // In range, the column's left edge lands 5 pixels right of the pointer.
  in.wishes.mapWidth = MapWidthForDrag(in.cx, 400);
  r = ComputeLayout(in);
  EXPECT_EQ(r.mapHost.x, 405);
  EXPECT_EQ(r.columnSplit.left, 400);
}

TEST(MainLayout, MapGapIsClampedBothWays) {
  LayoutInput in = StartInput();
  in.wishes.mapHeight = MapHeightForDrag(300);
  LayoutResult r = ComputeLayout(in);
  EXPECT_EQ(r.mapHost.height, 252);
  EXPECT_EQ(r.mapHost.y + r.mapHost.height, 300);  // the map's bottom follows the pointer
  in.wishes.mapHeight = MapHeightForDrag(2000);
  r = ComputeLayout(in);
  EXPECT_EQ(r.mapHost.height, 560 - 127);
  EXPECT_EQ(At(r, IDC_FILE_LIST).height, 496 - (433 + 53));
  in.wishes.mapHeight = MapHeightForDrag(-100);
  r = ComputeLayout(in);
  EXPECT_EQ(r.mapHost.height, 20);
}

TEST(MainLayout, ListGapIsClampedBothWays) {
  LayoutInput in = StartInput();
  // Up towards the video: the list stops at cy - 152 - g, the video keeps 5 pixels.
  in.wishes.listHeight = ListHeightForDrag(in.cy, 0);
  LayoutResult r = ComputeLayout(in);
  EXPECT_EQ(r.listHeight, 560 - 152 - 72);
  EXPECT_EQ(At(r, IDC_VIDEO_BG).height, 5);
  // Down: the list stops at 20.
  in.wishes.listHeight = ListHeightForDrag(in.cy, 600);
  r = ComputeLayout(in);
  EXPECT_EQ(r.listHeight, 20);
  // In range, the list's top lands 5 pixels below the pointer (on it without the curve).
  in.wishes.listHeight = ListHeightForDrag(in.cy, 400);
  r = ComputeLayout(in);
  EXPECT_EQ(At(r, IDC_GROUP_LIST).y, 405);
  in.gsensorEnabled = false;
  r = ComputeLayout(in);
  EXPECT_EQ(At(r, IDC_GROUP_LIST).y, 400);
  EXPECT_EQ(r.listHeight, 86);
}

TEST(MainLayout, GripNeverGoesBelowTheMinimumSize) {
  EXPECT_EQ(GripSize(300, 200), (LayoutRect{0, 0, 800, 560}));
  EXPECT_EQ(GripSize(799, 900), (LayoutRect{0, 0, 800, 900}));
  EXPECT_EQ(GripSize(1000, 559), (LayoutRect{0, 0, 1000, 560}));
  EXPECT_EQ(GripSize(1234, 777), (LayoutRect{0, 0, 1234, 777}));
}

TEST(MainLayout, HitTestOrderGripFirst) {
  const LayoutResult r = ComputeLayout(StartInput());
  auto hit = [&](int x, int y) { return HitTestBackground(x, y, 800, 560, r.rightColumn, r.listSplit, r.columnSplit); };
  EXPECT_EQ(hit(790, 550), BackgroundHit::Grip);
  EXPECT_EQ(hit(780, 540), BackgroundHit::Grip);
  EXPECT_EQ(hit(779, 540), BackgroundHit::None);
  EXPECT_EQ(hit(600, 290), BackgroundHit::MapSplit);   // between map and file list
  EXPECT_EQ(hit(100, 368), BackgroundHit::ListSplit);  // above the group list
  EXPECT_EQ(hit(552, 200), BackgroundHit::ColumnSplit);
  EXPECT_EQ(hit(300, 20), BackgroundHit::None);  // the title area moves the window
}

TEST(FitVideo, WidePictureInANarrowerArea) {
  const LayoutRect r{5, 48, 545, 221};
  const LayoutRect s = FitVideoRect(r, 1920, 1080);
  EXPECT_EQ(s, (LayoutRect{5 + 76, 48, 392, 221}));
}

TEST(FitVideo, TallAreaCentresVertically) {
  const LayoutRect r{0, 0, 400, 400};
  EXPECT_EQ(FitVideoRect(r, 1280, 720), (LayoutRect{0, (400 - 225) / 2, 400, 225}));
  EXPECT_EQ(FitVideoRect(r, 640, 640), r);  // equal products cover the area
}

TEST(FitVideo, FittedSurfacesAreOfEvenWidthAndKeepThePicturesShape) {
  const int pictures[][2] = {{1280, 720}, {1920, 1080}, {640, 480}, {720, 576}, {640, 640}, {1080, 1920}};
  for (const auto& picture : pictures) {
    for (int w = 100; w <= 2000; w += 37) {
      for (int h = 80; h <= 1200; h += 29) {
        const LayoutRect area{3, 5, w, h};
        const LayoutRect s = FitVideoRect(area, picture[0], picture[1]);
        SCOPED_TRACE(testing::Message() << picture[0] << "x" << picture[1] << " in " << w << "x" << h);
        EXPECT_EQ(s.width % 2, 0);
        EXPECT_GE(s.x, area.x);
        EXPECT_GE(s.y, area.y);
        EXPECT_LE(s.x + s.width, area.x + area.width);
        EXPECT_LE(s.y + s.height, area.y + area.height);
        // Less than two columns narrower than the exact fit, and of its shape
        // to within what those columns are worth in height.
        const double across = static_cast<double>(picture[1]) / picture[0];
        EXPECT_GT(s.width, std::min(static_cast<double>(w), h / across) - 2);
        EXPECT_NEAR(s.width * across, s.height, 0.5 + 2 * across);
      }
    }
  }
}

TEST(FitVideo, UnknownPictureFillsTheArea) {
  const LayoutRect r{7, 9, 300, 200};
  EXPECT_EQ(FitVideoRect(r, 0, 0), r);
  EXPECT_EQ(FitVideoRect(r, 1920, 0), r);
}

TEST(FitVideo, HugeSizesDoNotOverflow) {
  const LayoutRect r{0, 0, 40000, 30000};
  const LayoutRect s = FitVideoRect(r, 65535, 1000);
  EXPECT_EQ(s.width, 40000);
  EXPECT_EQ(s.height, static_cast<int>(40000LL * 1000 / 65535));
}

TEST(FitVideo, EdgeShrinksOnlyOutsideFullScreen) {
  const LayoutRect bg{5, 48, 545, 221};
  EXPECT_EQ(VideoAreaInside(bg, false), (LayoutRect{7, 50, 541, 217}));
  EXPECT_EQ(VideoAreaInside(bg, true), bg);
}

TEST(WindowSizes, OnAFullHdMonitor) {
  const LayoutRect m{0, 0, 1920, 1080};
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Small, m), (LayoutRect{560, 260, 800, 560}));
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Medium, m), (LayoutRect{240, 135, 1536, 864}));
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Large, m), m);
}

TEST(WindowSizes, OnA720pMonitor) {
  const LayoutRect m{0, 0, 1280, 720};
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Small, m), (LayoutRect{240, 80, 800, 560}));
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Medium, m), (LayoutRect{160, 90, 1024, 576}));
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Large, m), m);
}

TEST(WindowSizes, OnASmallMonitorMediumKeepsTheMinimum) {
  const LayoutRect m{0, 0, 900, 600};
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Small, m), (LayoutRect{50, 20, 800, 560}));
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Medium, m), (LayoutRect{112, 75, 800, 560}));
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Large, m), m);
}

TEST(WindowSizes, SecondMonitorOffsetsByItsOrigin) {
  const LayoutRect m{1920, 0, 1280, 720};
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Small, m), (LayoutRect{2160, 80, 800, 560}));
  EXPECT_EQ(WindowSizeRect(WindowSizeCommand::Medium, m), (LayoutRect{2080, 90, 1024, 576}));
}
