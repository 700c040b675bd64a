#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "Drive.h"
#include "Synth.h"
#include "SynthInternal.h"

namespace {

int64_t StartEpoch(const SynthOptions& o) {
  bool ok = false;
  const int64_t t = LocalCalendarToTime(o.year, o.month, o.day, o.hour, o.minute, o.second, &ok);
  if (!ok) throw SynthError("start time cannot be represented");
  return t;
}

double NmeaOf(double degrees) {
  const double whole = std::floor(degrees);
  const double minutes = std::round((degrees - whole) * 60.0 * 10000.0) / 10000.0;
  return whole * 100.0 + minutes;
}

int8_t SensorValue(double g, uint8_t range) {
  const double v = std::round(g * 128.0 / (range ? range : 8));
  return static_cast<int8_t>(std::clamp(v, -128.0, 127.0));
}

// Small deterministic noise in [-1, 1].
double Noise(uint32_t seed, uint32_t i, uint32_t axis) {
  uint32_t h = seed * 0x9E3779B1u ^ (i + 1) * 0x85EBCA77u ^ (axis + 1) * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return (h & 0xFFFF) / 32767.5 - 1.0;
}

SynthContainer ContainerFor(const std::string& path, SynthContainer requested) {
  if (requested != SynthContainer::FromName) return requested;
  if (path.size() >= 4) {
    std::string ext = path.substr(path.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".avi") return SynthContainer::Avi;
    if (ext == ".mov" || ext == ".mp4") return SynthContainer::Mov;
  }
  throw SynthError("cannot tell the container of " + path + " (name it .AVI, .MOV or .MP4)");
}

double DriveLength(const SynthOptions& o) { return o.driveSeconds + o.durationMs / 1000.0 + 1.0; }

// The drive model takes the harsh moments in seconds of the whole drive;
// before the drive began means none.
DriveIncidents Incidents(const SynthOptions& o) {
  auto shifted = [&o](const std::vector<double>& times) {
    std::vector<double> out;
    for (double at : times)
      if (o.driveSeconds + at >= 0) out.push_back(o.driveSeconds + at);
    return out;
  };
  DriveIncidents incidents{shifted(o.brakeAt), shifted(o.accelerateAt), shifted(o.rightTurnAt), shifted(o.leftTurnAt),
                           shifted(o.impactAt)};
  if (o.hardBrake && o.driveSeconds + o.hardBrakeAt >= 0) incidents.brakes.push_back(o.driveSeconds + o.hardBrakeAt);
  return incidents;
}

// A bump of the rough road around sample i (at `rate` a second), in g: one
// every 20-40 s, lasting two samples.
double Bump(uint32_t seed, uint32_t i, uint32_t rate) {
  const uint32_t second = i / rate;
  const uint32_t slot = second / 30;
  const double where = 0.5 * (Noise(seed + 17, slot, 3) + 1.0);  // [0, 1]
  const uint32_t bumpSample = (slot * 30 + static_cast<uint32_t>(where * 20)) * rate;
  if (i < bumpSample || i >= bumpSample + 2) return 0.0;
  return 0.55 + 0.25 * Noise(seed + 29, slot, 4);
}

}  // namespace

std::vector<GpsSample> SynthGpsTrack(const SynthOptions& o) {
  const uint32_t rate = o.gpsRate ? o.gpsRate : 1;
  const uint64_t count = std::max<uint64_t>(1, uint64_t{o.durationMs} * rate / 1000);
  const DriveModel drive(o.routeSeed, DriveLength(o), Incidents(o));
  const int64_t start = StartEpoch(o);
  std::vector<GpsSample> track;
  track.reserve(count);
  for (uint64_t i = 0; i < count; ++i) {
    GpsSample s;
    if (static_cast<int64_t>(i) >= o.noFixRecords) {
      const double t = static_cast<double>(i) / rate;
      const DriveState d = drive.At(o.driveSeconds + t);
      s.latitude = NmeaOf(d.latitude);
      s.longitude = NmeaOf(d.longitude);
      s.altitude = static_cast<int32_t>(std::lround(d.altitude));
      s.speed = static_cast<uint16_t>(std::lround(d.speedKmh));
      s.heading = static_cast<uint8_t>(static_cast<int>(std::lround(d.headingDeg / 2.0)) % 180);
      s.status = GpsStatusValid;
      if (o.gpsClock) {
        const std::time_t when = static_cast<std::time_t>(start + static_cast<int64_t>(i / rate));
        std::tm local{};
        if (localtime_r(&when, &local) && local.tm_year + 1900 >= 2001 && local.tm_year + 1900 <= 2255) {
          s.year = static_cast<uint8_t>(local.tm_year + 1900 - 2000);
          s.month = static_cast<uint8_t>(local.tm_mon + 1);
          s.day = static_cast<uint8_t>(local.tm_mday);
          s.hour = static_cast<uint8_t>(local.tm_hour);
          s.minute = static_cast<uint8_t>(local.tm_min);
          s.second = static_cast<uint8_t>(local.tm_sec);
        }
      }
    }
    track.push_back(s);
  }
  return track;
}

