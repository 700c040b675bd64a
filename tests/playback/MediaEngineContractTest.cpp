// The engine against a stand-in library that logs every call: which libvlc
// functions each operation calls, in which order, with which arguments, and
// what happens when the library, a function or an object is missing.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "playback/MediaEngine.h"

namespace {

const std::vector<std::string> kNormalArgs = {"-I", "dummy", "--ignore-config", "--sub-source=marq"};

// Handle on the stand-in library, kept open by the test so that its log
// outlives the engine (which closes its own handle).
class FakeLibrary {
 public:
  explicit FakeLibrary(const char* path) : m_handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
    if (m_handle == nullptr) return;
    m_reset = reinterpret_cast<void (*)()>(dlsym(m_handle, "trk_fake_reset"));
    m_log = reinterpret_cast<const char* (*)()>(dlsym(m_handle, "trk_fake_log"));
    m_fail = reinterpret_cast<void (*)(const char*)>(dlsym(m_handle, "trk_fake_fail"));
    m_live = reinterpret_cast<int (*)(char)>(dlsym(m_handle, "trk_fake_live"));
    m_fire = reinterpret_cast<int (*)(libvlc_media_player_t*, int, std::int64_t)>(dlsym(m_handle, "trk_fake_fire"));
    m_reset();
  }
  ~FakeLibrary() {
    if (m_handle != nullptr) dlclose(m_handle);
  }
  bool Loaded() const { return m_handle != nullptr && m_reset && m_log && m_fail && m_live && m_fire; }
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    std::istringstream stream(m_log());
    std::string line;
    while (std::getline(stream, line)) lines.push_back(line);
    return lines;
  }
  void Reset() { m_reset(); }
  void Fail(const char* name) { m_fail(name); }
  int Live(char kind) const { return m_live(kind); }
  int Fire(libvlc_media_player_t* player, int type, std::int64_t value) { return m_fire(player, type, value); }

 private:
  void* m_handle;
  void (*m_reset)() = nullptr;
  const char* (*m_log)() = nullptr;
  void (*m_fail)(const char*) = nullptr;
  int (*m_live)(char) = nullptr;
  int (*m_fire)(libvlc_media_player_t*, int, std::int64_t) = nullptr;
};

std::string NewCall(const std::vector<std::string>& args) {
  std::string line = "libvlc_new(";
  for (size_t i = 0; i < args.size(); ++i) line += (i ? "|" : "") + args[i];
  return line + ")";
}

std::vector<std::string> AttachCalls() {
  std::vector<std::string> calls;
  for (int type : MediaEngine::kEventTypes) calls.push_back("libvlc_event_attach(" + std::to_string(type) + ")");
  calls.push_back("libvlc_event_attach(" + std::to_string(libvlc_MediaPlayerLengthChanged) + ")");
  return calls;
}

struct Received {
  std::vector<int> types;
  std::vector<void*> contexts;
  std::vector<std::int64_t> times;
  std::vector<std::int64_t> lengths;
  MediaEngine* engine = nullptr;
};

void RecordEvent(const libvlc_event_t* event, void* context) {
  auto* received = static_cast<Received*>(context);
  received->types.push_back(event->type);
  received->contexts.push_back(context);
  received->times.push_back(received->engine->GetTime());
  received->lengths.push_back(received->engine->GetLength());
}

class MediaEngineContract : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv(MediaEngine::kLibraryEnv);
    unsetenv(MediaEngine::kArgumentsEnv);
    ASSERT_TRUE(m_fake.Loaded()) << TRK_FAKE_LIBVLC;
  }
  FakeLibrary m_fake{TRK_FAKE_LIBVLC};
};

