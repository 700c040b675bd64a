#include <gtest/gtest.h>

#include <vector>

#include "views/CGSensorCtrl.h"
#include "TestSupport.h"

namespace {

// A 546 x 72 strip: plot from x 24, 520 wide; from y 20, 44 high; mid 42, bottom 64.
constexpr int kLeft = 24;
constexpr int kWidth = 520;
constexpr int kTop = 20;
constexpr int kMid = 42;
constexpr int kBottom = 64;
const QRgb kBackground = qRgb(64, 64, 64);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kGreen = qRgb(60, 255, 60);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kTick = qRgb(102, 102, 102);

std::vector<GSensorSample> Samples(size_t count, int8_t x, int8_t y, int8_t z) {
  std::vector<GSensorSample> samples(count);
  for (GSensorSample& sample : samples) sample = GSensorSample{x, y, z};
  return samples;
}

struct CurveFixture : ::testing::Test {
  PatternParent window;
  CGSensorCtrl* curve = nullptr;

  void SetUp() override {
    window.resize(600, 100);
    curve = new CGSensorCtrl(&window, 1003);  // owned by the window
    curve->setGeometry(5, 5, 546, 72);
    window.show();
  }

  // Loads a recording the way the track loader does.
  void Load(const std::vector<GSensorSample>& samples, double fullScale, double samplesPerMs) {
    curve->Clear();
    curve->SetScale(fullScale, 5.0);
    curve->Clear();
    curve->LoadSamples(static_cast<int32_t>(samples.size()), samples.data());
    curve->UpdateTimeAxis();
    curve->SetSamplesPerMs(samplesPerMs);
    curve->UpdateTimeAxis();
  }

  QImage Shown() { return Pixels(curve); }

  static int CountColour(const QImage& image, const QRect& area, QRgb colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x)
        count += (image.pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu);
    }
    return count;
  }

  // Pixels of an axis-coloured legend text: strongly of one hue on black.
  static int Coloured(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) {
        const QRgb p = image.pixel(x, y);
        count += std::abs(qRed(p) - qGreen(p)) > 60 || std::abs(qGreen(p) - qBlue(p)) > 60;
      }
    }
    return count;
  }
};

}  // namespace

TEST_F(CurveFixture, ValuesAreClippedAtTheRangeWhileTheLegendShowsThemWhole) {
  // Full scale 8 g (range byte 0): X at -128 is -8 g, Y at 64 is 4 g.
  Load(Samples(600, -128, 64, 0), 0.0, 0.01);
  EXPECT_EQ(curve->m_fullScale, 8.0);
  EXPECT_EQ(curve->m_range, 5.0);
  EXPECT_EQ(curve->m_durationMs, 60000.0);
  curve->SetCursor(30000);
  const std::array<double, 3> values = curve->ValuesAtCursor();
  EXPECT_DOUBLE_EQ(values[0], -8.0);
  EXPECT_DOUBLE_EQ(values[1], 4.0);
  EXPECT_DOUBLE_EQ(values[2], 0.0);

  const QImage shown = Shown();
  SaveArtifact(shown, QStringLiteral("gsensor-clipped.png"));
  // X lies on the plot's bottom edge, never below it.
  EXPECT_EQ(shown.pixel(kLeft + 100, kBottom) & 0xFFFFFFu, kYellow & 0xFFFFFFu);
  EXPECT_EQ(CountColour(shown, QRect(0, kBottom + 1, 546, 72 - kBottom - 1), kYellow), 0);
  // Y at trunc(42 - 4 * 44 / 10) = 24.
  EXPECT_EQ(shown.pixel(kLeft + 100, 24) & 0xFFFFFFu, kGreen & 0xFFFFFFu);
  // The cursor line at the middle of the recording.
  EXPECT_EQ(curve->CursorX(), kLeft + kWidth / 2);
  EXPECT_EQ(shown.pixel(kLeft + kWidth / 2, kTop + 10) & 0xFFFFFFu, kBlue & 0xFFFFFFu);
}

