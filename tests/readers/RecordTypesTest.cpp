#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "container/RecordingTypes.h"
#include "TestBytes.h"

TEST(RecordTypes, GpsRecordIsLittleEndianWhateverTheHost) {
  // latitude 2502.5 = 0x40A38D0000000000, longitude 12130.0 = 0x40C7B10000000000
  const uint8_t bytes[32] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x8D, 0xA3, 0x40,  // latitude
                             0x00, 0x00, 0x00, 0x00, 0x00, 0xB1, 0xC7, 0x40,  // longitude
                             0x9C, 0xFF, 0xFF, 0xFF,                          // altitude -100
                             0x2C, 0x01,                                      // speed 300
                             19,   5,    1,    8,    30,   10,                // clock
                             135,  0x03, 0xAA, 0xBB};
  const GpsSample s = DecodeGpsSample(bytes);
  EXPECT_EQ(s.latitude, 2502.5);
  EXPECT_EQ(s.longitude, 12130.0);
  EXPECT_EQ(s.altitude, -100);
  EXPECT_EQ(s.speed, 300);
  EXPECT_EQ(s.year, 19);
  EXPECT_EQ(s.second, 10);
  EXPECT_EQ(s.heading * 2, 270);  // heading byte 135 is 270 degrees
  EXPECT_EQ(s.status, 0x03);
  EXPECT_EQ(s.reserved, 0xBBAA);
  uint8_t back[32] = {};
  EncodeGpsSample(s, back);
  EXPECT_EQ(0, std::memcmp(bytes, back, 32));

  const uint8_t g[3] = {0x80, 0x7F, 0xFF};
  const GSensorSample gs = DecodeGSensorSample(g);
  EXPECT_EQ(gs.x, -128);
  EXPECT_EQ(gs.y, 127);
  EXPECT_EQ(gs.z, -1);
}

TEST(RecordTypes, NmeaConversion) {
  EXPECT_NEAR(NmeaToDegrees(25.025), 25.0416666667, 1e-9);
  double lat = 2502.5, lon = 12130.0;
  EXPECT_TRUE(ConvertNmeaPosition(lat, lon));
  EXPECT_NEAR(lat, 25.0416666667, 1e-9);
  EXPECT_NEAR(lon, 121.5, 1e-9);
  lat = 20000.0;
  lon = 100.0;
  EXPECT_FALSE(ConvertNmeaPosition(lat, lon));  // 200 degrees is unusable
  lat = std::numeric_limits<double>::quiet_NaN();
  lon = 100.0;
  EXPECT_FALSE(ConvertNmeaPosition(lat, lon));
}

TEST(RecordTypes, ClockBoundsAreUnsigned) {
  EXPECT_TRUE(IsValidClock(12, 31, 23, 59, 59));
  EXPECT_TRUE(IsValidClock(1, 1, 0, 0, 0));
  EXPECT_FALSE(IsValidClock(0, 1, 0, 0, 0));
  EXPECT_FALSE(IsValidClock(13, 1, 0, 0, 0));
  EXPECT_FALSE(IsValidClock(1, 0, 0, 0, 0));
  EXPECT_FALSE(IsValidClock(1, 32, 0, 0, 0));
  EXPECT_FALSE(IsValidClock(1, 1, 24, 0, 0));
  EXPECT_FALSE(IsValidClock(1, 1, 0, 60, 0));
  EXPECT_FALSE(IsValidClock(1, 1, 0, 0, 60));
  EXPECT_FALSE(IsValidClock(static_cast<unsigned>(-1), 1, 0, 0, 0));
}

TEST(RecordTypes, TimeBase) {
  EXPECT_EQ(GpsRateOf(0), 1u);
  EXPECT_EQ(GpsRateOf(0xFFFFFF00u), 1u);  // only the low byte counts
  EXPECT_EQ(GpsRateOf(0x00001205u), 5u);
  EXPECT_EQ(GSensorRangeOf(0), 8u);
  EXPECT_EQ(GSensorRangeOf(0x0000020Au), 2u);
  EXPECT_EQ(GSensorRateByteOf(0x0000020Au), 10u);
  EXPECT_DOUBLE_EQ(GSensorRatePerSecond(0x0000020Au, 50, 1000), 10.0);
  // No rate byte: spread over the recording.
  EXPECT_DOUBLE_EQ(GSensorRatePerSecond(0, 300, 60000), 5.0);
  // No rate byte and no length: a finite, positive fallback instead of a division by zero.
  const double fallback = GSensorRatePerSecond(0, 300, 0);
  EXPECT_TRUE(std::isfinite(fallback));
  EXPECT_GT(fallback, 0.0);
  EXPECT_TRUE(std::isfinite(300 / fallback));
  EXPECT_GT(GSensorRatePerSecond(0, 0, 60000), 0.0);  // no records: still never 0
}

