#pragma once
// The libvlc functions the engine calls, looked up by name in the library
// loaded at run time. <vlc/vlc.h> is used for its types and declarations
// only: nothing of libvlc is linked, every call goes through this table.
#include <vlc/vlc.h>

// Every function the engine uses, in one list. On Linux the video surface is
// an X11 window, so libvlc_media_player_set_xwindow stands where Windows
// uses libvlc_media_player_set_hwnd.
#define TRK_LIBVLC_FUNCTIONS(X)        \
  X(libvlc_new)                        \
  X(libvlc_release)                    \
  X(libvlc_media_player_new)           \
  X(libvlc_media_player_release)       \
  X(libvlc_media_player_event_manager) \
  X(libvlc_event_attach)               \
  X(libvlc_media_player_set_xwindow)   \
  X(libvlc_media_new_path)             \
  X(libvlc_media_add_option)           \
  X(libvlc_media_release)              \
  X(libvlc_media_player_set_media)     \
  X(libvlc_video_set_key_input)        \
  X(libvlc_video_set_mouse_input)      \
  X(libvlc_media_player_play)          \
  X(libvlc_media_player_pause)         \
  X(libvlc_media_player_set_pause)     \
  X(libvlc_media_player_stop)          \
  X(libvlc_media_player_get_length)    \
  X(libvlc_media_player_has_vout)      \
  X(libvlc_media_player_get_time)      \
  X(libvlc_media_player_set_time)      \
  X(libvlc_media_player_set_rate)      \
  X(libvlc_audio_set_volume)           \
  X(libvlc_audio_set_mute)             \
  X(libvlc_video_take_snapshot)        \
  X(libvlc_video_get_track)            \
  X(libvlc_video_set_track)            \
  X(libvlc_video_set_marquee_string)   \
  X(libvlc_video_set_marquee_int)

struct LibVlcApi {
  // One member per function, typed after its declaration in <vlc/vlc.h>.
#define TRK_LIBVLC_MEMBER(name) decltype(&::name) name = nullptr;
  TRK_LIBVLC_FUNCTIONS(TRK_LIBVLC_MEMBER)
#undef TRK_LIBVLC_MEMBER

  // Looks every function up in an open dlopen handle. Fills all of them and
  // returns true, or returns false and leaves the table empty when one is
  // missing, so a half-filled table is never used. missing (optional)
  // receives the name of the first function not found.
  bool Resolve(void* module, const char** missing = nullptr);

  static constexpr int kFunctionCount = 0
#define TRK_LIBVLC_COUNT(name) +1
      TRK_LIBVLC_FUNCTIONS(TRK_LIBVLC_COUNT)
#undef TRK_LIBVLC_COUNT
      ;
};
