#include "container/RecordingTypes.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <string_view>

#include "container/ByteOrder.h"
#include "container/ZoneClock.h"

static_assert(std::numeric_limits<double>::is_iec559, "GPS coordinates are IEEE-754 doubles");

namespace {

// When a recording has G-sensor records but neither a rate byte nor a length,
// the even spread over the recording is undefined. The camera's own sensor
// writes ten records a second, so that is the rate we assume; it keeps the
// curve's time axis finite and every division defined.
constexpr double kFallbackGSensorRate = 10.0;

}  // namespace

GpsSample DecodeGpsSample(const uint8_t* bytes) {
  GpsSample s;
  s.latitude = std::bit_cast<double>(ReadLe64(bytes + 0));
  s.longitude = std::bit_cast<double>(ReadLe64(bytes + 8));
  s.altitude = static_cast<int32_t>(ReadLe32(bytes + 16));
  s.speed = ReadLe16(bytes + 20);
  s.year = bytes[22];
  s.month = bytes[23];
  s.day = bytes[24];
  s.hour = bytes[25];
  s.minute = bytes[26];
  s.second = bytes[27];
  s.heading = bytes[28];
  s.status = bytes[29];
  s.reserved = ReadLe16(bytes + 30);
  return s;
}

void EncodeGpsSample(const GpsSample& s, uint8_t* bytes) {
  PutLe64(bytes + 0, std::bit_cast<uint64_t>(s.latitude));
  PutLe64(bytes + 8, std::bit_cast<uint64_t>(s.longitude));
  PutLe32(bytes + 16, static_cast<uint32_t>(s.altitude));
  PutLe16(bytes + 20, s.speed);
  bytes[22] = s.year;
  bytes[23] = s.month;
  bytes[24] = s.day;
  bytes[25] = s.hour;
  bytes[26] = s.minute;
  bytes[27] = s.second;
  bytes[28] = s.heading;
  bytes[29] = s.status;
  PutLe16(bytes + 30, s.reserved);
}

GSensorSample DecodeGSensorSample(const uint8_t* bytes) {
  GSensorSample s;
  s.x = static_cast<int8_t>(bytes[0]);
  s.y = static_cast<int8_t>(bytes[1]);
  s.z = static_cast<int8_t>(bytes[2]);
  return s;
}

double NmeaToDegrees(double value) {
  const double whole = std::trunc(value);
  return whole + (value - whole) * 100.0 / 60.0;
}

bool ConvertNmeaPosition(double& latitude, double& longitude) {
  latitude = NmeaToDegrees(latitude / 100.0);
  longitude = NmeaToDegrees(longitude / 100.0);
  // Written so that a NaN also counts as unusable.
  return latitude < 200.0 && longitude < 200.0;
}

bool IsValidClock(unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second) {
  return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 && minute <= 59 && second <= 59;
}

unsigned DaysInMonth(int year, unsigned month) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDays[month - 1] + (month == 2 && leap ? 1u : 0u);
}

bool IsValidRecordClock(const GpsSample& sample) {
  return sample.year != 0 && IsValidClock(sample.month, sample.day, sample.hour, sample.minute, sample.second) &&
         sample.day <= DaysInMonth(2000 + sample.year, sample.month);
}

uint32_t GpsRateOf(uint32_t gpsaValue) {
  const uint32_t rate = gpsaValue & 0xFFu;
  return rate == 0 ? 1u : rate;
}

uint32_t GSensorRateByteOf(uint32_t gseaValue) { return gseaValue & 0xFFu; }

uint32_t GSensorRangeOf(uint32_t gseaValue) {
  const uint32_t range = (gseaValue >> 8) & 0xFFu;
  return range == 0 ? 8u : range;
}

double GSensorRatePerSecond(uint32_t gseaValue, uint32_t recordCount, uint32_t durationMs) {
  const uint32_t rateByte = GSensorRateByteOf(gseaValue);
  if (rateByte != 0) return static_cast<double>(rateByte);
  // Spread evenly over the recording. Without records or without a length
  // the spread gives 0 or is undefined; a rate of 0 would make every
  // "count / rate" of a consumer divide by zero, so both take the fallback.
  if (durationMs == 0 || recordCount == 0) return kFallbackGSensorRate;
  return static_cast<double>(recordCount) * 1000.0 / static_cast<double>(durationMs);
}

