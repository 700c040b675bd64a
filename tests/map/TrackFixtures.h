#pragma once
// Recording files for the map tests: a few bytes of filler, then the GPS and
// G-sensor blocks at known offsets, described by a RecordingInfo.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/LibraryViews.h"
#include "library/RecordingLibrary.h"
#include "container/RecordingTypes.h"
#include "TempFolder.h"

namespace trk_test {

// A GPS sample at degrees + minutes (stored in the ddmm.mmmm form).
inline GpsSample Fix(double latitude, double longitude, uint8_t status = GpsStatusValid, int32_t altitude = 0,
                     uint16_t speed = 0, uint8_t heading = 0) {
  GpsSample sample;
  sample.latitude = latitude;
  sample.longitude = longitude;
  sample.status = status;
  sample.altitude = altitude;
  sample.speed = speed;
  sample.heading = heading;
  return sample;
}

// Usable fix number i of a simple drive north-east from 35 deg 40' N, 139 deg 46' E.
inline GpsSample DriveFix(int i) {
  return Fix(3540.0 + 0.01 * i, 13946.0 + 0.02 * i, GpsStatusValid, 10 + i % 7, static_cast<uint16_t>(i % 120),
             static_cast<uint8_t>(i % 180));
}

// Sets TZ for the life of the object and puts the old value back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* tz = std::getenv("TZ");
    m_had = tz != nullptr;
    m_saved = tz ? tz : "";
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (m_had)
      setenv("TZ", m_saved.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::string m_saved;
  bool m_had = false;
};

// Runs `write` while the process may write at most `bytes` into any file
// (a full disk after the file was created); returns what `write` returned.
template <typename Write>
bool WithFileSizeLimit(rlim_t bytes, Write write) {
  struct rlimit saved {};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) std::abort();
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &small) != 0) std::abort();
  const bool result = write();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  return result;
}

struct RecordingPlan {
  std::string name = "FILE0001.AVI";
  std::string subfolder;
  std::vector<GpsSample> gps;
  std::vector<GSensorSample> gsensor;
  uint32_t gpsaValue = 1;
  uint32_t gseaValue = 0;
  uint32_t durationMs = 60000;
  int64_t startTime = 0;
  uint32_t extraGpsBytes = 0;  // bytes after the last record that do not make a record
  bool writeFile = true;
};

// Writes the file below `folder` and returns its RecordingInfo.
inline RecordingInfo WriteRecording(const std::string& folder, const RecordingPlan& plan) {
  std::vector<uint8_t> bytes(64, 0xAB);  // filler: a container would start here
  RecordingInfo info;
  info.name = plan.name;
  info.folder = folder;
  info.subfolder = plan.subfolder;
  RecordingSummary& summary = info.summary;

  if (!plan.gps.empty() || plan.extraGpsBytes) {
    summary.gpsOffset = bytes.size();
    for (const GpsSample& sample : plan.gps) {
      uint8_t record[kGpsRecordSize];
      EncodeGpsSample(sample, record);
      bytes.insert(bytes.end(), record, record + kGpsRecordSize);
    }
    bytes.insert(bytes.end(), plan.extraGpsBytes, 0x11);
    summary.gpsSize = static_cast<uint32_t>(bytes.size() - summary.gpsOffset);
  }
  bytes.insert(bytes.end(), 16, 0xCD);
  if (!plan.gsensor.empty()) {
    summary.gsensorOffset = bytes.size();
    for (const GSensorSample& sample : plan.gsensor) {
      bytes.push_back(static_cast<uint8_t>(sample.x));
      bytes.push_back(static_cast<uint8_t>(sample.y));
      bytes.push_back(static_cast<uint8_t>(sample.z));
    }
    summary.gsensorSize = static_cast<uint32_t>(bytes.size() - summary.gsensorOffset);
  }
  bytes.insert(bytes.end(), 16, 0xEF);

  summary.gpsaValue = plan.gpsaValue;
  summary.gseaValue = plan.gseaValue;
  summary.durationMs = plan.durationMs;
  summary.durationSeconds = plan.durationMs / 1000;
  summary.startTime = plan.startTime;
  summary.fileSize = bytes.size();

  if (plan.writeFile) {
    std::filesystem::create_directories(folder + plan.subfolder);
    std::ofstream out(folder + plan.subfolder + plan.name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  return info;
}

// Puts the recordings into the library as one group each, or all in one group.
inline void FillLibrary(RecordingLibrary& library, const std::vector<RecordingInfo>& recordings, bool oneGroup) {
  library.SetRecordings(recordings);
  std::vector<RecordingGroup> groups;
  if (oneGroup) {
    RecordingGroup group;
    group.count = static_cast<int32_t>(recordings.size());
    groups.push_back(group);
  } else {
    for (int32_t i = 0; i < static_cast<int32_t>(recordings.size()); ++i) {
      RecordingGroup group;
      group.number = i;
      group.first = i;
      group.count = 1;
      groups.push_back(group);
    }
  }
  library.SetGroups(std::move(groups));
}

// Degrees of a stored ddmm.mmmm value, as the page and the KML file get them.
inline double Degrees(double stored) { return NmeaToDegrees(stored / 100.0); }

}  // namespace trk_test