TEST_F(CurveFixture, LegendHoldsTheStrongestOfTheThreeNeighbours) {
  // 10 samples per second, cursor at 12 345 ms: sample 123 and its neighbours.
  std::vector<GSensorSample> samples = Samples(300, 0, 0, 0);
  samples[122] = {10, 0, 0};
  samples[123] = {0, -20, 0};
  samples[124] = {0, 0, 15};
  Load(samples, 2.0, 0.01);
  curve->SetCursor(12345);
  std::array<double, 3> values = curve->ValuesAtCursor();
  EXPECT_DOUBLE_EQ(values[1], -20 * 2.0 / 128);
  EXPECT_DOUBLE_EQ(values[0], 0.0);

  samples[122] = {0, 30, 0};  // the one before is stronger
  Load(samples, 2.0, 0.01);
  curve->SetCursor(12345);
  values = curve->ValuesAtCursor();
  EXPECT_DOUBLE_EQ(values[1], 30 * 2.0 / 128);

  samples[124] = {-128, 0, 1};  // the one after is strongest of all
  Load(samples, 2.0, 0.01);
  curve->SetCursor(12345);
  values = curve->ValuesAtCursor();
  EXPECT_DOUBLE_EQ(values[0], -2.0);
  EXPECT_DOUBLE_EQ(values[2], 2.0 / 128);

  samples[122] = {0, 0, 0};
  samples[123] = {-128, 0, 0};  // a tie keeps the sample under the cursor
  Load(samples, 2.0, 0.01);
  curve->SetCursor(12345);
  EXPECT_DOUBLE_EQ(curve->ValuesAtCursor()[2], 0.0);

  // The first and the last sample compare with themselves.
  std::vector<GSensorSample> two = {{5, 0, 0}, {9, 0, 0}};
  Load(two, 2.0, 0.01);
  curve->SetCursor(0);
  EXPECT_DOUBLE_EQ(curve->ValuesAtCursor()[0], 9 * 2.0 / 128);
  curve->SetCursor(150);
  EXPECT_DOUBLE_EQ(curve->ValuesAtCursor()[0], 9 * 2.0 / 128);
  curve->SetCursor(200);  // beyond the samples: clamped to the duration, no sample
  EXPECT_DOUBLE_EQ(curve->ValuesAtCursor()[0], 0.0);
}

TEST_F(CurveFixture, ClickingALegendSwitchesItsCurve) {
  Load(Samples(600, 0, 64, 0), 0.0, 0.01);
  curve->SetCursor(1000);
  QImage shown = Shown();
  const QRect yLegend = curve->m_legendRects[1];
  ASSERT_FALSE(yLegend.isEmpty());
  EXPECT_GT(curve->m_legendRects[1].left(), curve->m_legendRects[0].right());
  EXPECT_GT(Coloured(shown, yLegend), 10);
  EXPECT_GT(CountColour(shown, QRect(kLeft + 50, 24, 300, 1), kGreen), 250);

  Press(curve, yLegend.center());
  Release(curve, yLegend.center());
  EXPECT_EQ(curve->m_axisVisible[1], 0);
  EXPECT_EQ(curve->m_axisVisible[0], 1);
  shown = Shown();
  SaveArtifact(shown, QStringLiteral("gsensor-y-hidden.png"));
  EXPECT_EQ(Coloured(shown, yLegend), 0);  // grey text
  EXPECT_EQ(CountColour(shown, QRect(kLeft, kTop, kWidth, 44), kGreen), 0);

  // A click outside the legends changes nothing; a press on a legend released
  // elsewhere neither.
  Press(curve, QPoint(300, 50));
  Release(curve, QPoint(300, 50));
  Press(curve, yLegend.center());
  Release(curve, QPoint(300, 50));
  EXPECT_EQ(curve->m_axisVisible[1], 0);

  Press(curve, yLegend.center());
  Release(curve, yLegend.center());
  EXPECT_EQ(curve->m_axisVisible[1], 1);
  EXPECT_GT(CountColour(Shown(), QRect(kLeft + 50, 24, 300, 1), kGreen), 250);
}

TEST_F(CurveFixture, TicksFollowTheRecordingLength) {
  // 60 s with 10 samples per second: 300 tick intervals, every tenth long.
  Load(Samples(600, 0, 0, 0), 2.0, 0.01);
  curve->SetCursor(0);
  const QImage shown = Shown();
  SaveArtifact(shown, QStringLiteral("gsensor-ticks.png"));
  for (int i = 7; i < 300; i += 7) {  // i = 0 lies under the cursor
    const int x = kWidth * i / 300 + kLeft;
    const bool longTick = i % 10 == 0;
    const bool mediumTick = i % 10 == 5;
    EXPECT_EQ((shown.pixel(x, kBottom - 5) & 0xFFFFFFu) == (kTick & 0xFFFFFFu), longTick) << i;
    EXPECT_EQ((shown.pixel(x, kBottom - 3) & 0xFFFFFFu) == (kTick & 0xFFFFFFu), longTick || mediumTick) << i;
    EXPECT_EQ(shown.pixel(x, kBottom - 1) & 0xFFFFFFu, kTick & 0xFFFFFFu) << i;
  }
  // The zero line runs across the plot.
  EXPECT_EQ(CountColour(shown, QRect(kLeft + 30, kMid, kWidth - 40, 1), qRgb(255, 255, 255)), 0);  // covered by Z
  EXPECT_GT(CountColour(shown, QRect(kLeft + 30, kMid, kWidth - 40, 1), qRgb(255, 60, 60)), kWidth - 60);

  // Without samples: a 20 s axis (100 intervals), grey legends reading zero.
  curve->Clear();
  curve->UpdateTimeAxis();
  const QImage empty = Shown();
  SaveArtifact(empty, QStringLiteral("gsensor-empty.png"));
  EXPECT_EQ(empty.pixel(kWidth * 10 / 100 + kLeft, kBottom - 5) & 0xFFFFFFu, kTick & 0xFFFFFFu);
  EXPECT_EQ(empty.pixel(kWidth * 10 / 100 + kLeft + 1, kBottom - 5) & 0xFFFFFFu, kBackground & 0xFFFFFFu);
  for (const QRect& legend : curve->m_legendRects) EXPECT_EQ(Coloured(empty, legend), 0);
  EXPECT_EQ(empty.pixel(kLeft, kTop + 5) & 0xFFFFFFu, kBlue & 0xFFFFFFu);
}