TEST_F(MediaEngineContract, CreateSetsInitialValuesAndCallsInOrder) {
  MediaEngine engine(TRK_FAKE_LIBVLC);
  EXPECT_TRUE(engine.IsLoaded());
  EXPECT_FALSE(engine.IsPlaying());
  EXPECT_TRUE(engine.IsPaused());
  EXPECT_EQ(engine.GetMode(), EngineMode::Normal);
  EXPECT_EQ(engine.GetVolume(), 200);
  EXPECT_EQ(engine.GetRate(), 1.0f);
  EXPECT_TRUE(engine.GetMediaPath().empty());
  EXPECT_NE(engine.Instance(), nullptr);
  EXPECT_NE(engine.Player(), nullptr);
  EXPECT_NE(engine.EventManager(), nullptr);
  EXPECT_EQ(engine.Media(), nullptr);
  EXPECT_EQ(m_fake.Log(),
            (std::vector<std::string>{NewCall(kNormalArgs), "libvlc_media_player_new",
                                      "libvlc_media_player_event_manager", "libvlc_audio_set_volume(200)"}));
}

TEST_F(MediaEngineContract, OperationsCallTheirFunctionAndKeepTheFlags) {
  MediaEngine engine(TRK_FAKE_LIBVLC);
  m_fake.Reset();
  engine.BindWindow(0x01234567ul);
  engine.Play();
  EXPECT_TRUE(engine.IsPlaying());
  EXPECT_FALSE(engine.IsPaused());
  EXPECT_TRUE(engine.HasVideoOutput());
  engine.Pause();
  engine.Pause();  // not guarded by the flags: libvlc toggles
  EXPECT_FALSE(engine.IsPlaying());
  EXPECT_TRUE(engine.IsPaused());
  engine.Stop();
  EXPECT_FALSE(engine.IsPlaying());
  EXPECT_FALSE(engine.IsPaused());
  EXPECT_FALSE(engine.HasVideoOutput());
  engine.SetTime(1500);
  engine.SetRate(2.0f);
  engine.SetVolume(74);
  engine.SetMute(1);
  EXPECT_EQ(engine.GetLength(), 4321);
  EXPECT_EQ(engine.GetTime(), 1234);
  engine.TakeSnapshot("/tmp/b\xc3\xa4r \xff.png");
  EXPECT_EQ(engine.GetRate(), 2.0f);
  EXPECT_EQ(engine.GetVolume(), 74);
  EXPECT_EQ(m_fake.Log(), (std::vector<std::string>{
                              "libvlc_media_player_set_xwindow(19088743)",
                              "libvlc_media_player_play",
                              "libvlc_media_player_has_vout",
                              "libvlc_media_player_pause",
                              "libvlc_media_player_pause",
                              "libvlc_media_player_stop",
                              "libvlc_media_player_has_vout",
                              "libvlc_media_player_set_time(1500)",
                              "libvlc_media_player_set_rate(2.000000)",
                              "libvlc_audio_set_volume(74)",
                              "libvlc_audio_set_mute(1)",
                              "libvlc_media_player_get_length",
                              "libvlc_media_player_get_time",
                              "libvlc_video_take_snapshot(0,/tmp/b\xc3\xa4r \xff.png,0,0)",
                          }));
}

TEST_F(MediaEngineContract, MarqueeSetsTextStyleAndKeepsTheFilterOn) {
  MediaEngine engine(TRK_FAKE_LIBVLC);
  m_fake.Reset();
  EXPECT_EQ(engine.ShowMarquee("2.0 X", 108, 1), 1);
  const std::vector<std::string> style = {
      "libvlc_video_set_marquee_int(6,108)",       "libvlc_video_set_marquee_int(3,255)",
      "libvlc_video_set_marquee_int(2,-16711936)", "libvlc_video_set_marquee_int(7,-1)",
      "libvlc_video_set_marquee_int(8,0)",         "libvlc_video_set_marquee_int(9,0)",
      "libvlc_video_set_marquee_int(0,1)"};
  std::vector<std::string> expected = {"libvlc_video_set_marquee_string(1,2.0 X)"};
  expected.insert(expected.end(), style.begin(), style.end());
  EXPECT_EQ(m_fake.Log(), expected);

  // Off: the text goes, the filter stays in the chain.
  m_fake.Reset();
  EXPECT_EQ(engine.ShowMarquee("1.0 X", 108, 0), 1);
  expected = {"libvlc_video_set_marquee_string(1,)"};
  expected.insert(expected.end(), style.begin(), style.end());
  EXPECT_EQ(m_fake.Log(), expected);
}

