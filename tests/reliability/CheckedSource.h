#pragma once
// An in-memory recording that watches how the readers use it: no read may
// start at or past the end of the file (a position taken from a bogus size
// must never be read from; reads that start inside may ask for more than is
// left, the source gives what there is), and a walk that keeps reading far
// longer than any file needs is cut off with a read error, so a hang fails the
// test instead of stalling it.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "fileio/ByteSource.h"
#include "ContainerBytes.h"
#include "container/RecordingFile.h"

// 2019-05-01 08:30:00 UTC: the modification time of every in-memory file.
constexpr int64_t kFileTime = 1556699400;

class CheckedSource final : public ByteSource {
 public:
  explicit CheckedSource(Bytes bytes, std::optional<int64_t> modificationTime = kFileTime)
      : m_inner(std::move(bytes), modificationTime) {}

  uint64_t Size() const override { return m_inner.Size(); }
  int64_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override {
    if (!Note(offset, size)) return -1;
    return m_inner.ReadAt(offset, buffer, size);
  }
  int64_t Window(uint64_t offset, std::size_t wanted, const uint8_t** data) override {
    if (!Note(offset, wanted)) {
      *data = nullptr;
      return -1;
    }
    return m_inner.Window(offset, wanted, data);
  }
  bool ModificationTime(int64_t* seconds) override { return m_inner.ModificationTime(seconds); }

  bool ReadOutside() const { return m_outside; }
  bool CutOff() const { return m_requests > kMaxRequests; }
  uint64_t Requests() const { return m_requests; }

  static constexpr uint64_t kMaxRequests = 1000000;

 private:
  bool Note(uint64_t offset, std::size_t size) {
    ++m_requests;
    if (size != 0 && offset >= Size()) m_outside = true;
    return m_requests <= kMaxRequests;
  }

  MemoryByteSource m_inner;
  bool m_outside = false;
  uint64_t m_requests = 0;
};

enum class Walk { Avi, Mov, Scan };

struct WalkOutcome {
  int result = -2;
  std::string reason;        // empty on success
  RecordingSummary summary;  // the summary target after the walk
  bool readOutside = false;
  bool cutOff = false;
  uint64_t requests = 0;
};

// The summary target starts with a marker, so a failed walk that wrote it shows.
inline RecordingSummary MarkedSummary() {
  RecordingSummary s;
  s.fileSize = 0xDEADBEEF;
  return s;
}

inline WalkOutcome RunWalk(Walk walk, const Bytes& bytes, std::optional<int64_t> modificationTime = kFileTime) {
  CheckedSource source(bytes, modificationTime);
  WalkOutcome out;
  out.summary = MarkedSummary();
  RecordingFile file(&out.summary);
  out.result = walk == Walk::Avi   ? file.ParseAvi(source)
               : walk == Walk::Mov ? file.ParseMov(source)
                                   : file.ScanMov(source);
  if (file.FailureReason()) out.reason = file.FailureReason();
  out.readOutside = source.ReadOutside();
  out.cutOff = source.CutOff();
  out.requests = source.Requests();
  return out;
}

// Every walk must end on its own and stay inside the file.
#define EXPECT_WALK_ENDS_INSIDE(outcome)                                   \
  do {                                                                     \
    EXPECT_FALSE((outcome).cutOff) << "the walk did not end by itself";    \
    EXPECT_FALSE((outcome).readOutside) << "a read started past the file"; \
  } while (0)

inline int64_t Local(int year, int month, int day, int hour, int minute, int second) {
  return LocalCalendarToTime(year, month, day, hour, minute, second);
}

// The start time the readers take from the file time (local calendar round trip).
inline int64_t FromFileTime(int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&t, &local);
  return Local(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}
