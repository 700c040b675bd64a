#include "playback/MediaEngine.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <thread>

namespace {

// The engine whose event handler is running on this thread, if any.
thread_local const MediaEngine* t_dispatchingEngine = nullptr;

std::vector<std::string> WordsOf(const char* text) {
  std::vector<std::string> words;
  if (text == nullptr) return words;
  std::istringstream stream(text);
  std::string word;
  while (stream >> word) words.push_back(word);
  return words;
}

// Marquee colour: libvlc reads the low 24 bits, 0x00FF00 (green).
constexpr std::uint32_t kMarqueeColour = 0xFF00FF00u;
constexpr int kMarqueeOpacity = 255;
constexpr int kMarqueeNoTimeout = -1;

// Restoring a released output while paused: how long to wait for libvlc to
// make it, in steps of, how long it then plays before the pause, and how
// long the pause takes to hold before the seek back.
constexpr int kOutputWaitMs = 1000;
constexpr int kOutputPollMs = 10;
constexpr int kOutputDrawMs = 150;
constexpr int kPauseSettleMs = 100;

}  // namespace

MediaEngine::MediaEngine(std::string libraryName, std::vector<std::string> extraArguments,
                         std::vector<std::string> outputArguments)
    : m_libraryName(std::move(libraryName)),
      m_extraArguments(std::move(extraArguments)),
      m_outputArguments(std::move(outputArguments)) {
  if (m_libraryName.empty()) {
    const char* fromEnv = std::getenv(kLibraryEnv);
    m_libraryName = (fromEnv != nullptr && *fromEnv != '\0') ? fromEnv : kDefaultLibraryName;
  }
  if (m_extraArguments.empty()) m_extraArguments = WordsOf(std::getenv(kArgumentsEnv));
  Create();
}

MediaEngine::~MediaEngine() { Release(); }

std::vector<std::string> MediaEngine::InstanceArguments(EngineMode mode) const {
  // "--sub-source=marq" keeps the marquee filter in every video output from
  // its start. Without it the marquee's enable call adds the filter to an
  // output that already runs, and when that call meets the output while it is
  // being created (right after Play, where the speed marquee is shown) the
  // filter never reaches it and the text never appears.
  //
  // No "--plugin-path=./plugins": libvlc 3 has no such option any more (it
  // only warns) and finds its plug-ins in its own installed folder, with or
  // without a "plugins" folder in the current directory.
  std::vector<std::string> arguments;
  if (mode == EngineMode::Rotated) {
    // One empty argument: the library reads its own configuration. The
    // transform filter turns every picture by 180 degrees.
    arguments = {"", "--video-filter=transform", "--transform-type=180", "--sub-source=marq"};
  } else {
    arguments = {"-I", "dummy", "--ignore-config", "--sub-source=marq"};
  }
  arguments.insert(arguments.end(), m_outputArguments.begin(), m_outputArguments.end());
  arguments.insert(arguments.end(), m_extraArguments.begin(), m_extraArguments.end());
  return arguments;
}

void MediaEngine::Create() {
  m_loaded = 1;
  m_playing = 0;
  m_paused = 1;
  m_mode = EngineMode::Normal;
  m_volume = 200;
  m_muted = 0;
  m_rate = 1.0f;
  m_mediaPath.clear();
  m_released.reset();

  if (!m_module.Open(m_libraryName)) {
    m_loaded = 0;
    return;
  }
  // A library without one of the functions is unusable: nothing is called.
  if (!m_api.Resolve(m_module.Handle())) {
    m_loaded = 0;
    return;
  }
  if (!CreatePlayer()) {
    m_loaded = 0;
    return;
  }
  m_api.libvlc_audio_set_volume(m_player.Get(), m_volume);
}

