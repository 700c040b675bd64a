#include "container/KeyFrame.h"

#include <algorithm>
#include <cstddef>

#include "fileio/ByteSource.h"

bool IsKeyFrame(ByteSource& source, uint64_t at, uint64_t size) {
  uint8_t b[256] = {};
  const int64_t n = source.ReadAt(at, b, static_cast<std::size_t>(std::min<uint64_t>(size, sizeof b)));
  if (n < 4) return true;
  if (b[0] == 0xFF && b[1] == 0xD8) return true;
  bool startCodes = false;
  for (int64_t i = 0; i + 4 < n; ++i) {
    if (b[i] != 0 || b[i + 1] != 0 || b[i + 2] != 1) continue;
    startCodes = true;
    const uint8_t next = b[i + 3];
    if (next == 0xB6) return (b[i + 4] >> 6) == 0;  // VOP: coding type I
    const int nal = next & 0x1F;
    if ((next & 0x80) == 0 && (nal == 5 || nal == 7)) return true;
    if ((next & 0x80) == 0 && nal == 1) return false;
  }
  return !startCodes;
}
