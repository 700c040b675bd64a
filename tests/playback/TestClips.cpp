#include "TestClips.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "TestWindow.h"

namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string Size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace

bool MakeRecording(const std::string& path, int seconds, int width, int height, std::string* how) {
  const std::string synth = std::string(TRK_BIN_DIR) + "/trk-synth";
  if (::access(synth.c_str(), X_OK) == 0) {
    if (how != nullptr) *how = "trk-synth";
    return Run(Quote(synth) + " file " + Quote(path) + " --duration " + std::to_string(seconds) + " --size " +
               Size(width, height) + " >/dev/null");
  }
  if (how != nullptr) *how = "ffmpeg";
  return Run("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=" + Size(width, height) +
             ":rate=25 -t " + std::to_string(seconds) + " -c:v mpeg4 -q:v 5 " + Quote(path));
}

bool MakeBoxClip(const std::string& path, int seconds, int width, int height) {
  const std::string filter = "color=c=blue:s=" + Size(width, height) +
                             ":r=25,drawbox=x=0:y=0:w=" + std::to_string(width / 4) +
                             ":h=" + std::to_string(height / 4) + ":color=red:t=fill";
  return Run("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i " + Quote(filter) + " -t " +
             std::to_string(seconds) + " -c:v mjpeg -q:v 3 " + Quote(path));
}

bool DecodePicture(const std::string& path, int width, int height, RgbImage* image) {
  const std::string command =
      "ffmpeg -nostdin -hide_banner -loglevel error -i " + Quote(path) + " -f rawvideo -pix_fmt rgb24 -";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  image->width = width;
  image->height = height;
  image->pixels.assign(static_cast<size_t>(width) * height * 3, 0);
  const size_t got = std::fread(image->pixels.data(), 1, image->pixels.size(), pipe);
  const int status = ::pclose(pipe);
  return status == 0 && got == image->pixels.size();
}

bool PngSize(const std::string& path, int* width, int* height) {
  std::ifstream file(path, std::ios::binary);
  unsigned char header[24] = {};
  if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return false;
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  for (int i = 0; i < 8; ++i)
    if (header[i] != kSignature[i]) return false;
  auto be32 = [&](int at) {
    return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
  };
  *width = be32(16);
  *height = be32(20);
  return true;
}