bool MediaEngine::CreatePlayer() {
  const std::vector<std::string> arguments = InstanceArguments(m_mode);
  std::vector<const char*> argv;
  argv.reserve(arguments.size());
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());

  libvlc_instance_t* instance = m_api.libvlc_new(static_cast<int>(argv.size()), argv.data());
  if (instance == nullptr) return false;
  m_instance.Reset(instance, m_api.libvlc_release);

  libvlc_media_player_t* player = m_api.libvlc_media_player_new(instance);
  if (player == nullptr) {
    m_instance.Reset();
    return false;
  }
  m_player.Reset(player, m_api.libvlc_media_player_release);

  libvlc_event_manager_t* manager = m_api.libvlc_media_player_event_manager(player);
  if (manager == nullptr) {
    m_player.Reset();
    m_instance.Reset();
    return false;
  }
  m_eventManager.store(manager, std::memory_order_release);
  return true;
}

void MediaEngine::Release() {
  // Media first, then the player that may still hold it, then the instance,
  // then the library itself.
  m_released.reset();
  m_media.Reset();
  m_eventManager.store(nullptr, std::memory_order_release);
  m_attachedManager = nullptr;
  m_player.Reset();
  m_instance.Reset();
  m_api = LibVlcApi{};
  m_module.Close();
  m_loaded = 0;
}

int MediaEngine::Recreate(EngineMode mode) {
  m_mode = mode;
  if (!IsLoaded()) return 0;
  if (!m_media) return 0;
  m_released.reset();
  m_media.Reset();
  if (!m_player) return 0;
  m_eventManager.store(nullptr, std::memory_order_release);
  m_attachedManager = nullptr;
  m_player.Reset();
  if (!m_instance) return 0;

  // The old instance goes only once the new one exists (CreatePlayer swaps
  // them). libvlc unloads its plug-ins with its last instance, and a plug-in
  // that pulls in a library with static TLS (the decoder's OpenMP runtime)
  // can be loaded again only a few times: after some rotations nothing could
  // be decoded any more.
  if (!CreatePlayer()) {
    m_loaded = 0;
    return 0;
  }
  // Events keep reaching the same callback and context.
  if (m_eventCallback.load(std::memory_order_acquire) != nullptr) AttachToPlayer();
  m_api.libvlc_audio_set_volume(m_player.Get(), m_volume);
  return 1;
}

void MediaEngine::BindWindow(unsigned long window) {
  if (!IsLoaded()) return;
  // X11 window ids are 32-bit values carried in an unsigned long.
  m_api.libvlc_media_player_set_xwindow(m_player.Get(), static_cast<std::uint32_t>(window));
}

void MediaEngine::AttachEvents(EventCallback callback, void* context) {
  if (!IsLoaded()) return;
  m_eventContext.store(context, std::memory_order_release);
  m_eventCallback.store(callback, std::memory_order_release);
  AttachToPlayer();
}

void MediaEngine::AttachToPlayer() {
  libvlc_event_manager_t* manager = m_eventManager.load(std::memory_order_acquire);
  if (manager == nullptr || manager == m_attachedManager) return;
  // The engine's own handler stands between libvlc and the callback: it
  // notes time and length for GetTime/GetLength on the event thread and
  // forwards the event record unchanged with the caller's context.
  for (int type : kEventTypes) {
    m_api.libvlc_event_attach(manager, static_cast<libvlc_event_type_t>(type), &MediaEngine::OnLibVlcEvent, this);
  }
  m_api.libvlc_event_attach(manager, libvlc_MediaPlayerLengthChanged, &MediaEngine::OnLibVlcEvent, this);
  m_attachedManager = manager;
}

void MediaEngine::OnLibVlcEvent(const libvlc_event_t* event, void* engine) {
  if (event == nullptr || engine == nullptr) return;
  static_cast<MediaEngine*>(engine)->DispatchEvent(event);
}

void MediaEngine::DispatchEvent(const libvlc_event_t* event) {
  switch (event->type) {
    case libvlc_MediaPlayerTimeChanged:
      m_eventTime.store(event->u.media_player_time_changed.new_time, std::memory_order_release);
      break;
    case libvlc_MediaPlayerLengthChanged:
      m_eventLength.store(event->u.media_player_length_changed.new_length, std::memory_order_release);
      return;  // the engine's own: not one of the events handed on
    case libvlc_MediaPlayerMediaChanged:
      m_eventTime.store(0, std::memory_order_release);
      m_eventLength.store(0, std::memory_order_release);
      break;
    default:
      break;
  }
  EventCallback callback = m_eventCallback.load(std::memory_order_acquire);
  if (callback == nullptr) return;
  void* context = m_eventContext.load(std::memory_order_acquire);
  const MediaEngine* outer = t_dispatchingEngine;
  t_dispatchingEngine = this;
  callback(event, context);
  t_dispatchingEngine = outer;
}