TEST(RecordTypes, ZeroRuleAndUsability) {
  GpsSample s;
  s.status = GpsStatusValid | 0x04;
  ApplyZeroRule(s);
  EXPECT_EQ(s.status, 0);
  EXPECT_FALSE(IsUsableGpsSample(s));
  s.latitude = 3540.0;
  s.longitude = 0.0;  // only one coordinate 0: stays as it is
  s.status = GpsStatusValid;
  ApplyZeroRule(s);
  EXPECT_EQ(s.status, GpsStatusValid);
  EXPECT_TRUE(IsUsableGpsSample(s));
  s.longitude = 20000.0;
  EXPECT_FALSE(IsUsableGpsSample(s));
}

TEST(RecordTypes, LocalCalendarFollowsTz) {
  {
    ScopedTz tz("UTC");
    bool ok = false;
    EXPECT_EQ(LocalCalendarToTime(2019, 5, 1, 8, 30, 10, &ok), Utc(2019, 5, 1, 8, 30, 10));
    EXPECT_TRUE(ok);
    // A day beyond the month's length rolls over.
    EXPECT_EQ(LocalCalendarToTime(2019, 2, 31, 0, 0, 0), Utc(2019, 3, 3, 0, 0, 0));
    EXPECT_EQ(LocalCalendarToTime(1899, 12, 31, 23, 59, 59), Utc(1899, 12, 31, 23, 59, 59));
  }
  {
    ScopedTz tz("JST-9");
    EXPECT_EQ(LocalCalendarToTime(2019, 5, 1, 8, 30, 10), Utc(2019, 4, 30, 23, 30, 10));
  }
  {
    // Daylight saving decided by the zone's rules, not by the caller.
    ScopedTz tz("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(LocalCalendarToTime(2019, 7, 1, 12, 0, 0), Utc(2019, 7, 1, 10, 0, 0));
    EXPECT_EQ(LocalCalendarToTime(2019, 1, 1, 12, 0, 0), Utc(2019, 1, 1, 11, 0, 0));
  }
}

// The quick path beside mktime gives what mktime gives, around every clock
// change of a year, in zones with whole, half and no daylight-saving hours.
TEST(RecordTypes, LocalCalendarMatchesMktimeAroundClockChanges) {
  for (const char* zone : {"UTC", "Europe/Berlin", "America/New_York", "Australia/Lord_Howe"}) {
    ScopedTz tz(zone);
    for (int64_t step = 0; step < 365 * 24 * 3; ++step) {
      const time_t at = 1704067200 + step * 1200 + step % 61;  // 2024, every 20 minutes
      std::tm f{};
      localtime_r(&at, &f);
      // Every local 01:00 to 03:59 besides, where the changes fall.
      if (step % 3 == 0) f.tm_hour = 1 + static_cast<int>(step / 3 % 3);
      auto mktimeWith = [f](int dst, bool& exact) {
        std::tm ask = f;
        ask.tm_isdst = dst;
        const int64_t t = std::mktime(&ask);
        exact = ask.tm_hour == f.tm_hour && ask.tm_min == f.tm_min && ask.tm_mday == f.tm_mday;
        return t;
      };
      const int y = f.tm_year + 1900, mo = f.tm_mon + 1;
      bool exact = false;
      ASSERT_EQ(LocalCalendarToTime(y, mo, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec), mktimeWith(-1, exact)) << zone;
      int64_t nearest = 0;
      bool found = false;
      for (int dst : {0, 1}) {
        const int64_t t = mktimeWith(dst, exact);
        if (exact && (!found || std::llabs(t - at) < std::llabs(nearest - at))) nearest = t;
        found = found || exact;
      }
      if (!found) continue;
      ASSERT_EQ(LocalCalendarToTimeNear(y, mo, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec, at), nearest) << zone << at;
    }
  }
}
