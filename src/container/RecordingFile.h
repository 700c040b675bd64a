#pragma once
// Reader of one recording file: the AVI chunk walk and the QuickTime atom walk
// and byte scan. Each walk fills the summary target on success.
#include <cstdint>
#include <memory>
#include <string>

#include "container/RecordingTypes.h"

class ByteSource;  // ByteSource.h: the buffered reading path shared with the fuzzers

class RecordingFile {
 public:
  explicit RecordingFile(RecordingSummary* target = nullptr);
  ~RecordingFile();
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;

  void SetSummaryTarget(RecordingSummary* target) { m_target = target; }

  // 0 on success, -1 on failure (never throws, never shows anything).
  int ParseAvi(const std::string& path);
  int ParseMov(const std::string& path);
  int ScanMov(const std::string& path);

  // The same walks over an already opened source (fuzzing, in-memory tests).
  int ParseAvi(ByteSource& source);
  int ParseMov(ByteSource& source);
  int ScanMov(ByteSource& source);

  const RecordingSummary& State() const { return m_state; }

  // Why the last walk failed ("cannot open", "not a RIFF file", ...), or
  // nullptr when it succeeded.
  const char* FailureReason() const { return m_failure; }

 private:
  int RunMovWalk(ByteSource& source, bool scan);
  int Deliver();

  RecordingSummary* m_target = nullptr;
  RecordingSummary m_state;
  const char* m_failure = nullptr;
};