std::vector<GSensorSample> SynthGSensorTrace(const SynthOptions& o) {
  const uint32_t rate = o.gsensorRate ? o.gsensorRate : 10;
  uint64_t count = uint64_t{o.durationMs} * rate / 1000;
  count += count & 1;  // an even count keeps the AVI chunk at an even size
  const DriveModel drive(o.routeSeed, DriveLength(o), Incidents(o));
  std::vector<GSensorSample> trace;
  trace.reserve(count);
  for (uint64_t j = 0; j < count; ++j) {
    const DriveState d = drive.At(o.driveSeconds + static_cast<double>(j) / rate);
    const auto i = static_cast<uint32_t>(j);
    const double vibration = o.roadNoise ? 2.0 : 1.0;
    const double forward = d.longitudinalG + d.knockG[0] + 0.03 * vibration * Noise(o.routeSeed, i, 0);
    const double right = d.lateralG + d.knockG[1] + 0.03 * vibration * Noise(o.routeSeed, i, 1);
    double up = 1.0 + d.knockG[2] + 0.05 * vibration * Noise(o.routeSeed, i, 2);
    if (o.roadNoise) up += Bump(o.routeSeed, i, rate);
    // A camera pitched forward sees some of gravity on x and some of the
    // forward acceleration on z.
    const double pitch = o.mountPitchDeg * 3.14159265358979323846 / 180.0;
    GSensorSample s;
    s.x = SensorValue(forward * std::cos(pitch) + up * std::sin(pitch), o.gsensorRange);
    s.y = SensorValue(right, o.gsensorRange);
    s.z = SensorValue(up * std::cos(pitch) - forward * std::sin(pitch), o.gsensorRange);
    trace.push_back(s);
  }
  return trace;
}

std::string SynthDateText(const SynthOptions& o) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", o.year, o.month, o.day, o.hour, o.minute, o.second);
  std::string s(text);
  s.resize(20, '\0');
  return s;
}

SynthReport WriteSynthRecording(const std::string& path, const SynthOptions& options) {
  SynthReport report;
  report.path = path;
  report.container = ContainerFor(path, options.container);
  report.startTime = StartEpoch(options);

  CameraBlocks blocks;
  const auto gps = SynthGpsTrack(options);
  blocks.gps.resize(gps.size() * kGpsRecordSize);
  for (std::size_t i = 0; i < gps.size(); ++i) EncodeGpsSample(gps[i], &blocks.gps[i * kGpsRecordSize]);
  const auto gsensor = SynthGSensorTrace(options);
  for (const GSensorSample& g : gsensor) {
    blocks.gsen.push_back(static_cast<uint8_t>(g.x));
    blocks.gsen.push_back(static_cast<uint8_t>(g.y));
    blocks.gsen.push_back(static_cast<uint8_t>(g.z));
  }
  blocks.gpsa = options.gpsRate;
  blocks.gsea = options.gsensorRate | (uint32_t{options.gsensorRange} << 8);
  switch (options.idit) {
    case SynthIdit::Valid:
    case SynthIdit::None:  // not written as IDIT; a "datetext" piece still holds it
      blocks.dateText = SynthDateText(options);
      break;
    case SynthIdit::Invalid: {
      SynthOptions bad = options;
      bad.month = 13;
      blocks.dateText = SynthDateText(bad);
      break;
    }
    case SynthIdit::Empty:
      blocks.dateText.assign(20, '\0');
      break;
    case SynthIdit::Before1900:
      blocks.dateText = std::string("1899-12-31 23:59:59") + '\0';
      break;
  }
  report.gps = gps;
  report.gsensor = gsensor;

  if (report.container == SynthContainer::Avi)
    WriteAviFile(path, options, blocks, report);
  else
    WriteMovFile(path, options, blocks, report);

  struct stat whole {};
  if (::stat(path.c_str(), &whole) != 0) throw SynthError("cannot stat " + path);
  report.fullSize = static_cast<uint64_t>(whole.st_size);
  if (options.cutAt > 0 && options.cutAt < 1) {
    const auto keep = static_cast<off_t>(static_cast<double>(whole.st_size) * options.cutAt);
    if (::truncate(path.c_str(), keep) != 0) throw SynthError("cannot cut " + path);
  }

  report.modificationTime = report.startTime + options.durationMs / 1000;
  if (options.setFileTime) {
    const struct timespec times[2] = {{static_cast<time_t>(report.modificationTime), 0},
                                      {static_cast<time_t>(report.modificationTime), 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) throw SynthError("cannot set the time of " + path);
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw SynthError("cannot stat " + path);
  report.fileSize = static_cast<uint64_t>(st.st_size);
  return report;
}
