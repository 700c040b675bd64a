#pragma once
// Real video streams for the synthesized recordings, encoded by the ffmpeg
// program and taken apart so the camera's blocks can be put around them.
// Clips are cached per process: the same request returns the same bytes.
#include <cstdint>
#include <string>
#include <vector>

// MPEG-4 part 2 frames for an AVI "vids" stream.
struct AviClip {
  uint16_t width = 0, height = 0;
  uint32_t fps = 0;
  std::vector<std::vector<uint8_t>> frames;
  std::vector<bool> keyFrames;
};

// A QuickTime file made by ffmpeg (H.264), in pieces.
struct MovClip {
  std::vector<uint8_t> ftyp;         // the whole ftyp atom
  std::vector<uint8_t> moov;         // the whole moov atom
  std::vector<uint8_t> mdatPayload;  // the media data
  uint64_t mdatPayloadOffset = 0;    // where that payload began in ffmpeg's file
  uint32_t frames = 0;
};

const AviClip& AviClipFor(uint16_t width, uint16_t height, uint32_t fps, uint32_t durationMs);
const MovClip& MovClipFor(uint16_t width, uint16_t height, uint32_t fps, uint32_t durationMs);

// Runs a program with arguments, waits, and throws SynthError with its
// error output when it cannot be started or does not exit with 0.
void RunProgram(const std::vector<std::string>& argv);
