#pragma once
// What the AVI and QuickTime clip writers share: the output with its
// progress and cancel, the camera's records of a span, the date text moved
// to the span's start, and the failure words.
#include <cstdint>
#include <string>
#include <vector>

#include "clip/ClipTypes.h"
#include "fileio/NewFileWriter.h"

class ByteSource;
struct RecordingSummary;

ClipResult ClipFailed(ClipFailure failure, std::string detail);

// The clip being written: copies report progress by the bytes done and stop
// on cancel; a failed read of a source is told apart from a failed write.
class ClipOutput {
 public:
  ClipOutput(const ClipProgress& progress, uint64_t totalBytes) : m_progress(progress), m_total(totalBytes) {}

  // ClipFailure::None when the destination could be begun.
  ClipResult Create(const std::string& destination);
  NewFileWriter& Writer() { return m_out; }
  // `length` bytes of `source` from `offset`, in slices between which the
  // progress may cancel.
  bool Copy(ByteSource& source, const std::string& sourcePath, uint64_t offset, uint64_t length);
  // Why the last call failed, or the failed write; None while all is well.
  ClipResult Failure() const;
  // Checks the file with the library's reader, then gives it its name.
  ClipResult Finish(bool quickTime, ClipResult result);

 private:
  const ClipProgress& m_progress;
  NewFileWriter m_out;
  uint64_t m_total = 0;
  uint64_t m_done = 0;
  ClipFailure m_failure = ClipFailure::None;
  std::string m_detail;
};

// The camera's sample blocks of a clip: the records of each piece's span,
// one after the other, under the first recording's rates.
struct ClipRecords {
  std::vector<uint8_t> gps;
  std::vector<uint8_t> gsensor;
};
// Appends the records of [from, to) seconds of one recording.
void AppendRecordsOfSpan(ByteSource& source, const RecordingSummary& summary, double from, double to,
                         ClipRecords& records);

// A date text ("YYYY-MM-DD hh:mm:ss") moved on by `seconds` in place, in the
// same form; other bytes are left as they are.
void MoveDateText(uint8_t* text, std::size_t size, double seconds);

// Why a recording cannot be a source of a clip (missing, not a regular
// file, cut off by power loss), or empty when it can be.
std::string RefusedSource(const std::string& path, bool quickTime);

std::string BoundaryNote(const std::string& path, const std::string& why);
