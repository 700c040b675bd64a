#pragma once
// The only gateway to the libvlc media library. The library is loaded at run
// time by its bare name and never linked; every function is looked up by
// name (LibVlcApi). When loading or creating fails the engine stays
// unloaded and every operation is a no-op (length and time -1).
//
// Threads: every operation is called on the window thread. The event
// callback runs on the media library's own thread; from there only
// GetLength and GetTime may be called. Inside the callback they answer from
// the values the events carried (no call into libvlc), because libvlc holds
// its input lock while a Stop waits for the running callback, so a libvlc
// call from the callback during a Stop would wait forever.
#include <array>
#include <atomic>
#include <optional>
#include <cstdint>
#include <string>
#include <vector>

#include "playback/LibVlcApi.h"
#include "playback/SharedLibrary.h"
#include "playback/VlcRef.h"

// Chooses the instance's argument list: 1 turns the picture by 180 degrees.
// Any other value selects the normal list.
enum class EngineMode : std::int32_t { Normal = 0, Rotated = 1 };

class MediaEngine {
 public:
  using EventCallback = libvlc_callback_t;

  // The player events handed to the callback given to AttachEvents, in the
  // order they are attached.
  static constexpr std::array<int, 12> kEventTypes = {
      libvlc_MediaPlayerPositionChanged,  // 268
      libvlc_MediaPlayerSeekableChanged,  // 269
      libvlc_MediaPlayerTimeChanged,      // 267
      libvlc_MediaStateChanged,           // 5: a media event, never sent by the player
      libvlc_MediaPlayerMediaChanged,     // 256
      libvlc_MediaPlayerOpening,          // 258
      libvlc_MediaPlayerBuffering,        // 259
      libvlc_MediaPlayerPlaying,          // 260
      libvlc_MediaPlayerPaused,           // 261
      libvlc_MediaPlayerStopped,          // 262
      libvlc_MediaPlayerEndReached,       // 265
      libvlc_MediaPlayerEncounteredError  // 266
  };

  static constexpr const char* kDefaultLibraryName = "libvlc.so.5";
  // Environment variables read when the constructor is not given a value:
  // the library to load, and extra instance arguments (separated by blanks,
  // e.g. "--aout=dummy" for machines without a sound device).
  static constexpr const char* kLibraryEnv = "TRK_LIBVLC";
  static constexpr const char* kArgumentsEnv = "TRK_LIBVLC_ARGS";

  // Loads the library and creates the instance and the player (Create).
  // libraryName: empty = $TRK_LIBVLC, else "libvlc.so.5".
  // extraArguments: appended to the instance's argument list; when empty,
  // the words of $TRK_LIBVLC_ARGS are used.
  // outputArguments: the display's choice of video output, placed before the
  // extra arguments so that those can still overrule it.
  explicit MediaEngine(std::string libraryName = {}, std::vector<std::string> extraArguments = {},
                       std::vector<std::string> outputArguments = {});
  ~MediaEngine();  // Release
  MediaEngine(const MediaEngine&) = delete;
  MediaEngine& operator=(const MediaEngine&) = delete;

  // Rebuilds instance and player with the argument list of mode; 1 when
  // rebuilt, 0 when not (unloaded, or nothing was opened yet: then only the
  // mode is stored). The caller binds the window and opens the media again.
  int Recreate(EngineMode mode);
  // X11 window id of the video surface.
  void BindWindow(unsigned long window);
  // callback(event, context) for the twelve kEventTypes, on libvlc's thread.
  void AttachEvents(EventCallback callback, void* context);
  // UTF-8 path (on Linux: the file name's bytes as they are). Does not play.
  void Open(const std::string& path);
  void Play();
  void Pause();  // libvlc treats a second Pause as a toggle
  void Stop();
  std::int64_t GetLength() const;  // milliseconds, -1 when unloaded
  std::int64_t GetTime() const;    // milliseconds, -1 when unloaded
  void SetTime(std::int64_t ms);
  void SetRate(float rate);
  void SetVolume(std::int32_t volume);  // 0..200 percent
  void SetMute(std::int32_t mute);      // 0 or 1
  // Writes the current picture at its own size; the file name's extension
  // chooses the format (.jpg, .png).
  void TakeSnapshot(const std::string& path);
  // A long pause without the video output. libvlc's output draws the paused
  // picture again every 80 ms, scaling it each time; with the video track off
  // it is closed and the paused player costs nothing. Release writes the
  // picture shown to stillPath first (PNG, its own size), for the surface to
  // show meanwhile; false (nothing changed) when there is no output or the
  // picture could not be written. Restore turns the track back on and seeks
  // to the time the player stood at, which brings the output and the picture
  // back, still paused (it blocks for a moment, see Restore); nothing when
  // not released. libvlc's time of a paused player may lag its picture by up
  // to one time report (about 250 ms), and the picture restored is the one at
  // that time, the time the slider shows. Play restores without that moment. Open, Stop, Recreate
  // and Release forget a released output.
  bool ReleaseVideoOutput(const std::string& stillPath);
  void RestoreVideoOutput();
  bool IsVideoOutputReleased() const { return m_released.has_value(); }

