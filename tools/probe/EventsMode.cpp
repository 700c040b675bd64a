// trk-probe --events FILE|CARD [--sensitivity low|normal|high]: the harsh
// moments the viewer finds, one JSON object per event. A folder is opened as
// the viewer's OPEN does and searched trip by trip. A recording whose
// G-sensor records are missing or useless gets an object of its own with
// "sensor" and no "type". Exit status 1 when a file cannot be read.
#include <filesystem>
#include <system_error>

#include "events/DrivingEvents.h"
#include "ProbeMode.h"
#include "ProbeRecording.h"
#include "RecordingJson.h"
#include "library/RecordingLibrary.h"
#include "export/TrackPart.h"

namespace {

void WriteLine(JsonWriter& json, std::FILE* out) {
  std::string line = json.Take();
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out);
}

const char* SensorText(SensorState state) {
  switch (state) {
    case SensorState::Usable:
      return "usable";
    case SensorState::Missing:
      return "missing";
    case SensorState::Unusable:
      break;
  }
  return "unusable";
}

void WriteSpeed(JsonWriter& json, const char* key, double kmh) {
  json.Key(key);
  if (kmh < 0)
    json.Null();
  else
    json.Double(kmh);
}

void WriteRecordingEvents(const std::string& path, const RecordingEvents& found, std::FILE* out) {
  JsonWriter json;
  if (found.sensor != SensorState::Usable) {
    json.BeginObject().Field("recording", path).Field("sensor", SensorText(found.sensor)).EndObject();
    WriteLine(json, out);
  }
  for (const DrivingEvent& e : found.events) {
    json.BeginObject()
        .Field("type", EventTypeKey(e.type))
        .Field("recording", path)
        .Field("recordingIndex", e.recording)
        .Field("offsetMs", e.offsetMs)
        .Field("wallClock", e.wallClock)
        .Field("time", e.wallClock != 0 ? UtcIsoTime(e.wallClock) : std::string())
        .Field("peakG", e.peakG);
    WriteSpeed(json, "speedBeforeKmh", e.speedBeforeKmh);
    WriteSpeed(json, "speedAfterKmh", e.speedAfterKmh);
    json.Key("latitude");
    if (e.hasPosition)
      json.Double(e.latitude);
    else
      json.Null();
    json.Key("longitude");
    if (e.hasPosition)
      json.Double(e.longitude);
    else
      json.Null();
    json.Field("source", e.fromGpsSpeed ? "gps" : "gsensor").EndObject();
    WriteLine(json, out);
  }
}

bool ParseSensitivity(const std::string& text, EventSensitivity& sensitivity) {
  if (text == "low")
    sensitivity = EventSensitivity::Low;
  else if (text == "normal")
    sensitivity = EventSensitivity::Normal;
  else if (text == "high")
    sensitivity = EventSensitivity::High;
  else
    return false;
  return true;
}

int RunEvents(const std::vector<std::string>& args, std::FILE* out) {
  EventSensitivity sensitivity = EventSensitivity::Normal;
  if (args.size() == 3 && args[1] == "--sensitivity") {
    if (!ParseSensitivity(args[2], sensitivity)) return ProbeUsage();
  } else if (args.size() != 1) {
    return ProbeUsage();
  }
  const std::string& path = args[0];
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    RecordingLibrary library;
    library.OpenRecordings(path);
    int status = 0;
    for (const RecordingGroup& g : library.Groups()) {
      std::vector<TrackPart> parts;
      std::string unreadable;
      if (!LoadGroupParts(library, g.number, parts, unreadable)) {
        JsonWriter json;
        json.BeginObject().Field("recording", unreadable).Field("error", "cannot read the file").EndObject();
        WriteLine(json, out);
        status = 1;
        continue;
      }
      const auto trip = FindTripEvents(parts, g.first, sensitivity);
      for (std::size_t i = 0; i < trip.size(); ++i)
        WriteRecordingEvents(library.GetRecordingPath(g.first + static_cast<int32_t>(i)), trip[i], out);
    }
    return status;
  }
  RecordingInfo info;
  TrackPart part;
  const char* error = ReadProbeRecording(path, info);
  if (error == nullptr && !LoadTrackPart(info, path, part)) error = "cannot open the file";
  if (error) {
    JsonWriter json;
    json.BeginObject().Field("recording", path).Field("error", error).EndObject();
    WriteLine(json, out);
    return 1;
  }
  WriteRecordingEvents(path, FindRecordingEvents(part, sensitivity), out);
  return 0;
}

}  // namespace

const ProbeMode& EventsMode() {
  static const ProbeMode mode{"--events", "FILE|CARD [--sensitivity low|normal|high]", &RunEvents};
  return mode;
}
