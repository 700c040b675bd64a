#include "VideoClip.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "container/ByteOrder.h"
#include "Synth.h"

extern char** environ;

namespace {

// A private temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/trk-synth-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) throw SynthError("cannot create a temporary folder");
    m_path = buf.data();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw SynthError("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Seconds(uint32_t ms) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%u.%03u", ms / 1000, ms % 1000);
  return buf;
}

void CheckFrame(uint16_t width, uint16_t height, uint32_t fps, uint32_t durationMs) {
  if (width < 16 || height < 16 || width % 2 || height % 2)
    throw SynthError("frame size must be even and at least 16x16");
  if (fps == 0 || fps > 120) throw SynthError("frame rate must be 1..120");
  if (durationMs < 100) throw SynthError("video must be at least 100 ms long");
}

std::vector<std::string> SourceArgs(uint16_t width, uint16_t height, uint32_t fps, uint32_t durationMs) {
  return {"ffmpeg",
          "-nostdin",
          "-hide_banner",
          "-loglevel",
          "error",
          "-y",
          "-f",
          "lavfi",
          "-i",
          "testsrc2=size=" + std::to_string(width) + "x" + std::to_string(height) + ":rate=" + std::to_string(fps) +
              ":duration=" + Seconds(durationMs)};
}

// MPEG-4 part 2: a frame is a key frame when its first VOP is intra coded.
bool IsIntraFrame(const std::vector<uint8_t>& f) {
  for (std::size_t i = 0; i + 4 < f.size(); ++i) {
    if (f[i] == 0 && f[i + 1] == 0 && f[i + 2] == 1 && f[i + 3] == 0xB6) return (f[i + 4] >> 6) == 0;
  }
  return false;
}

AviClip EncodeAvi(uint16_t width, uint16_t height, uint32_t fps, uint32_t durationMs) {
  CheckFrame(width, height, fps, durationMs);
  TempDir tmp;
  const std::string out = tmp.Path() + "/clip.avi";
  auto args = SourceArgs(width, height, fps, durationMs);
  for (const char* a : {"-c:v", "mpeg4", "-q:v", "9", "-g", "50", "-an", "-f", "avi"}) args.push_back(a);
  args.push_back(out);
  RunProgram(args);
  const std::vector<uint8_t> file = ReadWholeFile(out);

  AviClip clip;
  clip.width = width;
  clip.height = height;
  clip.fps = fps;
  // Find LIST movi and take its 00dc chunks.
  std::size_t pos = 12;
  while (pos + 12 <= file.size()) {
    const uint32_t size = ReadLe32(&file[pos + 4]);
    if (std::memcmp(&file[pos], "LIST", 4) == 0 && std::memcmp(&file[pos + 8], "movi", 4) == 0) {
      const std::size_t end = std::min<std::size_t>(file.size(), pos + 8 + static_cast<std::size_t>(size));
      std::size_t p = pos + 12;
      while (p + 8 <= end) {
        const uint32_t n = ReadLe32(&file[p + 4]);
        if (p + 8 + n > end) break;
        if (std::memcmp(&file[p], "00dc", 4) == 0) {
          clip.frames.emplace_back(file.begin() + static_cast<long>(p + 8),
                                   file.begin() + static_cast<long>(p + 8 + n));
          clip.keyFrames.push_back(IsIntraFrame(clip.frames.back()));
        }
        p += 8 + n + (n & 1);
      }
      break;
    }
    pos += 8 + size + (size & 1);
  }
  if (clip.frames.empty()) throw SynthError("ffmpeg produced no frames");
  if (!clip.keyFrames.empty()) clip.keyFrames[0] = true;
  return clip;
}

MovClip EncodeMov(uint16_t width, uint16_t height, uint32_t fps, uint32_t durationMs) {
  CheckFrame(width, height, fps, durationMs);
  TempDir tmp;
  const std::string out = tmp.Path() + "/clip.mov";
  auto args = SourceArgs(width, height, fps, durationMs);
  // The encoder's settings text (an SEI unit) is dropped: words like
  // "fast_pskip" in it look like atom types to a byte scan, which a camera's
  // stream would not show.
  for (const char* a : {"-c:v", "libx264", "-preset", "veryfast", "-crf", "32", "-pix_fmt", "yuv420p", "-g", "50",
                        "-an", "-bsf:v", "filter_units=remove_types=6", "-f", "mov"})
    args.push_back(a);
  args.push_back(out);
  RunProgram(args);
  const std::vector<uint8_t> file = ReadWholeFile(out);

  MovClip clip;
  std::size_t pos = 0;
  bool haveMdat = false;
  while (pos + 8 <= file.size()) {
    uint64_t size = ReadBe32(&file[pos]);
    std::size_t header = 8;
    if (size == 1 && pos + 16 <= file.size()) {
      size = ReadBe64(&file[pos + 8]);
      header = 16;
    } else if (size == 0) {
      size = file.size() - pos;
    }
    if (size < header || pos + size > file.size()) throw SynthError("ffmpeg wrote an unexpected QuickTime file");
    const auto begin = file.begin() + static_cast<long>(pos);
    const auto end = begin + static_cast<long>(size);
    if (std::memcmp(&file[pos + 4], "ftyp", 4) == 0) {
      clip.ftyp.assign(begin, end);
    } else if (std::memcmp(&file[pos + 4], "moov", 4) == 0) {
      clip.moov.assign(begin, end);
    } else if (std::memcmp(&file[pos + 4], "mdat", 4) == 0) {
      clip.mdatPayload.assign(begin + static_cast<long>(header), end);
      clip.mdatPayloadOffset = pos + header;
      haveMdat = true;
    }
    pos += size;
  }
  if (clip.ftyp.empty() || clip.moov.empty() || !haveMdat)
    throw SynthError("ffmpeg wrote an incomplete QuickTime file");
  clip.frames = static_cast<uint32_t>((static_cast<uint64_t>(durationMs) * fps + 999) / 1000);
  return clip;
}

using ClipKey = std::tuple<uint16_t, uint16_t, uint32_t, uint32_t>;
std::mutex g_cacheMutex;

}  // namespace

void RunProgram(const std::vector<std::string>& argv) {
  TempDir tmp;
  const std::string errPath = tmp.Path() + "/stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw SynthError("cannot start " + argv[0] + ": " + std::strerror(rc));
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw SynthError("lost track of " + argv[0]);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string message;
    try {
      const auto bytes = ReadWholeFile(errPath);
      message.assign(bytes.begin(), bytes.end());
    } catch (const SynthError&) {
    }
    throw SynthError(argv[0] + " failed: " + message);
  }
}

const AviClip& AviClipFor(uint16_t width, uint16_t height, uint32_t fps, uint32_t durationMs) {
  static std::map<ClipKey, std::unique_ptr<AviClip>> cache;
  std::lock_guard<std::mutex> lock(g_cacheMutex);
  auto& slot = cache[ClipKey{width, height, fps, durationMs}];
  if (!slot) slot = std::make_unique<AviClip>(EncodeAvi(width, height, fps, durationMs));
  return *slot;
}

const MovClip& MovClipFor(uint16_t width, uint16_t height, uint32_t fps, uint32_t durationMs) {
  static std::map<ClipKey, std::unique_ptr<MovClip>> cache;
  std::lock_guard<std::mutex> lock(g_cacheMutex);
  auto& slot = cache[ClipKey{width, height, fps, durationMs}];
  if (!slot) slot = std::make_unique<MovClip>(EncodeMov(width, height, fps, durationMs));
  return *slot;
}
