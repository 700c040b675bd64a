// Harsh moments found in synthesized drives whose moments are known, none in
// a calm hour, and bad input that must neither crash nor invent a moment.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "settings/CSettings.h"
#include "events/DrivingEvents.h"
#include "Synth.h"
#include "export/TrackPart.h"

namespace {

using T = DrivingEventType;

TrackPart PartOf(const SynthOptions& o) {
  TrackPart part;
  RecordingSummary& s = part.recording.summary;
  s.durationMs = o.durationMs;
  s.durationSeconds = o.durationMs / 1000;
  s.gpsaValue = o.gpsRate;
  s.gseaValue = o.gsensorRate | (uint32_t{o.gsensorRange} << 8);
  s.startTime = LocalCalendarToTime(o.year, o.month, o.day, o.hour, o.minute, o.second);
  part.gps = SynthGpsTrack(o);
  for (GpsSample& g : part.gps) ApplyZeroRule(g);
  part.gsensor = SynthGSensorTrace(o);
  return part;
}

SynthOptions Drive(uint32_t seconds, uint32_t seed = 1) {
  SynthOptions o;
  o.durationMs = seconds * 1000;
  o.routeSeed = seed;
  return o;
}

struct Moment {
  T type;
  double at;
};

std::string Describe(const std::vector<DrivingEvent>& events) {
  std::string text;
  for (const DrivingEvent& e : events)
    text += std::string(EventTypeKey(e.type)) + "@" + std::to_string(e.offsetMs) + " ";
  return text;
}

}  // namespace

TEST(EventDetection, KnownMomentsAreFoundWithinASecondWithTheirType) {
  struct Row {
    const char* name;
    std::function<void(SynthOptions&)> setUp;
    std::vector<Moment> expected;
    EventSensitivity sensitivity = EventSensitivity::Normal;
  };
  const std::vector<Moment> all = {{T::Impact, 15},
                                   {T::HarshBraking, 30},
                                   {T::HarshAcceleration, 60},
                                   {T::HarshTurnLeft, 80},
                                   {T::HarshTurnRight, 95}};
  auto everyKind = [](SynthOptions& o) {
    o.impactAt = {15};
    o.brakeAt = {30};
    o.accelerateAt = {60};
    o.leftTurnAt = {80};
    o.rightTurnAt = {95};
  };
  const Row rows[] = {
      {"every kind", everyKind, all},
      {"camera pitched 25 degrees, 4 g range, 50 records a second",
       [&](SynthOptions& o) {
         everyKind(o);
         o.mountPitchDeg = 25;
         o.gsensorRange = 4;
         o.gsensorRate = 50;
       },
       all},
      {"rough road, low sensitivity",
       [&](SynthOptions& o) {
         everyKind(o);
         o.roadNoise = true;
       },
       all, EventSensitivity::Low},
      {"two brakings far apart, GPS twice a second",
       [](SynthOptions& o) {
         o.brakeAt = {25, 70};
         o.gpsRate = 2;
       },
       {{T::HarshBraking, 25}, {T::HarshBraking, 70}}},
      {"G-sensor all zeros: braking from the GPS speed",
       [](SynthOptions& o) { o.brakeAt = {40}; },
       {{T::HarshBraking, 40}}},
  };
  for (const Row& row : rows) {
    SynthOptions o = Drive(120);
    row.setUp(o);
    TrackPart part = PartOf(o);
    if (std::string(row.name).find("zeros") != std::string::npos)
      for (GSensorSample& s : part.gsensor) s = GSensorSample{};
    const RecordingEvents found = FindRecordingEvents(part, row.sensitivity, 7);
    ASSERT_EQ(found.events.size(), row.expected.size()) << row.name << ": " << Describe(found.events);
    for (std::size_t i = 0; i < row.expected.size(); ++i) {
      const DrivingEvent& e = found.events[i];
      EXPECT_EQ(e.type, row.expected[i].type) << row.name << " #" << i;
      EXPECT_NEAR(e.offsetMs / 1000.0, row.expected[i].at, 1.0) << row.name << " #" << i;
      EXPECT_EQ(e.recording, 7);
      EXPECT_NEAR(static_cast<double>(e.wallClock - part.recording.summary.startTime), row.expected[i].at, 1.0);
      EXPECT_TRUE(e.hasPosition);
      EXPECT_NEAR(e.latitude, 35.68, 0.05);
      EXPECT_GE(e.peakG, e.type == T::Impact ? 2.0 : 0.4) << row.name;
      if (e.type == T::HarshBraking) {
        EXPECT_GT(e.speedBeforeKmh, 30) << row.name;
        EXPECT_LT(e.speedAfterKmh, 5) << row.name;
      }
    }
    EXPECT_EQ(found.sensor,
              std::string(row.name).find("zeros") != std::string::npos ? SensorState::Unusable : SensorState::Usable);
  }
}

