// The rate table and the playback arithmetic, the timed steps, the player's
// reports as the controller hands them on, and the sample shown last across a
// change of recording.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <string>
#include <vector>

#include "playback/CPlaybackController.h"
#include "playback/PlaybackSequence.h"
#include "playback/RateTable.h"
#include "map/TrackDrawing.h"
#include "TrackFixtures.h"
#include "ViewDoubles.h"
#include "WindowWait.h"
#include "playback/MediaEngine.h"

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

// The player's reports as the window gets them: on its own thread, in the
// order they were made, without the stale ones.
TEST_F(Steps, PlayerReportsBecomeSignalsInTheirOrderAndStaleOnesAreDropped) {
  // No media library: the reports are made by hand.
  const QByteArray library = qgetenv(MediaEngine::kLibraryEnv);
  qputenv(MediaEngine::kLibraryEnv, "libvlc-not-here.so");
  CPlaybackController controller;
  qputenv(MediaEngine::kLibraryEnv, library);
  std::atomic<int32_t> busy{1};
  controller.SetBusyGuard(&busy);
  std::vector<std::string> seen;
  QObject::connect(&controller, &CPlaybackController::StateChanged,
                   [&](PlayerState state) { seen.push_back("state " + std::to_string(static_cast<int>(state))); });
  QObject::connect(&controller, &CPlaybackController::TimeReported, [&](int64_t, int32_t) { seen.push_back("time"); });
  QObject::connect(&controller, &CPlaybackController::Ended, [&] { seen.push_back("end"); });
  QObject::connect(&controller, &CPlaybackController::Failed, [&] { seen.push_back("error"); });
  const auto report = [&](int type) {
    libvlc_event_t event{};
    event.type = type;
    CPlaybackController::OnPlayerEvent(&event, &controller);
  };

  report(libvlc_MediaPlayerPlaying);
  report(libvlc_MediaPlayerTimeChanged);
  EXPECT_TRUE(seen.empty()) << "queued for the window thread";
  EXPECT_EQ(busy.load(), 0) << "a time report releases the busy guard";
  report(libvlc_MediaPlayerEndReached);
  report(libvlc_MediaPlayerPaused);
  Pump(20);
  EXPECT_EQ(seen, (std::vector<std::string>{"state 3", "time", "end", "state 4"}));

  // A time report made before the window set the slider, one made while a
  // seek is pending, and an end made before the window opened a file are
  // dropped; an error is not.
  seen.clear();
  report(libvlc_MediaPlayerTimeChanged);
  controller.BeginNewTimeReports();
  controller.SetSeekTarget(5000);
  report(libvlc_MediaPlayerTimeChanged);
  report(libvlc_MediaPlayerEndReached);
  EXPECT_EQ(controller.SeekTarget(), 0) << "an end clears the pending seek";
  controller.OpenMedia("/nowhere/FILE0001.AVI");
  report(libvlc_MediaPlayerEncounteredError);
  Pump(20);
  EXPECT_EQ(seen, std::vector<std::string>{"error"});
  EXPECT_EQ(controller.EndReports(), 3u);
}

// The sample shown last belongs to the recording it was shown for.
TEST(LastShownSample, ANewRecordingShowsItsFirstReportEvenAtTheSameIndex) {
  using namespace trk_test;
  TempFolder dir;
  RecordingLibrary library;
  MapDouble map;
  TrackDrawing drawing(&map);
  RecordingPlan first, second;
  for (int i = 0; i < 20; ++i) first.gps.push_back(DriveFix(i));
  for (int i = 0; i < 20; ++i) second.gps.push_back(DriveFix(i + 40));
  FillLibrary(library, {WriteRecording(dir.Folder(), first), WriteRecording(dir.Folder(), second)}, true);

  ASSERT_NE(library.LoadTrack(0), nullptr);
  ASSERT_EQ(drawing.PositionAt(library.Track(), 5000, true).kind, TrackPosition::Kind::NewFix);
  // The next recording's first report lands on sample 5 as well (a seek, or
  // a recording that starts late): it must move the marker to the new route.
  drawing.ClearTrack();
  ASSERT_NE(library.LoadTrack(1), nullptr);
  map.calls.clear();
  ASSERT_EQ(drawing.PositionAt(library.Track(), 5000, true).kind, TrackPosition::Kind::NewFix);
  ASSERT_EQ(map.calls.size(), 1u);
  EXPECT_EQ(map.calls[0].rfind("MovePosition(", 0), 0u) << map.calls[0];
  // Within one recording the same sample still moves the marker only once.
  map.calls.clear();
  ASSERT_EQ(drawing.PositionAt(library.Track(), 5500, true).kind, TrackPosition::Kind::ShownLast);
  EXPECT_TRUE(map.calls.empty());
}

}  // namespace
