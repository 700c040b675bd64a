#pragma once
// Shared pieces of the fuzz targets: an in-memory file that the real
// path-based entry points can open, and a check that stops the fuzzer with a
// message when an invariant breaks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "container/RecordingTypes.h"

// The modification time every fuzz input carries, so that the in-memory and
// the on-disk reading paths fall back to the same file time.
constexpr int64_t kFuzzFileTime = 1556699400;  // 2019-05-01 08:30:00 UTC

// A memfd holding the current input, reachable by a path under /proc/self/fd.
class MemFile {
 public:
  MemFile();
  ~MemFile();
  MemFile(const MemFile&) = delete;
  MemFile& operator=(const MemFile&) = delete;

  // Replaces the content and sets the modification time to kFuzzFileTime.
  void Write(const uint8_t* data, std::size_t size);
  const std::string& Path() const { return m_path; }

 private:
  int m_fd = -1;
  std::string m_path;
};

// Aborts with the message when `ok` is false (libFuzzer then saves the input).
void Require(bool ok, const char* what);

bool SameSummary(const RecordingSummary& a, const RecordingSummary& b);

struct LoadedBlocks;
// What the sample loader must deliver for `summary` over these file bytes:
// a block is read exactly when it is wanted, non-empty and inside the file,
// and every record holds the bytes at its place. Also runs the conversions
// the displays apply to loaded records, so that sanitizers see them.
void CheckLoadedBlocks(const LoadedBlocks& blocks, const RecordingSummary& summary, const uint8_t* data,
                       std::size_t size, bool wantGps, bool wantGsensor);