TEST_F(MediaEngineContract, ReleasedOutputComesBackAtItsTimeAndEveryNewStartForgetsIt) {
  const std::string still = ::testing::TempDir() + "engine-still.png";
  MediaEngine engine(TRK_FAKE_LIBVLC);
  engine.Open("/rec/A.AVI");
  EXPECT_FALSE(engine.ReleaseVideoOutput(still)) << "no output before Play";
  engine.Play();
  engine.Pause();
  m_fake.Reset();
  ASSERT_TRUE(engine.ReleaseVideoOutput(still));
  EXPECT_EQ(m_fake.Log(), (std::vector<std::string>{
                              "libvlc_media_player_has_vout", "libvlc_video_take_snapshot(0," + still + ",0,0)",
                              "libvlc_video_get_track", "libvlc_media_player_get_time", "libvlc_video_set_track(-1)"}));
  EXPECT_TRUE(std::ifstream(still).good());
  EXPECT_TRUE(engine.IsVideoOutputReleased());
  EXPECT_FALSE(engine.HasVideoOutput());
  EXPECT_TRUE(engine.IsPaused());
  m_fake.Reset();
  EXPECT_FALSE(engine.ReleaseVideoOutput(still)) << "released once only";
  EXPECT_TRUE(m_fake.Log().empty());

  // Paused, the output is made while the player plays a moment.
  engine.RestoreVideoOutput();
  engine.RestoreVideoOutput();  // nothing to restore any more
  EXPECT_EQ(m_fake.Log(), (std::vector<std::string>{"libvlc_video_set_track(0)", "libvlc_media_player_set_time(1234)",
                                                    "libvlc_audio_set_mute(1)", "libvlc_media_player_set_pause(0)",
                                                    "libvlc_media_player_has_vout", "libvlc_media_player_set_pause(1)",
                                                    "libvlc_media_player_set_time(1234)", "libvlc_audio_set_mute(0)"}));
  EXPECT_FALSE(engine.IsVideoOutputReleased());
  EXPECT_TRUE(engine.HasVideoOutput());
  EXPECT_TRUE(engine.IsPaused());
  // A player the user muted stays muted after the silent moment.
  engine.SetMute(1);
  ASSERT_TRUE(engine.ReleaseVideoOutput(still));
  m_fake.Reset();
  engine.RestoreVideoOutput();
  ASSERT_FALSE(m_fake.Log().empty());
  EXPECT_EQ(m_fake.Log().back(), "libvlc_audio_set_mute(1)");
  engine.SetMute(0);
  // Play restores it straight away.
  ASSERT_TRUE(engine.ReleaseVideoOutput(still));
  m_fake.Reset();
  engine.Play();
  EXPECT_EQ(m_fake.Log(), (std::vector<std::string>{"libvlc_video_set_track(0)", "libvlc_media_player_set_time(1234)",
                                                    "libvlc_media_player_play"}));
  EXPECT_FALSE(engine.IsVideoOutputReleased());

  // Another file, a stop or a rebuild: the output of the old start is gone
  // for good, and nothing is restored into the new one.
  const std::vector<std::pair<const char*, std::function<void()>>> forgetting = {
      {"Open", [&] { engine.Open("/rec/B.AVI"); }},
      {"Stop", [&] { engine.Stop(); }},
      {"Recreate", [&] { engine.Recreate(EngineMode::Rotated); }},
  };
  for (const auto& [name, forget] : forgetting) {
    SCOPED_TRACE(name);
    engine.Play();
    engine.Pause();
    ASSERT_TRUE(engine.ReleaseVideoOutput(still));
    forget();
    EXPECT_FALSE(engine.IsVideoOutputReleased());
    m_fake.Reset();
    engine.RestoreVideoOutput();
    EXPECT_TRUE(m_fake.Log().empty());
  }
  std::remove(still.c_str());
}