  // Green, opaque text at the picture's top left corner, no timeout;
  // enable 0 takes it off the picture. 1 when done, 0 when unloaded.
  int ShowMarquee(const std::string& text, std::int32_t size, std::int32_t enable);
  // One picture forward; the player stays paused (MediaEngineFrames.cpp).
  // Nothing when the loaded library lacks frame stepping.
  void NextFrame();
  // Pictures per second of the playing media; 0 when not known.
  double GetFps() const;

  // State read by the playback controller.
  bool IsLoaded() const { return m_loaded.load(std::memory_order_acquire) != 0; }
  bool IsPlaying() const { return m_playing.load(std::memory_order_relaxed) != 0; }
  bool IsPaused() const { return m_paused.load(std::memory_order_relaxed) != 0; }
  // True once the player has made its video output, which it does for the
  // first decoded picture and shows that picture at once.
  bool HasVideoOutput() const;
  EngineMode GetMode() const { return m_mode; }
  std::int32_t GetVolume() const { return m_volume; }
  float GetRate() const { return m_rate; }
  const std::string& GetMediaPath() const { return m_mediaPath; }

  // The handles themselves, for diagnostics and tests.
  libvlc_instance_t* Instance() const { return m_instance.Get(); }
  libvlc_media_player_t* Player() const { return m_player.Get(); }
  libvlc_media_t* Media() const { return m_media.Get(); }
  libvlc_event_manager_t* EventManager() const { return m_eventManager.load(std::memory_order_acquire); }
  void* Module() const { return m_module.Handle(); }
  const std::string& LibraryName() const { return m_libraryName; }
  // The instance's argument list for a mode, as given to libvlc_new.
  std::vector<std::string> InstanceArguments(EngineMode mode) const;

 private:
  void Create();
  void TurnTrackBackOn();
  bool CreatePlayer();  // instance, player, event manager
  void Release();
  void AttachToPlayer();
  static void OnLibVlcEvent(const libvlc_event_t* event, void* engine);
  void DispatchEvent(const libvlc_event_t* event);
  bool OnEventThread() const;

  // Declared first so that it is destroyed last: every libvlc object below
  // must be released while the library is still mapped.
  SharedLibrary m_module;
  LibVlcApi m_api;
  std::string m_libraryName;
  std::vector<std::string> m_extraArguments;
  std::vector<std::string> m_outputArguments;

  VlcRef<libvlc_instance_t> m_instance;
  VlcRef<libvlc_media_player_t> m_player;
  VlcRef<libvlc_media_t> m_media;
  std::atomic<libvlc_event_manager_t*> m_eventManager{nullptr};
  std::atomic<void*> m_eventContext{nullptr};
  std::atomic<EventCallback> m_eventCallback{nullptr};
  std::string m_mediaPath;
  std::atomic<std::int32_t> m_loaded{1};
  std::atomic<std::int32_t> m_playing{0};
  std::atomic<std::int32_t> m_paused{1};
  EngineMode m_mode = EngineMode::Normal;
  std::int32_t m_volume = 200;
  std::int32_t m_muted = 0;  // as last set: a restore silences the player a moment
  float m_rate = 1.0f;

  // The video track and time a released output goes back to.
  struct ReleasedOutput {
    int track = 0;
    std::int64_t timeMs = 0;
  };
  std::optional<ReleasedOutput> m_released;

  // What the events last reported, for GetTime/GetLength inside the callback.
  std::atomic<std::int64_t> m_eventTime{0};
  std::atomic<std::int64_t> m_eventLength{0};
  // The event manager the engine's own handler is attached to, so a second
  // AttachEvents only swaps callback and context.
  libvlc_event_manager_t* m_attachedManager = nullptr;
};
