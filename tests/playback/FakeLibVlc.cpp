// A stand-in for libvlc.so.5 with the functions the engine looks up. Each call
// is written to a log that the tests read through trk_fake_* functions, so the
// engine's calls, their order and their arguments can be checked, and failures
// (null objects) can be injected. Built twice: once complete, once without
// libvlc_audio_set_mute (TRK_FAKE_WITHOUT_MUTE) for the missing-function case.
#include <vlc/vlc.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct libvlc_instance_t {
  int id;
};
struct libvlc_media_player_t {
  int id;
  libvlc_event_manager_t* manager;
};
struct libvlc_media_t {
  int id;
};
struct libvlc_event_manager_t {
  std::vector<std::pair<int, std::pair<libvlc_callback_t, void*>>> handlers;
};

namespace {

std::mutex g_lock;
std::vector<std::string> g_log;
std::string g_joined;
std::set<std::string> g_failing;
int g_nextId = 1;
int g_liveInstances = 0;
int g_livePlayers = 0;
int g_liveMedia = 0;
std::int64_t g_length = 4321;
std::int64_t g_time = 1234;

void Log(std::string line) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_log.push_back(std::move(line));
}

bool Failing(const char* name) {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_failing.count(name) != 0;
}

std::string Text(const char* text) { return text == nullptr ? std::string("(null)") : std::string(text); }

}  // namespace

extern "C" {

// ---- test controls ----
__attribute__((visibility("default"))) void trk_fake_reset() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_log.clear();
  g_failing.clear();
}
__attribute__((visibility("default"))) const char* trk_fake_log() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_joined.clear();
  for (const std::string& line : g_log) g_joined += line + "\n";
  return g_joined.c_str();
}
__attribute__((visibility("default"))) void trk_fake_fail(const char* name) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_failing.insert(name);
}
// kind: 'i' instances, 'p' players, 'm' media references held by the caller.
__attribute__((visibility("default"))) int trk_fake_live(char kind) {
  std::lock_guard<std::mutex> guard(g_lock);
  return kind == 'i' ? g_liveInstances : kind == 'p' ? g_livePlayers : g_liveMedia;
}
// Sends an event of the given type to every handler attached for it on the
// player's manager, as libvlc's event thread would. value fills the time or
// length field of the events that carry one.
__attribute__((visibility("default"))) int trk_fake_fire(libvlc_media_player_t* player, int type, std::int64_t value) {
  if (player == nullptr || player->manager == nullptr) return 0;
  libvlc_event_t event{};
  event.type = type;
  event.p_obj = player;
  if (type == libvlc_MediaPlayerTimeChanged) event.u.media_player_time_changed.new_time = value;
  if (type == libvlc_MediaPlayerLengthChanged) event.u.media_player_length_changed.new_length = value;
  int delivered = 0;
  for (const auto& handler : player->manager->handlers) {
    if (handler.first != type) continue;
    handler.second.first(&event, handler.second.second);
    ++delivered;
  }
  return delivered;
}

// ---- libvlc ----
libvlc_instance_t* libvlc_new(int argc, const char* const* argv) {
  std::string line = "libvlc_new(";
  for (int i = 0; i < argc; ++i) line += (i ? "|" : "") + Text(argv[i]);
  Log(line + ")");
  if (Failing("libvlc_new")) return nullptr;
  std::lock_guard<std::mutex> guard(g_lock);
  ++g_liveInstances;
  return new libvlc_instance_t{g_nextId++};
}

void libvlc_release(libvlc_instance_t* instance) {
  Log("libvlc_release");
  std::lock_guard<std::mutex> guard(g_lock);
  --g_liveInstances;
  delete instance;
}

libvlc_media_player_t* libvlc_media_player_new(libvlc_instance_t*) {
  Log("libvlc_media_player_new");
  if (Failing("libvlc_media_player_new")) return nullptr;
  std::lock_guard<std::mutex> guard(g_lock);
  ++g_livePlayers;
  return new libvlc_media_player_t{g_nextId++, new libvlc_event_manager_t{}};
}

void libvlc_media_player_release(libvlc_media_player_t* player) {
  Log("libvlc_media_player_release");
  std::lock_guard<std::mutex> guard(g_lock);
  --g_livePlayers;
  delete player->manager;
  delete player;
}

libvlc_event_manager_t* libvlc_media_player_event_manager(libvlc_media_player_t* player) {
  Log("libvlc_media_player_event_manager");
  if (Failing("libvlc_media_player_event_manager")) return nullptr;
  return player->manager;
}

int libvlc_event_attach(libvlc_event_manager_t* manager, libvlc_event_type_t type, libvlc_callback_t callback,
                        void* data) {
  Log("libvlc_event_attach(" + std::to_string(type) + ")");
  manager->handlers.push_back({type, {callback, data}});
  return 0;
}