void ApplyZeroRule(GpsSample& sample) {
  if (sample.latitude == 0.0 && sample.longitude == 0.0) sample.status = 0;
}

bool FixPosition(const GpsSample& sample, double& latitude, double& longitude) {
  if ((sample.status & GpsStatusValid) == 0 || sample.heading > 180) return false;
  latitude = NmeaToDegrees(sample.latitude / 100.0);
  longitude = NmeaToDegrees(sample.longitude / 100.0);
  // Written so that a NaN also fails.
  return latitude >= -90.0 && latitude <= 90.0 && longitude >= -180.0 && longitude <= 180.0;
}

bool IsUsableGpsSample(const GpsSample& sample) {
  double latitude = 0.0, longitude = 0.0;
  return FixPosition(sample, latitude, longitude);
}

namespace {

// mktime of the fields with the daylight-saving flag `isdst` (-1: the zone's
// rules decide). `exact` tells whether the result shows the same fields again
// in local time, that is, whether the flag fits that moment.
bool MakeLocalTime(int year, int month, int day, int hour, int minute, int second, int isdst, int64_t& time,
                   bool& exact) {
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = isdst;
  errno = 0;
  const std::time_t t = std::mktime(&fields);
  // -1 is also one second before 1970; only an error sets errno.
  if (t == static_cast<std::time_t>(-1) && errno != 0) return false;
  time = static_cast<int64_t>(t);
  NoteLocalOffset(fields.tm_gmtoff);
  exact = fields.tm_year == year - 1900 && fields.tm_mon == month - 1 && fields.tm_mday == day &&
          fields.tm_hour == hour && fields.tm_min == minute && fields.tm_sec == second;
  return true;
}

}  // namespace

int64_t LocalCalendarToTimeNear(int year, int month, int day, int hour, int minute, int second, int64_t near,
                                bool* ok) {
  // One moment only: both flags that fit give it.
  if (int64_t quick = 0; QuickLocalTime(year, month, day, hour, minute, second, quick)) {
    if (ok) *ok = true;
    return quick;
  }
  int64_t best = 0;
  bool found = false;
  for (const int isdst : {0, 1}) {
    int64_t time = 0;
    bool exact = false;
    if (!MakeLocalTime(year, month, day, hour, minute, second, isdst, time, exact) || !exact) continue;
    const auto distance = [near](int64_t t) { return t > near ? t - near : near - t; };
    if (!found || distance(time) < distance(best)) best = time;
    found = true;
  }
  // Neither flag fits (the hour that the spring change skips): the zone's rules decide.
  if (!found) return LocalCalendarToTime(year, month, day, hour, minute, second, ok);
  if (ok) *ok = true;
  return best;
}

int64_t LocalCalendarToTime(int year, int month, int day, int hour, int minute, int second, bool* ok) {
  int64_t time = 0;
  if (QuickLocalTime(year, month, day, hour, minute, second, time)) {
    if (ok) *ok = true;
    return time;
  }
  bool exact = false;
  // Daylight saving decided by the time zone's rules.
  const bool good = MakeLocalTime(year, month, day, hour, minute, second, -1, time, exact);
  if (ok) *ok = good;
  return good ? time : 0;
}

namespace {

// The camera's own system matches names without regard to case, and copies
// and other cameras write ".avi", ".mov" or ".mp4".
bool EndsWithIgnoringCase(const std::string& name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::size_t start = name.size() - suffix.size();
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const char c = name[start + i];
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower != suffix[i]) return false;
  }
  return true;
}

}  // namespace

bool IsAviName(const std::string& name) { return EndsWithIgnoringCase(name, ".avi"); }
// MP4 is the same atom structure: the QuickTime reader reads it.
bool IsMovName(const std::string& name) {
  return EndsWithIgnoringCase(name, ".mov") || EndsWithIgnoringCase(name, ".mp4");
}
