#pragma once
// Libraries built in memory: recordings with given start times and lengths.
#include <string>
#include <vector>

#include "library/RecordingLibrary.h"

struct Rec {
  int64_t start;
  int64_t seconds;
  uint8_t flags = 0;
  std::string name = "";
  std::string subfolder = "";
  uint16_t width = 1920;
  uint16_t height = 1080;
};

inline RecordingInfo MakeRecording(const Rec& r, const std::string& folder, int index) {
  RecordingInfo info;
  info.flags = r.flags;
  info.name = r.name.empty() ? "FILE" + std::to_string(1000 + index) + ".AVI" : r.name;
  info.folder = folder;
  info.subfolder = r.subfolder;
  info.summary.startTime = r.start;
  info.summary.durationSeconds = r.seconds;
  info.summary.durationMs = static_cast<uint32_t>(r.seconds * 1000 + 250);
  info.summary.fileSize = 1000u + static_cast<uint64_t>(index);
  info.summary.width = r.width;
  info.summary.height = r.height;
  return info;
}

// Recordings in the given order (already sorted), grouped and listed.
inline void Fill(RecordingLibrary& library, const std::vector<Rec>& recs, const std::string& folder = "/card/") {
  std::vector<RecordingInfo> recordings;
  for (std::size_t i = 0; i < recs.size(); ++i)
    recordings.push_back(MakeRecording(recs[i], folder, static_cast<int>(i)));
  library.SetRecordings(std::move(recordings));
  library.MarkGroupStarts();
}

inline std::vector<int32_t> GroupCounts(const RecordingLibrary& library) {
  std::vector<int32_t> counts;
  for (const RecordingGroup& g : library.Groups()) counts.push_back(g.count);
  return counts;
}