TEST_F(MediaEngineContract, OpenReplacesTheMediaAndKeepsOneReference) {
  {
    MediaEngine engine(TRK_FAKE_LIBVLC);
    engine.SetVolume(120);  // chosen before anything is open: holds for the next file
    m_fake.Reset();
    engine.Open("/rec/A.AVI");
    EXPECT_EQ(engine.GetMediaPath(), "/rec/A.AVI");
    EXPECT_NE(engine.Media(), nullptr);
    EXPECT_EQ(m_fake.Log(),
              (std::vector<std::string>{"libvlc_audio_set_volume(120)", "libvlc_media_new_path(/rec/A.AVI)",
                                        "libvlc_media_add_option(:ffmpeg-hw)", "libvlc_media_player_set_media(media)",
                                        "libvlc_video_set_key_input(0)", "libvlc_video_set_mouse_input(0)"}));
    EXPECT_EQ(m_fake.Live('m'), 1);

    m_fake.Reset();
    engine.Open("/rec/\xe6\x97\xa5\xff.MOV");  // bytes handed on untouched
    EXPECT_EQ(engine.GetMediaPath(), "/rec/\xe6\x97\xa5\xff.MOV");
    std::vector<std::string> log = m_fake.Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[1], "libvlc_media_release");
    EXPECT_EQ(log[2], "libvlc_media_new_path(/rec/\xe6\x97\xa5\xff.MOV)");
    engine.Open("/rec/C.AVI");
    EXPECT_EQ(m_fake.Live('m'), 1);
    EXPECT_EQ(m_fake.Live('p'), 1);
    EXPECT_EQ(m_fake.Live('i'), 1);
  }
  // Release gives back every object.
  EXPECT_EQ(m_fake.Live('m'), 0);
  EXPECT_EQ(m_fake.Live('p'), 0);
  EXPECT_EQ(m_fake.Live('i'), 0);
  std::vector<std::string> log = m_fake.Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ((std::vector<std::string>(log.end() - 3, log.end())),
            (std::vector<std::string>{"libvlc_media_release", "libvlc_media_player_release", "libvlc_release"}));
}

TEST_F(MediaEngineContract, EventsReachTheCallbackWithTheContextAndTimesComeFromTheEvents) {
  MediaEngine engine(TRK_FAKE_LIBVLC);
  Received received;
  received.engine = &engine;
  m_fake.Reset();
  engine.AttachEvents(&RecordEvent, &received);
  EXPECT_EQ(m_fake.Log(), AttachCalls());

  // A second AttachEvents swaps the callback without attaching twice.
  m_fake.Reset();
  engine.AttachEvents(&RecordEvent, &received);
  EXPECT_TRUE(m_fake.Log().empty());

  EXPECT_EQ(m_fake.Fire(engine.Player(), libvlc_MediaPlayerLengthChanged, 60000), 1);
  EXPECT_TRUE(received.types.empty());  // the engine's own event is not handed on
  EXPECT_EQ(m_fake.Fire(engine.Player(), libvlc_MediaPlayerTimeChanged, 2500), 1);
  EXPECT_EQ(m_fake.Fire(engine.Player(), libvlc_MediaPlayerEndReached, 0), 1);
  ASSERT_EQ(received.types, (std::vector<int>{libvlc_MediaPlayerTimeChanged, libvlc_MediaPlayerEndReached}));
  EXPECT_EQ(received.contexts, (std::vector<void*>{&received, &received}));
  // Inside the callback time and length are the events' own, with no call
  // into the library (which could wait on a concurrent Stop).
  EXPECT_EQ(received.times[0], 2500);
  EXPECT_EQ(received.lengths[0], 60000);
  EXPECT_TRUE(m_fake.Log().empty());
  // Outside the callback they come from the library.
  EXPECT_EQ(engine.GetTime(), 1234);
  EXPECT_EQ(engine.GetLength(), 4321);
}

TEST_F(MediaEngineContract, RecreateBeforeOpenOnlyStoresTheMode) {
  MediaEngine engine(TRK_FAKE_LIBVLC);
  libvlc_instance_t* instance = engine.Instance();
  libvlc_media_player_t* player = engine.Player();
  m_fake.Reset();
  EXPECT_EQ(engine.Recreate(EngineMode::Rotated), 0);
  EXPECT_EQ(engine.GetMode(), EngineMode::Rotated);
  EXPECT_EQ(engine.Instance(), instance);
  EXPECT_EQ(engine.Player(), player);
  EXPECT_TRUE(m_fake.Log().empty());
  EXPECT_TRUE(engine.IsLoaded());
}