void libvlc_media_player_set_xwindow(libvlc_media_player_t*, uint32_t drawable) {
  Log("libvlc_media_player_set_xwindow(" + std::to_string(drawable) + ")");
}

libvlc_media_t* libvlc_media_new_path(libvlc_instance_t*, const char* path) {
  Log("libvlc_media_new_path(" + Text(path) + ")");
  if (Failing("libvlc_media_new_path")) return nullptr;
  std::lock_guard<std::mutex> guard(g_lock);
  ++g_liveMedia;
  return new libvlc_media_t{g_nextId++};
}

void libvlc_media_add_option(libvlc_media_t*, const char* option) {
  Log("libvlc_media_add_option(" + Text(option) + ")");
}

void libvlc_media_release(libvlc_media_t* media) {
  Log("libvlc_media_release");
  std::lock_guard<std::mutex> guard(g_lock);
  --g_liveMedia;
  delete media;
}

void libvlc_media_player_set_media(libvlc_media_player_t*, libvlc_media_t* media) {
  Log(std::string("libvlc_media_player_set_media(") + (media ? "media" : "null") + ")");
}

void libvlc_video_set_key_input(libvlc_media_player_t*, unsigned on) {
  Log("libvlc_video_set_key_input(" + std::to_string(on) + ")");
}

void libvlc_video_set_mouse_input(libvlc_media_player_t*, unsigned on) {
  Log("libvlc_video_set_mouse_input(" + std::to_string(on) + ")");
}

// A played player has made its video output; a stopped one has none.
unsigned g_vouts = 0;
// Track 0 is the video; turning it off closes the output, on makes it again.
int g_videoTrack = 0;

int libvlc_media_player_play(libvlc_media_player_t*) {
  Log("libvlc_media_player_play");
  g_vouts = 1;
  g_videoTrack = 0;
  return 0;
}

void libvlc_media_player_pause(libvlc_media_player_t*) { Log("libvlc_media_player_pause"); }

void libvlc_media_player_set_pause(libvlc_media_player_t*, int pause) {
  Log("libvlc_media_player_set_pause(" + std::to_string(pause) + ")");
}

void libvlc_media_player_stop(libvlc_media_player_t*) {
  Log("libvlc_media_player_stop");
  g_vouts = 0;
}

unsigned libvlc_media_player_has_vout(libvlc_media_player_t*) {
  Log("libvlc_media_player_has_vout");
  return g_vouts;
}

libvlc_time_t libvlc_media_player_get_length(libvlc_media_player_t*) {
  Log("libvlc_media_player_get_length");
  return g_length;
}

libvlc_time_t libvlc_media_player_get_time(libvlc_media_player_t*) {
  Log("libvlc_media_player_get_time");
  return g_time;
}

void libvlc_media_player_set_time(libvlc_media_player_t*, libvlc_time_t time) {
  Log("libvlc_media_player_set_time(" + std::to_string(time) + ")");
}

int libvlc_media_player_set_rate(libvlc_media_player_t*, float rate) {
  Log("libvlc_media_player_set_rate(" + std::to_string(rate) + ")");
  return 0;
}

int libvlc_audio_set_volume(libvlc_media_player_t*, int volume) {
  Log("libvlc_audio_set_volume(" + std::to_string(volume) + ")");
  return 0;
}

#ifndef TRK_FAKE_WITHOUT_MUTE
void libvlc_audio_set_mute(libvlc_media_player_t*, int status) {
  Log("libvlc_audio_set_mute(" + std::to_string(status) + ")");
}
#endif

// Like libvlc: -1 without a video output, else the picture is written.
int libvlc_video_take_snapshot(libvlc_media_player_t*, unsigned num, const char* path, unsigned width,
                               unsigned height) {
  Log("libvlc_video_take_snapshot(" + std::to_string(num) + "," + Text(path) + "," + std::to_string(width) + "," +
      std::to_string(height) + ")");
  if (g_vouts == 0 || path == nullptr) return -1;
  if (std::FILE* file = std::fopen(path, "wb")) std::fclose(file);
  return 0;
}

int libvlc_video_get_track(libvlc_media_player_t*) {
  Log("libvlc_video_get_track");
  return g_videoTrack;
}

int libvlc_video_set_track(libvlc_media_player_t*, int track) {
  Log("libvlc_video_set_track(" + std::to_string(track) + ")");
  g_videoTrack = track;
  g_vouts = track >= 0 ? 1 : 0;
  return 0;
}

void libvlc_video_set_marquee_string(libvlc_media_player_t*, unsigned option, const char* text) {
  Log("libvlc_video_set_marquee_string(" + std::to_string(option) + "," + Text(text) + ")");
}

void libvlc_video_set_marquee_int(libvlc_media_player_t*, unsigned option, int value) {
  Log("libvlc_video_set_marquee_int(" + std::to_string(option) + "," + std::to_string(value) + ")");
}

}  // extern "C"
