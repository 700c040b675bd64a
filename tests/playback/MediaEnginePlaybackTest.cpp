// The engine with the real libvlc, playing real recordings into a real X11
// window (run under xvfb-run).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "playback/MediaEngine.h"
#include "PlaybackSupport.h"
#include "TestClips.h"
#include "TestWindow.h"

namespace {

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new PlaybackEnvironment(true));

TEST_F(MediaEnginePlayback, PlaysARecordingWithEventsOnLibvlcsThread) {
  for (const std::string& path : {g_recordingAvi, g_recordingMov}) {
    SCOPED_TRACE(path);
    m_log.Clear();
    m_engine.Open(path);
    m_engine.Play();
    EXPECT_TRUE(m_engine.IsPlaying());
    ASSERT_TRUE(m_log.WaitFor(libvlc_MediaPlayerPlaying)) << TypeList(m_log.Events());
    ASSERT_TRUE(m_log.WaitFor(libvlc_MediaPlayerTimeChanged)) << TypeList(m_log.Events());

    const std::int64_t length = m_engine.GetLength();
    EXPECT_NEAR(length, 3000, 100);

    // The seek, not the playing, brings the time to 2 s.
    const auto seekStart = std::chrono::steady_clock::now();
    const std::int64_t timeBefore = m_engine.GetTime();
    EXPECT_LT(timeBefore, 1000);
    m_engine.SetTime(2000);
    std::int64_t time = m_engine.GetTime();
    while (time < 1900 && std::chrono::steady_clock::now() - seekStart < 800ms) {
      std::this_thread::sleep_for(20ms);
      time = m_engine.GetTime();
    }
    EXPECT_GE(time, 1900);

    ASSERT_TRUE(m_log.WaitFor(libvlc_MediaPlayerEndReached)) << TypeList(m_log.Events());
    const std::vector<SeenEvent> events = m_log.Events();
    std::printf("events: %s\n", TypeList(events).c_str());
    const std::thread::id caller = std::this_thread::get_id();
    int timeEvents = 0;
    int timeEventsFromLibvlc = 0;
    for (const SeenEvent& e : events) {
      EXPECT_EQ(e.context, &m_log);
      if (e.type == libvlc_MediaPlayerPlaying || e.type == libvlc_MediaPlayerEndReached) {
        EXPECT_NE(e.thread, caller) << "event " << e.type;
      }
      if (e.thread == caller) std::printf("event %d came on the caller's thread\n", e.type);
      if (e.type == libvlc_MediaPlayerTimeChanged) {
        ++timeEvents;
        if (e.thread != caller) ++timeEventsFromLibvlc;
        // Inside the callback the events' own values answer.
        EXPECT_GE(e.time, 0);
        EXPECT_LE(e.time, 3100);
        EXPECT_NEAR(e.length, length, 100);
      }
    }
    EXPECT_GT(timeEvents, 1);
    // libvlc's own thread reports the playing time; only a SetTime may report
    // one on the caller's thread, from inside the call.
    EXPECT_GE(timeEventsFromLibvlc, timeEvents - 1);
    EXPECT_LT(m_log.Index(libvlc_MediaPlayerOpening), m_log.Index(libvlc_MediaPlayerPlaying));
    EXPECT_LT(m_log.Index(libvlc_MediaPlayerPlaying), m_log.Index(libvlc_MediaPlayerEndReached));
    m_engine.Stop();
  }
}

TEST_F(MediaEnginePlayback, SnapshotHasTheFrameSizeAndKeepsNameBytes) {
  StartAndWait(m_engine, m_log, g_recordingAvi);
  // UTF-8 name, and one that is not UTF-8 at all: the bytes must reach the disk.
  for (const std::string name : {"/Schnappschuss \xc3\xa4\xe6\x97\xa5.png", "/raw\xff\xfe.png"}) {
    const std::string path = g_dir + name;
    m_engine.TakeSnapshot(path);
    ASSERT_TRUE(FileExists(path)) << path;
    int width = 0, height = 0;
    ASSERT_TRUE(PngSize(path, &width, &height));
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
  }
}