TEST_F(MediaEngineContract, RecreateRebuildsWithTheModesArgumentsAndReattaches) {
  MediaEngine engine(TRK_FAKE_LIBVLC);
  Received received;
  received.engine = &engine;
  engine.AttachEvents(&RecordEvent, &received);
  engine.SetVolume(50);
  engine.Open("/rec/A.AVI");
  m_fake.Reset();
  EXPECT_EQ(engine.Recreate(EngineMode::Rotated), 1);
  // The old instance is released once the new one exists, so libvlc keeps
  // its plug-ins loaded.
  std::vector<std::string> expected = {
      "libvlc_media_release",
      "libvlc_media_player_release",
      NewCall({"", "--video-filter=transform", "--transform-type=180", "--sub-source=marq"}),
      "libvlc_release",
      "libvlc_media_player_new",
      "libvlc_media_player_event_manager"};
  for (const std::string& call : AttachCalls()) expected.push_back(call);
  expected.push_back("libvlc_audio_set_volume(50)");
  EXPECT_EQ(m_fake.Log(), expected);
  EXPECT_EQ(engine.Media(), nullptr);
  EXPECT_EQ(m_fake.Live('m'), 0);

  EXPECT_EQ(m_fake.Fire(engine.Player(), libvlc_MediaPlayerPlaying, 0), 1);
  EXPECT_EQ(received.types, (std::vector<int>{libvlc_MediaPlayerPlaying}));
  EXPECT_EQ(received.contexts, (std::vector<void*>{&received}));

  // Any mode other than 1 goes back to the normal list.
  engine.Open("/rec/A.AVI");
  m_fake.Reset();
  EXPECT_EQ(engine.Recreate(static_cast<EngineMode>(7)), 1);
  EXPECT_EQ(m_fake.Log().at(2), NewCall(kNormalArgs));
  EXPECT_EQ(m_fake.Live('i'), 1);
}

TEST_F(MediaEngineContract, ExtraArgumentsComeFromTheConstructorOrTheEnvironment) {
  {
    MediaEngine engine(TRK_FAKE_LIBVLC, {"--aout=dummy"});
    std::vector<std::string> args = kNormalArgs;
    args.push_back("--aout=dummy");
    EXPECT_EQ(m_fake.Log().at(0), NewCall(args));
  }
  m_fake.Reset();
  setenv(MediaEngine::kArgumentsEnv, "  --aout=dummy   --no-video-title-show ", 1);
  setenv(MediaEngine::kLibraryEnv, TRK_FAKE_LIBVLC, 1);
  MediaEngine engine;
  unsetenv(MediaEngine::kArgumentsEnv);
  unsetenv(MediaEngine::kLibraryEnv);
  EXPECT_EQ(engine.LibraryName(), TRK_FAKE_LIBVLC);
  std::vector<std::string> args = kNormalArgs;
  args.push_back("--aout=dummy");
  args.push_back("--no-video-title-show");
  EXPECT_EQ(m_fake.Log().at(0), NewCall(args));
}

// The display's output choice comes before the extra arguments (which can
// overrule it, the last word counting) and survives a rebuild in either mode.
TEST_F(MediaEngineContract, OutputArgumentsPrecedeTheExtraOnesInEveryMode) {
  MediaEngine engine(TRK_FAKE_LIBVLC, {"--gl=any"}, {"--gl=none", "--gles2=none"});
  for (const EngineMode mode : {EngineMode::Normal, EngineMode::Rotated}) {
    std::vector<std::string> args = engine.InstanceArguments(mode);
    ASSERT_GE(args.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(args.end() - 3, args.end()),
              (std::vector<std::string>{"--gl=none", "--gles2=none", "--gl=any"}));
  }
  EXPECT_EQ(m_fake.Log().at(0), NewCall(engine.InstanceArguments(EngineMode::Normal)));
}

