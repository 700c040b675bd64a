#pragma once
// Recordings cut off while the camera wrote them (power lost in a collision or
// when the ignition went off): an AVI whose RIFF or movi sizes claim more than
// the file holds, or whose index never came; a QuickTime file whose mdat has
// no moov, or runs past the end. They are not recordings the viewer plays,
// but the library lists them so that a playable copy can be made.
#include <cstdint>
#include <string>

class ByteSource;

struct CutRecording {
  std::string path;
  uint64_t size = 0;
  std::string reason;  // what gives the cut away, in words
};

enum class ContainerKind { Avi, QuickTime };

// True when the bytes are a recording cut off in writing; `reason` then says
// why. Never throws; a read failure gives false.
bool IsCutRecording(ByteSource& source, ContainerKind kind, std::string* reason);
// The same for a file; fills `cut` (path, size, reason) when it is one.
bool DetectCutRecording(const std::string& path, ContainerKind kind, CutRecording* cut);
