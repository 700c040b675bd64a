#pragma once
// The camera's sample records and the per-recording, per-group and per-row
// records of the library. Sample blocks are little-endian on every host and
// in every container; decode them with the functions below, never by casting.
#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kGpsRecordSize = 32;
constexpr std::size_t kGSensorRecordSize = 3;
constexpr uint8_t GpsStatusValid = 0x01;

struct GpsSample {
  double latitude = 0.0;   // ddmm.mmmm, never negative
  double longitude = 0.0;  // dddmm.mmmm
  int32_t altitude = 0;    // metres
  uint16_t speed = 0;      // km/h
  uint8_t year = 0;        // year - 2000; 0 = no clock
  uint8_t month = 0;
  uint8_t day = 0;
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;
  uint8_t heading = 0;  // units of 2 degrees
  uint8_t status = 0;   // bit 0 = GpsStatusValid
  uint16_t reserved = 0;
};

struct GSensorSample {
  int8_t x = 0;
  int8_t y = 0;
  int8_t z = 0;
};

// Decoding and encoding of one record; `bytes` holds exactly one record.
GpsSample DecodeGpsSample(const uint8_t* bytes);                // 32 bytes
void EncodeGpsSample(const GpsSample& sample, uint8_t* bytes);  // 32 bytes
GSensorSample DecodeGSensorSample(const uint8_t* bytes);        // 3 bytes

struct RecordingSummary {
  uint64_t gpsOffset = 0;
  uint32_t gpsSize = 0;
  uint64_t gsensorOffset = 0;
  uint32_t gsensorSize = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  int64_t startTime = 0;  // seconds since 1970 UTC, from local calendar fields
  int64_t durationSeconds = 0;
  uint32_t durationMs = 0;
  uint64_t fileSize = 0;
  uint32_t gpsaValue = 0;
  uint32_t gseaValue = 0;
};

enum : uint8_t {
  RecordingFlagEvent = 0x01,
  RecordingFlagLocked = 0x02,
};

struct RecordingInfo {
  int32_t groupStart = 0;
  uint8_t flags = 0;
  std::string name;       // file name bytes as the file system gives them
  std::string folder;     // the opened folder, ends with '/'
  std::string subfolder;  // relative folder, empty or ending with '/'
  RecordingSummary summary;
};

struct RecordingGroup {
  int32_t number = 0;
  int32_t first = 0;
  int32_t count = 0;
  uint64_t durationMs = 0;
  uint64_t size = 0;
  uint8_t flags = 0;
  int32_t checked = 0;
};

struct RecordingEntry {
  int32_t group = 0;
  int32_t position = 0;
  int32_t recording = 0;
  uint64_t size = 0;
  uint32_t durationMs = 0;
};

// dd.mmmm (already divided by 100) -> decimal degrees.
double NmeaToDegrees(double value);
// Divides both by 100, converts in place; false when either result is >= 200.
bool ConvertNmeaPosition(double& latitude, double& longitude);
bool IsValidClock(unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second);
// Days of `month` (1-12) in `year`, leap years included; 0 for no month.
unsigned DaysInMonth(int year, unsigned month);
// IsValidClock, and a day that exists in its month: the record's calendar
// fields name one real moment (31 April or 29 February 2023 name none).
bool IsValidRecordClock(const GpsSample& sample);

// Time base.
uint32_t GpsRateOf(uint32_t gpsaValue);          // low byte, 1 when 0
uint32_t GSensorRateByteOf(uint32_t gseaValue);  // low byte, may be 0
uint32_t GSensorRangeOf(uint32_t gseaValue);     // second byte, 8 when 0
// G-sensor records per second: the rate byte, else count * 1000 / durationMs.
// A recording with no rate byte and no duration gets the fallback documented
// in RecordingTypes.cpp (never a division by zero).
double GSensorRatePerSecond(uint32_t gseaValue, uint32_t recordCount, uint32_t durationMs);

// Zero rule: a record whose two coordinates are exactly 0.0 loses its status.
void ApplyZeroRule(GpsSample& sample);
// The one rule for a record with a position, used by the map, the exports
// and the trip figures: the valid bit, a converted latitude within +-90 and
// longitude within +-180 degrees, and a course (heading x 2) of at most 360
// degrees. Anything else is a receiver's garbage and counts as no fix.
// `latitude` and `longitude` receive the position in decimal degrees.
bool FixPosition(const GpsSample& sample, double& latitude, double& longitude);
bool IsUsableGpsSample(const GpsSample& sample);

// Local civil calendar fields -> seconds since 1970 UTC by the C library's
// mktime rule (TZ decides). `ok` is false when the fields cannot be turned into
// a time; the result is then 0.
int64_t LocalCalendarToTime(int year, int month, int day, int hour, int minute, int second, bool* ok = nullptr);
// The same fields read as the moment nearest to `near`: in the hour that the
// autumn clock change repeats, the fields name two moments an hour apart,
// and a record's neighbours tell which one it was.
int64_t LocalCalendarToTimeNear(int year, int month, int day, int hour, int minute, int second, int64_t near,
                                bool* ok = nullptr);

// Whether a file name is that of a recording: ".avi" for the AVI reader,
// ".mov" or ".mp4" for the QuickTime reader, in any case.
bool IsAviName(const std::string& name);
bool IsMovName(const std::string& name);
