// The long pause. libvlc 3's video output draws the paused picture again
// every 80 ms, and each drawing scales it to the window: a paused player
// kept a few percent of a core busy for as long as it stood. After a moment
// of pause the output is released (the engine turns the video track off),
// the window shows a still of the picture in its place, and every command
// that needs the live picture brings the output back first.
#include <QFile>
#include <QTemporaryDir>

#include "playback/CPlaybackController.h"
#include "fileio/FileCopy.h"
#include "playback/MediaEngine.h"

namespace {

constexpr const char* kStillName = "/paused.png";
// More than a restore ever plays (the wait for the output and its drawing).
constexpr int64_t kKeepOutputBeforeEndMs = 2000;

}  // namespace

MediaEngine& CPlaybackController::LiveEngine() {
  if (m_engine->IsVideoOutputReleased()) {
    m_engine->RestoreVideoOutput();
    // The moment the player played to make its output again is no progress
    // of the recording: its time reports are dropped.
    BeginNewTimeReports();
    SyncStill();
  }
  // A command given while paused leaves a picture that may stand again.
  ArmOutputRelease();
  return *m_engine;
}

void CPlaybackController::Play() {
  m_shownFrameMs = -1;
  m_engine->Play();
  SyncStill();
}

void CPlaybackController::ArmOutputRelease() {
  if (m_engine->IsLoaded() && m_engine->IsPaused()) m_releaseTimer.start();
}

void CPlaybackController::OnPauseSettled() {
  if (!m_engine->IsLoaded() || !m_engine->IsPaused() || m_engine->IsPlaying()) return;
  // A seek waiting for its tick, or a stop-and-reopen under way: the picture
  // is about to change, so the pause has not settled yet.
  if (m_seekTarget.load() != 0 || m_steps.IsRunning()) {
    ArmOutputRelease();
    return;
  }
  // Bringing the output back plays a moment; that close to the end it would
  // end the recording. Such a pause keeps its output.
  const int64_t length = m_engine->GetLength();
  if (length > 0 && length - m_engine->GetTime() < kKeepOutputBeforeEndMs) return;
  const QString still = StillPath();
  if (still.isEmpty()) return;
  if (m_engine->ReleaseVideoOutput(QFile::encodeName(still).toStdString())) SyncStill();
}

QString CPlaybackController::StillPath() {
  if (!m_stillDir) m_stillDir = std::make_unique<QTemporaryDir>();
  if (!m_stillDir->isValid()) return {};
  return m_stillDir->path() + QLatin1String(kStillName);
}

void CPlaybackController::SyncStill() {
  const QString still = m_engine->IsVideoOutputReleased() ? StillPath() : QString();
  if (still == m_stillShown) return;
  // The window read the picture when it was told of it.
  if (!m_stillShown.isEmpty()) QFile::remove(m_stillShown);
  m_stillShown = still;
  emit StillChanged(still);
}

void CPlaybackController::TakeSnapshot(const std::string& path) {
  if (!m_engine->IsVideoOutputReleased()) {
    m_engine->TakeSnapshot(path);
    return;
  }
  // The still is libvlc's own snapshot of the picture shown: the same file
  // a snapshot of the live output would write. Written whole or not at all.
  int error = 0;
  SafeCopyFile(QFile::encodeName(m_stillShown).toStdString(), path, error);
}