TEST_F(CurveFixture, CursorIsClampedAndStopLeavesOnlyTheCursor) {
  Load(Samples(600, 40, 0, 0), 2.0, 0.01);
  curve->SetCursor(-500);
  EXPECT_EQ(curve->m_cursorMs, 0.0);
  curve->SetCursor(999999);
  EXPECT_EQ(curve->m_cursorMs, 60000.0);
  EXPECT_EQ(curve->m_windowStartMs, 0.0);
  QImage shown = Shown();
  const int x = curve->CursorX();
  EXPECT_EQ(x, kLeft + kWidth);
  EXPECT_TRUE((shown.pixel(x - 1, kMid + 5) & 0xFFFFFFu) == (kBlue & 0xFFFFFFu) ||
              (shown.pixel(x, kMid + 5) & 0xFFFFFFu) == (kBlue & 0xFFFFFFu));

  // Stop: cursor to 0, idle. The curves vanish, the cursor stays at the left.
  curve->SetCursor(0);
  curve->SetIdle(true);
  curve->Repaint();
  shown = Shown();
  SaveArtifact(shown, QStringLiteral("gsensor-stopped.png"));
  EXPECT_EQ(CountColour(shown, QRect(kLeft + 2, kTop, kWidth - 2, 44), kYellow), 0);
  EXPECT_EQ(shown.pixel(kLeft, kMid + 10) & 0xFFFFFFu, kBlue & 0xFFFFFFu);
  for (const QRect& legend : curve->m_legendRects) EXPECT_EQ(Coloured(shown, legend), 0);
  curve->SetIdle(false);
  EXPECT_GT(CountColour(Shown(), QRect(kLeft + 2, kTop, kWidth - 2, 44), kYellow), 400);
}

TEST_F(CurveFixture, LongRecordingsScrollAnHourAroundTheCursor) {
  // Two hours at 10 samples per second; X rises with time.
  std::vector<GSensorSample> samples(72000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = {static_cast<int8_t>(i * 100 / samples.size()), 0, 0};
  Load(samples, 2.0, 0.01);
  EXPECT_EQ(curve->m_windowMs, 3600000.0);
  curve->SetCursor(4000000);
  EXPECT_EQ(curve->m_windowStartMs, 2200000.0);
  EXPECT_EQ(curve->CursorX(), kLeft + kWidth / 2);
  const QImage shown = Shown();
  SaveArtifact(shown, QStringLiteral("gsensor-long.png"));
  // The curve fills the whole width: its last column is drawn.
  bool lastColumnDrawn = false;
  for (int y = kTop; y <= kBottom; ++y)
    lastColumnDrawn |= (shown.pixel(kLeft + kWidth - 1, y) & 0xFFFFFFu) == (kYellow & 0xFFFFFFu);
  EXPECT_TRUE(lastColumnDrawn);
  curve->SetCursor(7100000);  // near the end the window stops at the end
  EXPECT_EQ(curve->m_windowStartMs, 3600000.0);

  // Short recordings: the window is the recording.
  Load(Samples(5, 10, 0, 0), 2.0, 0.01);
  curve->SetCursor(250);
  EXPECT_EQ(curve->m_windowStartMs, 0.0);
  EXPECT_EQ(curve->CursorX(), kLeft + kWidth / 2);
}

TEST_F(CurveFixture, ARateOfZeroGivesNoLength) {
  Load(Samples(100, 10, 0, 0), 2.0, 0.0);
  EXPECT_EQ(curve->m_durationMs, 0.0);
  curve->SetCursor(5000);
  EXPECT_EQ(curve->m_cursorMs, 0.0);
  Shown();  // paints without dividing by zero
  EXPECT_EQ(curve->LoadSampleBlock(0, nullptr), 0);
}
