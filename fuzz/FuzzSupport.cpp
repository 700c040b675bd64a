#include "FuzzSupport.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

MemFile::MemFile() {
  m_fd = ::memfd_create("trk-fuzz-input", MFD_CLOEXEC);
  Require(m_fd >= 0, "memfd_create failed");
  m_path = "/proc/self/fd/" + std::to_string(m_fd);
}

MemFile::~MemFile() {
  if (m_fd >= 0) ::close(m_fd);
}

void MemFile::Write(const uint8_t* data, std::size_t size) {
  Require(::ftruncate(m_fd, 0) == 0, "ftruncate failed");
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(m_fd, data + done, size - done, static_cast<off_t>(done));
    Require(n > 0, "pwrite failed");
    done += static_cast<std::size_t>(n);
  }
  const struct timespec times[2] = {{kFuzzFileTime, 0}, {kFuzzFileTime, 0}};
  Require(::futimens(m_fd, times) == 0, "futimens failed");
}

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

bool SameSummary(const RecordingSummary& a, const RecordingSummary& b) {
  return a.gpsOffset == b.gpsOffset && a.gpsSize == b.gpsSize && a.gsensorOffset == b.gsensorOffset &&
         a.gsensorSize == b.gsensorSize && a.width == b.width && a.height == b.height && a.startTime == b.startTime &&
         a.durationSeconds == b.durationSeconds && a.durationMs == b.durationMs && a.fileSize == b.fileSize &&
         a.gpsaValue == b.gpsaValue && a.gseaValue == b.gseaValue;
}

#include <cmath>

#include "container/SampleLoader.h"

namespace {

bool Inside(uint64_t offset, uint32_t size, std::size_t fileSize) {
  return size != 0 && offset <= fileSize && size <= fileSize - offset;
}

}  // namespace

void CheckLoadedBlocks(const LoadedBlocks& blocks, const RecordingSummary& summary, const uint8_t* data,
                       std::size_t size, bool wantGps, bool wantGsensor) {
  Require(blocks.opened, "loader did not open the source");
  Require(blocks.fileSize == size, "loader reports another file size");

  const bool gpsExpected = wantGps && Inside(summary.gpsOffset, summary.gpsSize, size);
  Require(blocks.gpsRead == gpsExpected, "GPS block read decision");
  if (blocks.gpsRead) {
    Require(blocks.gps.size() == summary.gpsSize / kGpsRecordSize, "GPS record count");
    for (std::size_t i = 0; i < blocks.gps.size(); ++i) {
      const uint8_t* r = data + summary.gpsOffset + i * kGpsRecordSize;
      const GpsSample& s = blocks.gps[i];
      Require(s.speed == static_cast<uint16_t>(r[20] | (r[21] << 8)) && s.year == r[22] && s.month == r[23] &&
                  s.day == r[24] && s.hour == r[25] && s.minute == r[26] && s.second == r[27] && s.heading == r[28] &&
                  s.status == r[29],
              "GPS record differs from the file bytes");
    }
  } else {
    Require(blocks.gps.empty(), "GPS records without a read block");
  }

  const bool gsensorExpected = wantGsensor && Inside(summary.gsensorOffset, summary.gsensorSize, size);
  Require(blocks.gsensorRead == gsensorExpected, "G-sensor block read decision");
  if (blocks.gsensorRead) {
    Require(blocks.gsensor.size() == summary.gsensorSize / kGSensorRecordSize, "G-sensor record count");
    for (std::size_t i = 0; i < blocks.gsensor.size(); ++i) {
      const uint8_t* r = data + summary.gsensorOffset + i * kGSensorRecordSize;
      const GSensorSample& s = blocks.gsensor[i];
      Require(s.x == static_cast<int8_t>(r[0]) && s.y == static_cast<int8_t>(r[1]) && s.z == static_cast<int8_t>(r[2]),
              "G-sensor record differs from the file bytes");
    }
  } else {
    Require(blocks.gsensor.empty(), "G-sensor records without a read block");
  }

  // What the displays do with loaded records.
  for (GpsSample s : blocks.gps) {
    ApplyZeroRule(s);
    if (s.latitude == 0.0 && s.longitude == 0.0) Require(s.status == 0, "zero rule left a status");
    if (IsUsableGpsSample(s)) {
      double latitude = s.latitude, longitude = s.longitude;
      ConvertNmeaPosition(latitude, longitude);
    }
  }
  const double rate =
      GSensorRatePerSecond(summary.gseaValue, static_cast<uint32_t>(blocks.gsensor.size()), summary.durationMs);
  Require(std::isfinite(rate) && rate > 0.0, "G-sensor rate not a positive number");
  Require(GSensorRangeOf(summary.gseaValue) != 0 && GpsRateOf(summary.gpsaValue) != 0, "zero rate or range");
}
