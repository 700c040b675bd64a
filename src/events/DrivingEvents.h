#pragma once
// Harsh moments of a drive: harsh braking, harsh acceleration, harsh turns and
// impacts, found in a recording's G-sensor records (and in its GPS speed where
// the G-sensor has nothing useful). The result is a plain value per recording
// that can be kept and stored as it is.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class CSettings;
struct TrackPart;

enum class DrivingEventType : uint8_t {
  HarshBraking = 0,
  HarshAcceleration = 1,
  HarshTurnLeft = 2,
  HarshTurnRight = 3,
  Impact = 4,
};
constexpr std::size_t kDrivingEventTypeCount = 5;

enum class EventSensitivity : int32_t { Low = 0, Normal = 1, High = 2 };

struct DrivingEvent {
  DrivingEventType type = DrivingEventType::Impact;
  int32_t recording = -1;      // index of the recording in the library; -1 for a lone file
  uint32_t offsetMs = 0;       // from the recording's start
  int64_t wallClock = 0;       // seconds since 1970 UTC by the records' own clock; 0 when unknown
  double peakG = 0;            // strongest acceleration of the moment, always positive
  double speedBeforeKmh = -1;  // GPS speed a second before; -1 without a fix
  double speedAfterKmh = -1;   // GPS speed a second after the moment ended
  bool hasPosition = false;
  double latitude = 0;        // decimal degrees, north
  double longitude = 0;       // decimal degrees, east
  bool fromGpsSpeed = false;  // found in the GPS speed alone
};

// What the G-sensor records of a recording were good for.
enum class SensorState : uint8_t {
  Usable,    // gravity found, the records were searched
  Missing,   // no G-sensor block
  Unusable,  // zeros, a sensor stuck at its limit, no gravity to be found
};

struct RecordingEvents {
  SensorState sensor = SensorState::Missing;
  std::vector<DrivingEvent> events;  // in time order
};

// The thresholds of a sensitivity, in g.
struct EventThresholds {
  double heldG;    // braking, acceleration and turns, held for a moment
  double impactG;  // a short sharp peak of any direction
};
EventThresholds ThresholdsOf(EventSensitivity sensitivity);

// Moments closer than this are one.
constexpr double kEventMergeSeconds = 3.0;

// The events of one recording (the part's `recording` names it; events carry
// `recordingIndex`).
RecordingEvents FindRecordingEvents(const TrackPart& part, EventSensitivity sensitivity, int32_t recordingIndex = -1);
// The events of a trip: one entry per part, recording indexes from
// `firstRecording` on. A moment found at the end of one recording and again
// at the start of the next is kept once, in the first.
std::vector<RecordingEvents> FindTripEvents(const std::vector<TrackPart>& parts, int32_t firstRecording,
                                            EventSensitivity sensitivity);
// The same from each part's own events, found by FindRecordingEvents (or kept
// from an earlier detection), in the parts' order.
std::vector<RecordingEvents> JoinTripEvents(std::vector<RecordingEvents> found, const std::vector<TrackPart>& parts,
                                            int32_t firstRecording);

using EventCounts = std::array<int, kDrivingEventTypeCount>;
EventCounts CountEvents(const std::vector<RecordingEvents>& recordings);
// Every event of the trip in time order.
std::vector<DrivingEvent> FlattenEvents(const std::vector<RecordingEvents>& recordings);

// The JSON key of a type: "harshBraking", "harshAcceleration",
// "harshTurnLeft", "harshTurnRight", "impact".
const char* EventTypeKey(DrivingEventType type);

// "UI"/"EVENT_SENSITIVITY": 0 low, 1 normal, 2 high; anything else reads as normal.
EventSensitivity ReadEventSensitivity(const CSettings& settings);
bool WriteEventSensitivity(CSettings& settings, EventSensitivity sensitivity);