bool MediaEngine::OnEventThread() const { return t_dispatchingEngine == this; }

void MediaEngine::Open(const std::string& path) {
  if (!IsLoaded()) return;
  libvlc_media_player_t* player = m_player.Get();
  // The volume chosen before the file was opened holds for it.
  m_api.libvlc_audio_set_volume(player, m_volume);
  m_mediaPath = path;
  m_released.reset();
  m_media.Reset();
  // The bytes go to libvlc as they are: it turns the local path into a URI
  // itself, so file names that are not valid UTF-8 still open.
  libvlc_media_t* media = m_api.libvlc_media_new_path(m_instance.Get(), m_mediaPath.c_str());
  m_media.Reset(media, m_api.libvlc_media_release);
  if (media != nullptr) m_api.libvlc_media_add_option(media, ":ffmpeg-hw");
  m_api.libvlc_media_player_set_media(player, media);
  // Clicks and double-clicks on the picture go to the video surface.
  m_api.libvlc_video_set_key_input(player, 0);
  m_api.libvlc_video_set_mouse_input(player, 0);
}

void MediaEngine::Play() {
  if (!IsLoaded()) return;
  if (m_released) TurnTrackBackOn();
  m_api.libvlc_media_player_play(m_player.Get());
  m_playing = 1;
  m_paused = 0;
}

void MediaEngine::Pause() {
  if (!IsLoaded()) return;
  m_api.libvlc_media_player_pause(m_player.Get());
  m_playing = 0;
  m_paused = 1;
}

void MediaEngine::Stop() {
  if (!IsLoaded()) return;
  m_api.libvlc_media_player_stop(m_player.Get());
  m_playing = 0;
  m_paused = 0;
  m_released.reset();
}

bool MediaEngine::HasVideoOutput() const {
  if (!IsLoaded()) return false;
  libvlc_media_player_t* player = m_player.Get();
  return player != nullptr && m_api.libvlc_media_player_has_vout(player) > 0;
}

std::int64_t MediaEngine::GetLength() const {
  if (!IsLoaded()) return -1;
  if (OnEventThread()) return m_eventLength.load(std::memory_order_acquire);
  libvlc_media_player_t* player = m_player.Get();
  if (player == nullptr) return -1;
  return m_api.libvlc_media_player_get_length(player);
}

std::int64_t MediaEngine::GetTime() const {
  if (!IsLoaded()) return -1;
  if (OnEventThread()) return m_eventTime.load(std::memory_order_acquire);
  libvlc_media_player_t* player = m_player.Get();
  if (player == nullptr) return -1;
  return m_api.libvlc_media_player_get_time(player);
}

void MediaEngine::SetTime(std::int64_t ms) {
  if (!IsLoaded()) return;
  m_api.libvlc_media_player_set_time(m_player.Get(), ms);
}

void MediaEngine::SetRate(float rate) {
  if (!IsLoaded()) return;
  m_api.libvlc_media_player_set_rate(m_player.Get(), rate);
  m_rate = rate;
}

void MediaEngine::SetVolume(std::int32_t volume) {
  if (!IsLoaded()) return;
  m_api.libvlc_audio_set_volume(m_player.Get(), volume);
  m_volume = volume;
}

void MediaEngine::SetMute(std::int32_t mute) {
  if (!IsLoaded()) return;
  m_api.libvlc_audio_set_mute(m_player.Get(), mute);
  m_muted = mute;
}

void MediaEngine::TakeSnapshot(const std::string& path) {
  if (!IsLoaded()) return;
  // First video output; width and height 0 keep the picture's own size.
  m_api.libvlc_video_take_snapshot(m_player.Get(), 0, path.c_str(), 0, 0);
}