TEST(EventDetection, ACalmHourOnARoughRoadHasNoMoment) {
  for (uint32_t seed : {3u, 8u}) {
    SynthOptions o = Drive(3600, seed);
    o.roadNoise = true;
    const RecordingEvents found = FindRecordingEvents(PartOf(o), EventSensitivity::Normal);
    EXPECT_EQ(found.sensor, SensorState::Usable);
    EXPECT_TRUE(found.events.empty()) << "seed " << seed << ": " << Describe(found.events);
  }
}

TEST(EventDetection, BadInputNeitherCrashesNorInventsAMoment) {
  struct Row {
    const char* name;
    std::function<void(TrackPart&)> spoil;
    SensorState sensor;
  };
  const Row rows[] = {
      {"no G-sensor block", [](TrackPart& p) { p.gsensor.clear(); }, SensorState::Missing},
      {"a block of zeros",
       [](TrackPart& p) {
         for (auto& s : p.gsensor) s = {};
       },
       SensorState::Unusable},
      {"stuck at the limit throughout",
       [](TrackPart& p) {
         for (auto& s : p.gsensor) s = {127, -128, 127};
       },
       SensorState::Unusable},
      {"stuck at the limit for 5 s",
       [](TrackPart& p) {
         for (std::size_t i = 200; i < 250; ++i) p.gsensor[i].x = -128;
       },
       SensorState::Usable},
      {"records past the end knock hard",
       [](TrackPart& p) {
         p.recording.summary.durationMs = 30000;
         for (std::size_t i = 320; i < p.gsensor.size(); i += 20) p.gsensor[i] = {-128, 127, -128};
       },
       SensorState::Usable},
      {"the clock jumps by a year and back",
       [](TrackPart& p) {
         for (std::size_t i = 20; i < 25; ++i) p.gps[i].year += 1;
       },
       SensorState::Usable},
      {"a GPS speed that drops for one record",
       [](TrackPart& p) {
         p.gsensor.clear();
         p.gps[30].speed = 0;
       },
       SensorState::Missing},
      {"no rate byte and no length",
       [](TrackPart& p) {
         p.recording.summary.gseaValue = 0;
         p.recording.summary.durationMs = 0;
       },
       SensorState::Usable},
      {"three records only", [](TrackPart& p) { p.gsensor.resize(3); }, SensorState::Unusable},
  };
  for (const Row& row : rows) {
    TrackPart part = PartOf(Drive(60, 2));
    row.spoil(part);
    const RecordingEvents found = FindRecordingEvents(part, EventSensitivity::High);
    EXPECT_EQ(found.sensor, row.sensor) << row.name;
    EXPECT_TRUE(found.events.empty()) << row.name << ": " << Describe(found.events);
  }

  // The range changes from one recording of the trip to the next; the one
  // braking is found once, in the recording that holds it.
  SynthOptions first = Drive(60, 4);
  first.brakeAt = {75};
  SynthOptions second = first;
  second.driveSeconds = 60;
  second.brakeAt = {15};
  second.gsensorRange = 2;
  const auto trip = FindTripEvents({PartOf(first), PartOf(second)}, 10, EventSensitivity::Normal);
  ASSERT_EQ(trip.size(), 2u);
  EXPECT_TRUE(trip[0].events.empty()) << Describe(trip[0].events);
  ASSERT_EQ(trip[1].events.size(), 1u) << Describe(trip[1].events);
  EXPECT_EQ(trip[1].events[0].type, T::HarshBraking);
  EXPECT_EQ(trip[1].events[0].recording, 11);
  EXPECT_EQ(CountEvents(trip)[static_cast<std::size_t>(T::HarshBraking)], 1);
}

TEST(EventDetection, SensitivityIsKeptInTheSettingsFile) {
  CSettings& settings = CSettings::Instance();
  EXPECT_EQ(ReadEventSensitivity(settings), EventSensitivity::Normal);
  for (EventSensitivity s : {EventSensitivity::High, EventSensitivity::Low}) {
    ASSERT_TRUE(WriteEventSensitivity(settings, s));
    EXPECT_EQ(ReadEventSensitivity(settings), s);
  }
  settings.WriteInt("UI", "EVENT_SENSITIVITY", 7);
  EXPECT_EQ(ReadEventSensitivity(settings), EventSensitivity::Normal);
}
