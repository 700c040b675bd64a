// The rate table and the playback arithmetic, the timed steps, and the
// sample shown last across a change of recording.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <string>
#include <vector>

#include "PlaybackSequence.h"
#include "PrivateMessages.h"
#include "RateTable.h"
#include "TimeReportEvent.h"
#include "TrackDrawing.h"
#include "TrackFixtures.h"
#include "ViewDoubles.h"
#include "WindowWait.h"

namespace {

TEST(RateTable, StepsAndLabels) {
  ASSERT_EQ(RateTable.size(), 18u);
  EXPECT_EQ(RateTable[kNormalRateIndex].rate, 1.0);
  EXPECT_STREQ(RateTable[0].label, "0.3 X");
  EXPECT_STREQ(RateTable[kLastRateIndex].label, "4.0 X");
  for (size_t i = 1; i < RateTable.size(); ++i) {
    const double step = RateTable[i].rate - RateTable[i - 1].rate;
    const double expected = RateTable[i - 1].rate < 1.0 ? 0.1 : RateTable[i - 1].rate < 2.0 ? 0.2 : 0.4;
    EXPECT_NEAR(step, expected, 1e-9) << i;
    char label[16];
    std::snprintf(label, sizeof label, "%.1f X", RateTable[i].rate);
    EXPECT_STREQ(RateTable[i].label, label);
  }
}

TEST(PlaybackArithmetic, MarqueeSizeSeekTargetAndSliderPosition) {
  EXPECT_EQ(MarqueeSizeFor(480), 48);
  EXPECT_EQ(MarqueeSizeFor(1080), 108);
  EXPECT_EQ(MarqueeSizeFor(0), 48);
  EXPECT_EQ(MarqueeSizeFor(719), 71);
  // Division first: a slider at 500 of a 3999 ms recording seeks to 1500.
  EXPECT_EQ(SeekTargetFor(500, 3999), 1500);
  EXPECT_EQ(SeekTargetFor(1000, 60000), 60000);
  // No media library (length -1) or a length under a second: nothing pending.
  EXPECT_EQ(SeekTargetFor(700, -1), 0);
  EXPECT_EQ(SeekTargetFor(700, 999), 0);
  EXPECT_EQ(SliderPositionFor(1500, 3000), 500);
  EXPECT_EQ(SliderPositionFor(2999, 3000), 999);
  EXPECT_EQ(SliderPositionFor(1500, 0), 0);
  EXPECT_EQ(SliderPositionFor(1500, -1), 0);
  EXPECT_EQ(SliderPositionFor(-5, 3000), 0);
  EXPECT_EQ(SliderPositionFor(4000, 3000), 1000);
}

// The timed steps need an event loop.
class Steps : public ::testing::Test {
 protected:
  bool RunUntilIdle(PlaybackSequence& steps, int timeoutMs = 5000) {
    return WaitFor([&] { return !steps.IsRunning(); }, timeoutMs);
  }
  int argc = 1;
  char name[8] = "steps";
  char* argv[1] = {name};
  QCoreApplication app{argc, argv};
};

TEST_F(Steps, PausesKeepTheOrderAndHeldWorkFollows) {
  std::vector<std::string> log;
  PlaybackSequence steps;
  EXPECT_FALSE(steps.HoldWhileRunning([&] { log.push_back("never held"); }));
  QElapsedTimer clock;
  clock.start();
  qint64 resumedAt = -1;
  steps.Run({PlaybackSequence::Do([&] {
               log.push_back("stop");
               return true;
             }),
             PlaybackSequence::Pause(200), PlaybackSequence::Do([&] {
               resumedAt = clock.elapsed();
               log.push_back("open");
               return true;
             })});
  // The first step ran at once; the rest waits for the pause.
  EXPECT_EQ(log, std::vector<std::string>({"stop"}));
  EXPECT_TRUE(steps.IsRunning());
  EXPECT_TRUE(steps.HoldWhileRunning([&] { log.push_back("held 1"); }));
  EXPECT_TRUE(steps.HoldWhileRunning([&] { log.push_back("held 2"); }));
  ASSERT_TRUE(RunUntilIdle(steps));
  EXPECT_GE(resumedAt, 195);
  EXPECT_EQ(log, std::vector<std::string>({"stop", "open", "held 1", "held 2"}));
}

TEST_F(Steps, AStepThatAnswersFalseDropsTheRestOfItsRunOnly) {
  std::vector<std::string> log;
  PlaybackSequence steps;
  steps.Run({PlaybackSequence::Pause(20), PlaybackSequence::Do([&] {
               log.push_back("refused");
               return false;
             }),
             PlaybackSequence::Do([&] {
               log.push_back("dropped");
               return true;
             })});
  steps.Run({PlaybackSequence::Do([&] {
    log.push_back("second run");
    return true;
  })});
  ASSERT_TRUE(RunUntilIdle(steps));
  EXPECT_EQ(log, std::vector<std::string>({"refused", "second run"}));
}

TEST_F(Steps, HeldWorkThatStartsStepsHoldsTheWorkAfterIt) {
  std::vector<std::string> log;
  PlaybackSequence steps;
  auto run = [&](const std::string& name) {
    steps.Run({PlaybackSequence::Do([&log, name] {
                 log.push_back(name + " stop");
                 return true;
               }),
               PlaybackSequence::Pause(30), PlaybackSequence::Do([&log, name] {
                 log.push_back(name + " open");
                 return true;
               })});
  };
  run("a");
  steps.HoldWhileRunning([&] { run("b"); });
  steps.HoldWhileRunning([&] {
    if (!steps.HoldWhileRunning([&] { log.push_back("c"); })) log.push_back("c");
  });
  ASSERT_TRUE(RunUntilIdle(steps));
  EXPECT_EQ(log, std::vector<std::string>({"a stop", "a open", "b stop", "b open", "c"}));
}

TEST_F(Steps, PauseUntilEndsOnItsConditionButNotBeforeItsMinimum) {
  PlaybackSequence steps;
  bool ready = false;
  QElapsedTimer clock;
  clock.start();
  qint64 endedAt = -1;
  steps.Run({PlaybackSequence::Do([&] {
               ready = true;  // already true at the first look
               return true;
             }),
             PlaybackSequence::PauseUntil(50, 3000, [&] { return ready; }), PlaybackSequence::Do([&] {
               endedAt = clock.elapsed();
               return true;
             })});
  ASSERT_TRUE(RunUntilIdle(steps));
  EXPECT_GE(endedAt, 48);
  EXPECT_LT(endedAt, 2000);

  // Not ready: it waits for the condition, then goes on.
  ready = false;
  clock.restart();
  steps.Run({PlaybackSequence::PauseUntil(50, 3000, [&] { return ready; }), PlaybackSequence::Do([&] {
               endedAt = clock.elapsed();
               return true;
             })});
  Pump(300);
  EXPECT_TRUE(steps.IsRunning());
  ready = true;
  ASSERT_TRUE(RunUntilIdle(steps));
  EXPECT_GE(endedAt, 300);

  // Never ready: the maximum ends it.
  ready = false;
  clock.restart();
  steps.Run({PlaybackSequence::PauseUntil(10, 200, [&] { return ready; }), PlaybackSequence::Do([&] {
               endedAt = clock.elapsed();
               return true;
             })});
  ASSERT_TRUE(RunUntilIdle(steps));
  EXPECT_GE(endedAt, 195);
}

TEST_F(Steps, AClosedOwnerDropsPendingStepsAndHeldWork) {
  bool alive = true;
  std::vector<std::string> log;
  PlaybackSequence steps([&] { return alive; });
  steps.Run({PlaybackSequence::Do([&] {
               log.push_back("stop");
               return true;
             }),
             PlaybackSequence::Pause(50), PlaybackSequence::Do([&] {
               log.push_back("play after close");
               return true;
             })});
  steps.HoldWhileRunning([&] { log.push_back("held after close"); });
  alive = false;
  ASSERT_TRUE(RunUntilIdle(steps));
  Pump(100);
  EXPECT_EQ(log, std::vector<std::string>({"stop"}));
}

// A receiver of the window's private messages, as the window sees them.
class TimeReportReceiver : public QObject {
 public:
  struct Seen {
    uint32_t timeLow;
    int32_t position;
    uint32_t span;
    qintptr wParam;
  };
  bool event(QEvent* event) override {
    const CPrivateEvent* message = AsPrivateEvent(event);
    if (!message) return QObject::event(event);
    if (const CTimeReportEvent* report = CTimeReportEvent::From(*message))
      seen.push_back({report->TimeLow(), report->SliderPosition(), report->Span(), message->WParam()});
    return true;
  }
  std::vector<Seen> seen;
};

// The time report keeps its time, slider position and span number whole,
// whatever the width of the message's wParam and lParam on the platform.
TEST_F(Steps, TimeReportsCarryPositionAndSpanInFieldsOfTheirOwn) {
  TimeReportReceiver window;
  const TimeReportReceiver::Seen sent[] = {
      {0, 0, 0, 0},
      {0xFFFFFFFFu, 1000, 0xFFFFFFFFu, 0},
      {0x80000000u, 999, 0x80000001u, 0},
      {12345, 500, 7, 0},
  };
  for (const auto& report : sent) PostTimeReport(&window, report.timeLow, report.position, report.span);
  // A bare WM_PLAYER_TIME carries no report.
  PostPrivateMessage(&window, WM_PLAYER_TIME, 5, 5);
  Pump(50);
  ASSERT_EQ(window.seen.size(), std::size(sent));
  for (std::size_t i = 0; i < std::size(sent); ++i) {
    EXPECT_EQ(window.seen[i].timeLow, sent[i].timeLow);
    EXPECT_EQ(window.seen[i].position, sent[i].position);
    EXPECT_EQ(window.seen[i].span, sent[i].span);
    EXPECT_EQ(static_cast<uint32_t>(window.seen[i].wParam), sent[i].timeLow);  // the time also as ever
  }
}

// The sample shown last belongs to the recording it was shown for.
TEST(LastShownSample, ANewRecordingShowsItsFirstReportEvenAtTheSameIndex) {
  using namespace trk_test;
  TempFolder dir;
  RecordingLibrary library;
  MapDouble map;
  OwnerDouble owner;
  CurveDouble curve;
  library.SetGSensorView(&curve);
  library.SetMapView(&map);
  library.SetOwnerView(&owner);
  RecordingPlan first, second;
  for (int i = 0; i < 20; ++i) first.gps.push_back(DriveFix(i));
  for (int i = 0; i < 20; ++i) second.gps.push_back(DriveFix(i + 40));
  FillLibrary(library, {WriteRecording(dir.Folder(), first), WriteRecording(dir.Folder(), second)}, true);

  ASSERT_EQ(LoadRecordingTrack(library, 0), 1);
  ASSERT_EQ(UpdatePosition(library, 5000, false, true), 1);
  EXPECT_EQ(LastShownSample, 5);
  // The next recording's first report lands on sample 5 as well (a seek, or
  // a recording that starts late): it must move the marker to the new route.
  ASSERT_EQ(LoadRecordingTrack(library, 1), 1);
  EXPECT_EQ(LastShownSample, 0);
  map.calls.clear();
  owner.calls.clear();
  ASSERT_EQ(UpdatePosition(library, 5000, false, true), 1);
  ASSERT_EQ(map.calls.size(), 1u);
  EXPECT_EQ(map.calls[0].rfind("MovePosition(", 0), 0u) << map.calls[0];
  EXPECT_FALSE(owner.calls.empty());
  // Within one recording the same sample still moves the marker only once.
  map.calls.clear();
  ASSERT_EQ(UpdatePosition(library, 5500, false, true), 1);
  EXPECT_TRUE(map.calls.empty());
}

}  // namespace