bool MediaEngine::ReleaseVideoOutput(const std::string& stillPath) {
  if (!IsLoaded() || m_released || !HasVideoOutput()) return false;
  libvlc_media_player_t* player = m_player.Get();
  // The snapshot waits for the output's next drawing of the picture. A
  // picture that is not written leaves the output as it is: the surface
  // would have nothing to show in its place.
  std::error_code error;
  std::filesystem::remove(stillPath, error);
  if (m_api.libvlc_video_take_snapshot(player, 0, stillPath.c_str(), 0, 0) != 0) return false;
  if (!std::filesystem::exists(stillPath, error)) return false;
  const int track = m_api.libvlc_video_get_track(player);
  if (track < 0) return false;
  const std::int64_t time = m_api.libvlc_media_player_get_time(player);
  if (m_api.libvlc_video_set_track(player, -1) != 0) return false;
  m_released = ReleasedOutput{track, time};
  return true;
}

void MediaEngine::TurnTrackBackOn() {
  const ReleasedOutput released = *m_released;
  m_released.reset();
  libvlc_media_player_t* player = m_player.Get();
  m_api.libvlc_video_set_track(player, released.track);
  // Without a seek the new decoder gets nothing to decode while paused.
  if (released.timeMs >= 0) m_api.libvlc_media_player_set_time(player, released.timeMs);
}

void MediaEngine::RestoreVideoOutput() {
  if (!IsLoaded() || !m_released) return;
  const std::int64_t time = m_released->timeMs;
  TurnTrackBackOn();
  if (!IsPaused()) return;
  // An output made while the player is paused shows one picture and never
  // draws again: not after a resize, nor for a snapshot. Made while playing,
  // then paused, it is an output like any other. So the player plays until
  // the output exists and has drawn a few pictures, then pauses and goes
  // back to the time (the pictures played are not seen for long). A seek
  // that reaches the player before its pause has taken hold leaves the
  // output as stuck as before: the pause settles first.
  libvlc_media_player_t* player = m_player.Get();
  // The moment played is not heard either.
  m_api.libvlc_audio_set_mute(player, 1);
  m_api.libvlc_media_player_set_pause(player, 0);
  for (int waited = 0; waited < kOutputWaitMs && m_api.libvlc_media_player_has_vout(player) == 0;
       waited += kOutputPollMs)
    std::this_thread::sleep_for(std::chrono::milliseconds(kOutputPollMs));
  std::this_thread::sleep_for(std::chrono::milliseconds(kOutputDrawMs));
  m_api.libvlc_media_player_set_pause(player, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(kPauseSettleMs));
  if (time >= 0) m_api.libvlc_media_player_set_time(player, time);
  m_api.libvlc_audio_set_mute(player, m_muted);
}

int MediaEngine::ShowMarquee(const std::string& text, std::int32_t size, std::int32_t enable) {
  if (!IsLoaded()) return 0;
  libvlc_media_player_t* player = m_player.Get();
  // The filter stays in the chain ("--sub-source=marq") and "off" is an empty
  // text: switching the filter itself off and on again goes through the same
  // racy path that kept the text from ever showing (see InstanceArguments).
  m_api.libvlc_video_set_marquee_string(player, libvlc_marquee_Text, enable != 0 ? text.c_str() : "");
  m_api.libvlc_video_set_marquee_int(player, libvlc_marquee_Size, size);
  m_api.libvlc_video_set_marquee_int(player, libvlc_marquee_Opacity, kMarqueeOpacity);
  m_api.libvlc_video_set_marquee_int(player, libvlc_marquee_Color, static_cast<int>(kMarqueeColour));
  m_api.libvlc_video_set_marquee_int(player, libvlc_marquee_Timeout, kMarqueeNoTimeout);
  m_api.libvlc_video_set_marquee_int(player, libvlc_marquee_X, 0);
  m_api.libvlc_video_set_marquee_int(player, libvlc_marquee_Y, 0);
  m_api.libvlc_video_set_marquee_int(player, libvlc_marquee_Enable, 1);
  return 1;
}