// Every operation of an unloaded engine: nothing reaches the library.
void ExpectInert(MediaEngine& engine) {
  Received received;
  received.engine = &engine;
  const std::string pathBefore = engine.GetMediaPath();
  const float rateBefore = engine.GetRate();
  const std::int32_t volumeBefore = engine.GetVolume();
  EXPECT_FALSE(engine.IsLoaded());
  engine.BindWindow(42);
  engine.AttachEvents(&RecordEvent, &received);
  engine.Open("/rec/A.AVI");
  engine.Play();
  engine.Pause();
  engine.Stop();
  engine.SetTime(1000);
  engine.SetRate(2.0f);
  engine.SetVolume(10);
  engine.SetMute(1);
  engine.TakeSnapshot("/tmp/x.png");
  EXPECT_EQ(engine.GetLength(), -1);
  EXPECT_EQ(engine.GetTime(), -1);
  EXPECT_EQ(engine.ShowMarquee("2.0 X", 48, 1), 0);
  EXPECT_EQ(engine.Recreate(EngineMode::Rotated), 0);
  EXPECT_EQ(engine.GetMode(), EngineMode::Rotated);  // stored even so
  EXPECT_EQ(engine.GetRate(), rateBefore);
  EXPECT_EQ(engine.GetVolume(), volumeBefore);
  EXPECT_EQ(engine.GetMediaPath(), pathBefore);
  EXPECT_FALSE(engine.IsPlaying());
  EXPECT_EQ(engine.Player(), nullptr);
  EXPECT_EQ(engine.Media(), nullptr);
}

TEST_F(MediaEngineContract, NullInstanceLeavesTheEngineUnloaded) {
  m_fake.Fail("libvlc_new");
  MediaEngine engine(TRK_FAKE_LIBVLC);
  m_fake.Reset();
  ExpectInert(engine);
  EXPECT_TRUE(m_fake.Log().empty());
}

TEST_F(MediaEngineContract, NullPlayerLeavesTheEngineUnloadedAndGivesTheInstanceBack) {
  m_fake.Fail("libvlc_media_player_new");
  {
    MediaEngine engine(TRK_FAKE_LIBVLC);
    EXPECT_EQ(m_fake.Live('i'), 0);
    EXPECT_EQ(engine.Instance(), nullptr);
    m_fake.Reset();
    ExpectInert(engine);
    EXPECT_TRUE(m_fake.Log().empty());
  }
}

TEST_F(MediaEngineContract, NullEventManagerLeavesTheEngineUnloaded) {
  m_fake.Fail("libvlc_media_player_event_manager");
  MediaEngine engine(TRK_FAKE_LIBVLC);
  EXPECT_EQ(m_fake.Live('p'), 0);
  EXPECT_EQ(m_fake.Live('i'), 0);
  m_fake.Reset();
  ExpectInert(engine);
  EXPECT_TRUE(m_fake.Log().empty());
}

TEST_F(MediaEngineContract, FailedRecreateLeavesTheEngineUnloaded) {
  MediaEngine engine(TRK_FAKE_LIBVLC);
  engine.Open("/rec/A.AVI");
  m_fake.Fail("libvlc_media_player_new");
  EXPECT_EQ(engine.Recreate(EngineMode::Rotated), 0);
  m_fake.Reset();
  ExpectInert(engine);
  EXPECT_TRUE(m_fake.Log().empty());
  EXPECT_EQ(m_fake.Live('i'), 0);
  EXPECT_EQ(m_fake.Live('m'), 0);
}

TEST(MediaEngineLibrary, MissingFunctionMeansNoCallAtAll) {
  FakeLibrary partial(TRK_FAKE_LIBVLC_PARTIAL);
  ASSERT_TRUE(partial.Loaded());
  MediaEngine engine(TRK_FAKE_LIBVLC_PARTIAL);
  ExpectInert(engine);
  EXPECT_TRUE(partial.Log().empty());
  EXPECT_EQ(partial.Live('i'), 0);
}

TEST(MediaEngineLibrary, MissingLibraryMakesEveryOperationANoOp) {
  unsetenv(MediaEngine::kLibraryEnv);
  MediaEngine byArgument("libdoesnotexist.so");
  EXPECT_EQ(byArgument.Module(), nullptr);
  ExpectInert(byArgument);

  setenv(MediaEngine::kLibraryEnv, "libdoesnotexist.so", 1);
  MediaEngine byEnvironment;
  unsetenv(MediaEngine::kLibraryEnv);
  EXPECT_EQ(byEnvironment.LibraryName(), "libdoesnotexist.so");
  ExpectInert(byEnvironment);
}

}  // namespace
