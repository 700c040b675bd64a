#include "container/ZoneClock.h"

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

namespace {

// mktime looks at the zone again this often, so that a zone changed while the
// program runs is seen as before within a second.
constexpr int64_t kRecheckNs = 1'000'000'000;
// Another moment with the same fields lies at most a day and two hours away
// (offsets run from -12 to +14 hours): the offset held from two days before
// to two days after leaves none.
constexpr int64_t kUniqueSpan = 2 * 86400;
constexpr int kFirstYear = 1971;
constexpr int kLastYear = 2099;

struct Zone {
  std::mutex lock;
  bool known = false;
  bool tzSet = false;
  std::string tz;
  long offset = 0;
  int64_t notedNs = 0;
};

Zone& TheZone() {
  static Zone zone;
  return zone;
}

int64_t CoarseNowNs() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

bool OffsetAt(std::time_t t, long& offset) {
  std::tm fields{};
  if (!localtime_r(&t, &fields)) return false;
  offset = fields.tm_gmtoff;
  return true;
}

}  // namespace

void NoteLocalOffset(long offsetSeconds) {
  Zone& zone = TheZone();
  const char* tz = std::getenv("TZ");
  std::lock_guard<std::mutex> hold(zone.lock);
  zone.known = true;
  zone.tzSet = tz != nullptr;
  zone.tz = tz ? tz : "";
  zone.offset = offsetSeconds;
  zone.notedNs = CoarseNowNs();
}

bool QuickLocalTime(int year, int month, int day, int hour, int minute, int second, int64_t& time) {
  if (year < kFirstYear || year > kLastYear) return false;
  long offset = 0;
  {
    Zone& zone = TheZone();
    const char* tz = std::getenv("TZ");
    std::lock_guard<std::mutex> hold(zone.lock);
    // A TZ changed since mktime last looked is for mktime to read.
    if (!zone.known || zone.tzSet != (tz != nullptr) || (tz && zone.tz != tz) ||
        CoarseNowNs() - zone.notedNs >= kRecheckNs)
      return false;
    offset = zone.offset;
  }
  const int64_t local = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  const auto t = static_cast<std::time_t>(local - offset);
  std::tm fields{};
  if (!localtime_r(&t, &fields) || fields.tm_gmtoff != offset || fields.tm_year != year - 1900 ||
      fields.tm_mon != month - 1 || fields.tm_mday != day || fields.tm_hour != hour || fields.tm_min != minute ||
      fields.tm_sec != second)
    return false;
  long before = 0, after = 0;
  if (!OffsetAt(t - kUniqueSpan, before) || !OffsetAt(t + kUniqueSpan, after) || before != offset || after != offset)
    return false;
  time = static_cast<int64_t>(t);
  return true;
}
