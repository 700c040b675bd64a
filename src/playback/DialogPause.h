#pragma once
// A command that asks the user something pauses a playing recording for its
// dialog and gives it back as it stood: the picture on screen (or the still
// of a long pause), the position, and playing again when it played. Only the
// player's pause is touched, so a cancelled dialog changes nothing.
#include <QPointer>

#include "playback/CPlaybackController.h"

class DialogPause {
 public:
  explicit DialogPause(CPlaybackController& playback)
      : m_playback(&playback), m_wasPlaying(playback.PauseIfPlaying()) {}
  ~DialogPause() {
    // The window (and its controller) may have closed under the dialog.
    if (m_wasPlaying && !m_released && !m_playback.isNull()) m_playback->Play();
  }
  DialogPause(const DialogPause&) = delete;
  DialogPause& operator=(const DialogPause&) = delete;

  // The command goes on to stop or replace the recording itself.
  void Release() { m_released = true; }

 private:
  QPointer<CPlaybackController> m_playback;
  bool m_wasPlaying = false;
  bool m_released = false;
};
