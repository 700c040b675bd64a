#include "PlaybackSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "TestClips.h"

const std::vector<std::string> kTestArguments = {"--aout=dummy"};
std::string g_dir;
std::string g_recordingAvi;
std::string g_recordingMov;
std::string g_boxClip;

void PlaybackEnvironment::SetUp() {
  char pattern[] = "/tmp/trk-engine-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  g_dir = pattern;
  ASSERT_EQ(::chdir(g_dir.c_str()), 0);
  g_recordingAvi = g_dir + "/REC_0001.AVI";
  g_recordingMov = g_dir + "/REC_0002.MOV";
  g_boxClip = g_dir + "/box.avi";
  std::string maker;
  ASSERT_TRUE(MakeRecording(g_recordingAvi, 3, kWidth, kHeight, &maker));
  ASSERT_TRUE(MakeRecording(g_recordingMov, 3, kWidth, kHeight));
  ASSERT_TRUE(MakeBoxClip(g_boxClip, 8, kWidth, kHeight));
  std::printf("recordings made by %s in %s\n", maker.c_str(), g_dir.c_str());
  if (m_keepLibvlc) m_keeper = std::make_unique<MediaEngine>("", kTestArguments);
}

void PlaybackEnvironment::TearDown() {
  m_keeper.reset();
  if (!g_dir.empty() && std::getenv("TRK_KEEP_TEST_FILES") == nullptr)
    (void)std::system(("rm -rf '" + g_dir + "'").c_str());
}

void EventLog::Callback(const libvlc_event_t* event, void* context) {
  auto* log = static_cast<EventLog*>(context);
  SeenEvent seen{event->type, std::this_thread::get_id(), context, 0, 0};
  if (event->type == libvlc_MediaPlayerTimeChanged || event->type == libvlc_MediaPlayerPositionChanged) {
    if (log->slowdown.count() > 0) {
      {
        std::lock_guard<std::mutex> guard(log->m_lock);
        ++log->m_entered;
        log->m_changed.notify_all();
      }
      std::this_thread::sleep_for(log->slowdown);
    }
    seen.time = log->engine->GetTime();
    seen.length = log->engine->GetLength();
  }
  std::lock_guard<std::mutex> guard(log->m_lock);
  log->m_events.push_back(seen);
  log->m_changed.notify_all();
}

bool EventLog::WaitFor(int type, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(m_lock);
  return m_changed.wait_for(lock, timeout, [&] { return IndexOf(type) >= 0; });
}

bool EventLog::WaitForEntered(int count, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(m_lock);
  return m_changed.wait_for(lock, timeout, [&] { return m_entered > count; });
}

int EventLog::Entered() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_entered;
}

int EventLog::Index(int type) {
  std::lock_guard<std::mutex> guard(m_lock);
  return IndexOf(type);
}

int EventLog::IndexOf(int type) const {
  for (size_t i = 0; i < m_events.size(); ++i)
    if (m_events[i].type == type) return static_cast<int>(i);
  return -1;
}

std::vector<SeenEvent> EventLog::Events() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_events;
}

void EventLog::Clear() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_events.clear();
}

std::string TypeList(const std::vector<SeenEvent>& events) {
  std::string text;
  int last = -1;
  for (const SeenEvent& e : events) {
    if (e.type == last) continue;
    text += std::to_string(e.type) + " ";
    last = e.type;
  }
  return text;
}

void StartAndWait(MediaEngine& engine, EventLog& log, const std::string& path) {
  engine.Open(path);
  engine.Play();
  ASSERT_TRUE(log.WaitFor(libvlc_MediaPlayerPlaying)) << TypeList(log.Events());
  ASSERT_TRUE(log.WaitFor(libvlc_MediaPlayerTimeChanged)) << TypeList(log.Events());
  std::this_thread::sleep_for(500ms);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

void MediaEnginePlayback::SetUp() {
  ASSERT_TRUE(m_window.IsOpen()) << "no X display";
  struct stat info {};
  ASSERT_NE(::stat("plugins", &info), 0) << "the test folder must not have a plugins folder";
  ASSERT_TRUE(m_engine.IsLoaded()) << "libvlc.so.5 did not load";
  m_log.engine = &m_engine;
  m_engine.BindWindow(m_window.Id());
  m_engine.AttachEvents(&EventLog::Callback, &m_log);
}

bool WaitForWindow(const TestWindow& window, const std::function<bool(const RgbImage&)>& check,
                   std::chrono::milliseconds timeout, RgbImage* last) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    RgbImage image = window.Grab();
    const bool passed = check(image);
    if (last != nullptr) *last = std::move(image);
    if (passed) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(100ms);
  }
}

int MarqueeGreen(const RgbImage& image) { return image.Count(0, 0, kWidth / 2, kHeight / 4, IsGreen); }
