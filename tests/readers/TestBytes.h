#pragma once
// The reader tests' own pieces on the shared byte builder (ContainerBytes.h):
// AVI headers that carry a frame size, GPS records from samples, and a
// time-zone guard.
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "ContainerBytes.h"
#include "container/RecordingTypes.h"

// ---- AVI pieces ---------------------------------------------------------

inline Bytes MainHeader(uint32_t usPerFrame, uint32_t frames, uint32_t width = 640, uint32_t height = 360) {
  ByteWriter h;
  h.U32LE(usPerFrame).U32LE(0).U32LE(0).U32LE(0x10).U32LE(frames).U32LE(0).U32LE(1).U32LE(0).U32LE(width).U32LE(height);
  h.Zeros(16);
  return AviChunk("avih", h);
}

inline Bytes StreamHeader(const char* type) { return AviChunk("strh", ByteWriter().Raw(type).Raw("FMP4").Zeros(48)); }

inline Bytes VideoFormat(uint32_t width, uint32_t height) {
  return AviChunk("strf", ByteWriter().U32LE(40).U32LE(width).U32LE(height).U16LE(1).U16LE(24).Raw("FMP4").Zeros(20));
}

// RIFF AVI with a header list (25 fps) and whatever `body` holds after it.
inline Bytes AviRecording(const Bytes& body, uint32_t frames = 250, uint32_t width = 640, uint32_t height = 360) {
  ByteWriter strl(StreamHeader("vids"));
  strl.Append(VideoFormat(width, height));
  ByteWriter hdrl(MainHeader(40000, frames, width, height));
  hdrl.Append(AviList("strl", strl));
  return AviFile(ByteWriter(AviList("hdrl", hdrl)).Append(body));
}

inline std::string DateText(const std::string& t) {
  std::string s = t;
  s.resize(20, '\0');
  return s;
}

// ---- GPS records ----------------------------------------------------------

inline GpsSample ClockRecord(int year, int month, int day, int hour, int minute, int second) {
  GpsSample s;
  s.latitude = 3540.8720;
  s.longitude = 13946.0260;
  s.status = GpsStatusValid;
  s.year = static_cast<uint8_t>(year - 2000);
  s.month = static_cast<uint8_t>(month);
  s.day = static_cast<uint8_t>(day);
  s.hour = static_cast<uint8_t>(hour);
  s.minute = static_cast<uint8_t>(minute);
  s.second = static_cast<uint8_t>(second);
  return s;
}

inline Bytes GpsRecords(const std::vector<GpsSample>& records) {
  ByteWriter p;
  for (const GpsSample& s : records) {
    uint8_t buf[32];
    EncodeGpsSample(s, buf);
    p.Raw(buf, 32);
  }
  return p.Take();
}

// ---- Time zone --------------------------------------------------------------

class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    if (const char* old = std::getenv("TZ")) m_old = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~ScopedTz() {
    if (m_old)
      ::setenv("TZ", m_old->c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }
  ScopedTz(const ScopedTz&) = delete;
  ScopedTz& operator=(const ScopedTz&) = delete;

 private:
  std::optional<std::string> m_old;
};

// Seconds since 1970 of a UTC calendar time (independent of TZ).
inline int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return static_cast<int64_t>(timegm(&t));
}
