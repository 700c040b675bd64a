// Frame stepping. These two functions are not in the table every library
// must export (LibVlcApi): a libvlc without them still plays, so they are
// looked up when asked for and simply do nothing when absent.
#include <dlfcn.h>

#include "playback/MediaEngine.h"

namespace {

template <typename Function>
Function Lookup(void* module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(dlsym(module, name));
}

}  // namespace

void MediaEngine::NextFrame() {
  if (!IsLoaded() || m_player.Get() == nullptr) return;
  using NextFrameFunction = void (*)(libvlc_media_player_t*);
  if (auto next = Lookup<NextFrameFunction>(Module(), "libvlc_media_player_next_frame")) {
    next(m_player.Get());
    // libvlc holds the new picture paused.
    m_playing = 0;
    m_paused = 1;
  }
}

double MediaEngine::GetFps() const {
  if (!IsLoaded() || m_player.Get() == nullptr) return 0.0;
  using FpsFunction = float (*)(libvlc_media_player_t*);
  auto fps = Lookup<FpsFunction>(Module(), "libvlc_media_player_get_fps");
  if (fps == nullptr) return 0.0;
  const float value = fps(m_player.Get());
  return value > 0.0f && value < 1000.0f ? static_cast<double>(value) : 0.0;
}
