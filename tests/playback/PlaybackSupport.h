#pragma once
// Shared by the tests that run the engine with the real libvlc in an X11
// window under xvfb-run: the recordings of the run, what the event callback
// saw, and a fixture with a window and a bound engine.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/MediaEngine.h"
#include "TestWindow.h"

using namespace std::chrono_literals;

// Audio goes to libvlc's dummy output: no sound device is needed.
extern const std::vector<std::string> kTestArguments;
constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Folder of this run, also the current directory: it has no "plugins"
// folder, so every test shows that libvlc finds its plug-ins by itself.
extern std::string g_dir;
extern std::string g_recordingAvi;  // 3 s, 320x240
extern std::string g_recordingMov;  // 3 s, 320x240
extern std::string g_boxClip;       // 8 s still picture, red block top left

// Makes the recordings, and with keepLibvlc holds one engine for the whole
// run. The viewer has one engine per process; a test program makes one per
// test, and libvlc unloads its plug-ins with its last instance. Some of them
// (the decoder's OpenMP runtime, with static TLS) load only a few times in a
// process, so the keeper saves the other tests from that.
class PlaybackEnvironment : public ::testing::Environment {
 public:
  explicit PlaybackEnvironment(bool keepLibvlc) : m_keepLibvlc(keepLibvlc) {}
  void SetUp() override;
  void TearDown() override;

 private:
  bool m_keepLibvlc;
  std::unique_ptr<MediaEngine> m_keeper;
};

struct SeenEvent {
  int type;
  std::thread::id thread;
  void* context;
  std::int64_t time;    // GetTime inside the callback
  std::int64_t length;  // GetLength inside the callback
};

// What the callback saw, with waits for it.
class EventLog {
 public:
  MediaEngine* engine = nullptr;
  // Time spent in the callback per time or position event, before it asks
  // the engine for time and length.
  std::chrono::milliseconds slowdown{0};

  static void Callback(const libvlc_event_t* event, void* context);

  bool WaitFor(int type, std::chrono::milliseconds timeout = 10s);
  // With a slowdown: waits until a time or position event has entered the
  // callback more than count times (it is then inside, sleeping).
  bool WaitForEntered(int count, std::chrono::milliseconds timeout = 10s);
  int Entered();
  int Index(int type);  // of the first such event, -1 for none
  std::vector<SeenEvent> Events();
  void Clear();

 private:
  int IndexOf(int type) const;

  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<SeenEvent> m_events;
  int m_entered = 0;
};

// The event types in order, runs of one type shown once.
std::string TypeList(const std::vector<SeenEvent>& events);
// Opens and plays a recording and waits until its picture is shown.
void StartAndWait(MediaEngine& engine, EventLog& log, const std::string& path);
bool FileExists(const std::string& path);
// Grabs the window until what it shows passes the check (true), or until the
// timeout (false); the last grab goes to last when given.
bool WaitForWindow(const TestWindow& window, const std::function<bool(const RgbImage&)>& check,
                   std::chrono::milliseconds timeout = 5s, RgbImage* last = nullptr);
// Green pixels where the marquee stands: the top left of the picture.
int MarqueeGreen(const RgbImage& image);

class MediaEnginePlayback : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override { m_engine.Stop(); }

  // The engine goes first: its player may call back into the log and draws
  // into the window until it is released.
  TestWindow m_window{kWidth, kHeight};
  EventLog m_log;
  MediaEngine m_engine{"", kTestArguments};
};