TEST_F(MediaEnginePlayback, OpensFileNamesByTheirBytes) {
  for (const std::string name : {"/Fahrt \xc3\xa4 \xe6\x97\xa5\xe6\x9c\xac.AVI", "/raw\xff\xfe.AVI"}) {
    SCOPED_TRACE(name);
    const std::string path = g_dir + name;
    ASSERT_EQ(std::system(("cp '" + g_recordingAvi + "' '" + path + "'").c_str()), 0);
    m_log.Clear();
    m_engine.Open(path);
    EXPECT_EQ(m_engine.GetMediaPath(), path);
    m_engine.Play();
    ASSERT_TRUE(m_log.WaitFor(libvlc_MediaPlayerPlaying)) << TypeList(m_log.Events());
    ASSERT_TRUE(m_log.WaitFor(libvlc_MediaPlayerTimeChanged)) << TypeList(m_log.Events());
    EXPECT_EQ(m_log.Index(libvlc_MediaPlayerEncounteredError), -1);
    EXPECT_NEAR(m_engine.GetLength(), 3000, 100);
    m_engine.Stop();
  }
}

bool RedBlockTopLeft(const RgbImage& image) {
  return image.Count(0, 0, kWidth / 4, kHeight / 4, IsRed) > (kWidth / 4) * (kHeight / 4) * 8 / 10;
}
bool RedBlockBottomRight(const RgbImage& image) {
  return image.Count(kWidth * 3 / 4, kHeight * 3 / 4, kWidth / 4, kHeight / 4, IsRed) >
         (kWidth / 4) * (kHeight / 4) * 8 / 10;
}
bool MarqueeShown(const RgbImage& image) { return MarqueeGreen(image) > 50; }
bool MarqueeGone(const RgbImage& image) { return MarqueeGreen(image) == 0; }

TEST_F(MediaEnginePlayback, MarqueeAppearsOnThePictureAndGoesAgain) {
  StartAndWait(m_engine, m_log, g_boxClip);
  RgbImage before;
  ASSERT_TRUE(WaitForWindow(m_window, RedBlockTopLeft, 5s, &before)) << "the picture is not in the window";
  EXPECT_EQ(MarqueeGreen(before), 0);

  EXPECT_EQ(m_engine.ShowMarquee("2.0 X", 24, 1), 1);
  RgbImage with;
  EXPECT_TRUE(WaitForWindow(m_window, MarqueeShown, 5s, &with));
  EXPECT_NE(with.pixels, before.pixels);

  EXPECT_EQ(m_engine.ShowMarquee("1.0 X", 24, 0), 1);
  EXPECT_TRUE(WaitForWindow(m_window, MarqueeGone));
  // It stays off.
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(MarqueeGreen(m_window.Grab()), 0);

  // And comes back while the video output runs.
  EXPECT_EQ(m_engine.ShowMarquee("0.5 X", 24, 1), 1);
  EXPECT_TRUE(WaitForWindow(m_window, MarqueeShown));
}

TEST_F(MediaEnginePlayback, MarqueeShownRightAfterPlayAppears) {
  // The controller shows the speed marquee just after Play and repeats it
  // every 300 ms, while libvlc is building its video output. A fresh engine
  // each round: a player keeps its video output from one recording to the
  // next, so only the first start meets the output being built.
  for (int delay : {100, 150, 200, 250}) {
    SCOPED_TRACE(delay);
    MediaEngine engine("", kTestArguments);
    engine.BindWindow(m_window.Id());
    engine.Open(g_boxClip);
    engine.Play();
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(engine.ShowMarquee("2.0 X", 24, 1), 1);
      std::this_thread::sleep_for(300ms);
    }
    RgbImage shown;
    EXPECT_TRUE(WaitForWindow(m_window, MarqueeShown, 5s, &shown)) << "red block shown: " << RedBlockTopLeft(shown);
    engine.Stop();
  }
}

