// Rebuilding the engine again and again (the rotate command) in a process of
// its own, without anything else keeping libvlc's plug-ins loaded.
#include <gtest/gtest.h>

#include "playback/MediaEngine.h"
#include "PlaybackSupport.h"

namespace {

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new PlaybackEnvironment(false));

TEST_F(MediaEnginePlayback, RotatingManyTimesKeepsDecoding) {
  // Every rebuild must leave the decoders usable: libvlc unloads its plug-ins
  // with its last instance, and a plug-in library with static TLS (the
  // decoder's OpenMP runtime) cannot be loaded again without end.
  for (int round = 0; round < 16; ++round) {
    SCOPED_TRACE(round);
    m_engine.Open(g_recordingAvi);
    m_engine.Stop();
    ASSERT_EQ(m_engine.Recreate(round % 2 == 0 ? EngineMode::Rotated : EngineMode::Normal), 1);
    m_engine.BindWindow(m_window.Id());
    m_log.Clear();
    m_engine.Open(g_recordingAvi);
    m_engine.Play();
    ASSERT_TRUE(m_log.WaitFor(libvlc_MediaPlayerTimeChanged)) << TypeList(m_log.Events());
    EXPECT_EQ(m_log.Index(libvlc_MediaPlayerEndReached), -1) << TypeList(m_log.Events());
  }
}

}  // namespace