TEST_F(MediaEnginePlayback, RotatedModeTurnsThePictureOnceReopened) {
  libvlc_instance_t* instance = m_engine.Instance();
  libvlc_media_player_t* player = m_engine.Player();
  EXPECT_EQ(m_engine.Recreate(EngineMode::Rotated), 0);  // nothing opened yet
  EXPECT_EQ(m_engine.Instance(), instance);
  EXPECT_EQ(m_engine.Player(), player);
  EXPECT_EQ(m_engine.GetMode(), EngineMode::Rotated);
  EXPECT_EQ(m_engine.Recreate(EngineMode::Normal), 0);

  const int blockArea = (kWidth / 4) * (kHeight / 4);
  StartAndWait(m_engine, m_log, g_boxClip);
  const std::string normalPath = g_dir + "/normal.png";
  m_engine.TakeSnapshot(normalPath);
  RgbImage normal;
  ASSERT_TRUE(DecodePicture(normalPath, kWidth, kHeight, &normal));
  EXPECT_GT(normal.Count(0, 0, kWidth / 4, kHeight / 4, IsRed), blockArea * 8 / 10);
  EXPECT_EQ(normal.Count(kWidth * 3 / 4, kHeight * 3 / 4, kWidth / 4, kHeight / 4, IsRed), 0);

  // The rotate command: stop, rebuild, bind, reopen, play.
  m_engine.Stop();
  EXPECT_EQ(m_engine.Recreate(EngineMode::Rotated), 1);
  EXPECT_NE(m_engine.Player(), nullptr);
  EXPECT_EQ(m_engine.Media(), nullptr);
  m_engine.BindWindow(m_window.Id());
  m_log.Clear();
  StartAndWait(m_engine, m_log, g_boxClip);  // events still reach the same callback
  for (const SeenEvent& e : m_log.Events()) EXPECT_EQ(e.context, &m_log);

  const std::string rotatedPath = g_dir + "/rotated.png";
  m_engine.TakeSnapshot(rotatedPath);
  RgbImage rotated;
  ASSERT_TRUE(DecodePicture(rotatedPath, kWidth, kHeight, &rotated));
  EXPECT_EQ(rotated.Count(0, 0, kWidth / 4, kHeight / 4, IsRed), 0);
  EXPECT_GT(rotated.Count(kWidth * 3 / 4, kHeight * 3 / 4, kWidth / 4, kHeight / 4, IsRed), blockArea * 8 / 10);
  // And on the screen.
  EXPECT_TRUE(WaitForWindow(m_window, RedBlockBottomRight));

  // The marquee stays at the top left of what is shown.
  m_engine.ShowMarquee("2.0 X", 24, 1);
  EXPECT_TRUE(WaitForWindow(m_window, MarqueeShown));

  // Back to normal.
  m_engine.Stop();
  EXPECT_EQ(m_engine.Recreate(EngineMode::Normal), 1);
  m_engine.BindWindow(m_window.Id());
  m_log.Clear();
  StartAndWait(m_engine, m_log, g_boxClip);
  EXPECT_TRUE(WaitForWindow(m_window, RedBlockTopLeft));
}

TEST_F(MediaEnginePlayback, OpeningOneRecordingAfterAnotherReplacesTheMedia) {
  m_engine.Open(g_recordingAvi);
  libvlc_media_t* first = m_engine.Media();
  ASSERT_NE(first, nullptr);
  m_engine.Open(g_recordingMov);
  EXPECT_NE(m_engine.Media(), nullptr);
  EXPECT_EQ(m_engine.GetMediaPath(), g_recordingMov);
  m_engine.Play();
  ASSERT_TRUE(m_log.WaitFor(libvlc_MediaPlayerTimeChanged));
  EXPECT_NEAR(m_engine.GetLength(), 3000, 100);
}

TEST_F(MediaEnginePlayback, TimeAndLengthInTheCallbackNeverBlockAStop) {
  // The callback asks for time and length while the window thread stops the
  // player; a call into libvlc from the callback at that moment would wait
  // for the input lock that Stop holds while it waits for the callback.
  m_log.slowdown = 30ms;
  auto run = std::async(std::launch::async, [&] {
    int reached = 0;
    for (int round = 0; round < 8; ++round) {
      const int before = m_log.Entered();
      m_engine.Open(g_recordingAvi);
      m_engine.Play();
      // Stop while the callback is inside, on its way to GetTime/GetLength.
      if (m_log.WaitForEntered(before, 5s)) ++reached;
      m_engine.Stop();
    }
    return reached;
  });
  if (run.wait_for(60s) != std::future_status::ready) {
    ADD_FAILURE() << "Stop never returned: the event callback and Stop wait for each other";
    std::fflush(stdout);
    std::_Exit(1);
  }
  EXPECT_EQ(run.get(), 8) << TypeList(m_log.Events());
}

}  // namespace
