// trk-probe --library FOLDER [--no-index] [--no-events]: opens the folder as
// the viewer's library does and prints the result as one JSON object; each
// group carries its trip figures and event counts. The scan index is used
// unless --no-index is given; --no-events leaves the counts out, and with them
// the second read of every recording's G-sensor block.
// trk-probe --resolution W H: the resolution label the lists show for a size.
#include <cerrno>
#include <cstdlib>

#include "ProbeMode.h"
#include "events/DrivingEvents.h"
#include "events/StoredEvents.h"
#include "RecordingJson.h"
#include "library/RecordingLibrary.h"
#include "library/ScanIndex.h"
#include "export/TripFigures.h"

namespace {

void WriteLine(JsonWriter& json, std::FILE* out) {
  std::string line = json.Take();
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out);
}

// "events": how many harsh moments of each type the trip has (normal
// sensitivity). The scan keeps the GPS records only, so the group's blocks are
// read whole here, unless the scan index holds the events of an unchanged file.
void WriteEventCounts(JsonWriter& json, const RecordingLibrary& library, int32_t group) {
  std::vector<TrackPart> parts;
  const EventCounts counts = CountEvents(FindGroupEvents(library, group, EventSensitivity::Normal, parts));
  json.Key("events").BeginObject();
  for (std::size_t t = 0; t < kDrivingEventTypeCount; ++t)
    json.Field(EventTypeKey(static_cast<DrivingEventType>(t)), counts[t]);
  json.EndObject();
}

// The group's parts from the GPS records the scan kept, as LoadGroupParts
// would read them again.
bool ScannedGroupParts(const RecordingLibrary& library, int32_t group, std::vector<TrackPart>& parts,
                       std::string& failedPath) {
  parts.clear();
  if (group < 0 || static_cast<std::size_t>(group) >= library.Groups().size()) return false;
  const RecordingGroup& g = library.Groups()[static_cast<std::size_t>(group)];
  for (int32_t i = g.first; i < g.first + g.count; ++i) {
    const std::string path = library.GetRecordingPath(i);
    const std::vector<GpsSample>* gps = library.ScannedGps(path);
    if (!gps) return LoadGroupParts(library, group, parts, failedPath);
    TrackPart part;
    part.recording = library.Recordings()[static_cast<std::size_t>(i)];
    part.gps = *gps;
    for (GpsSample& sample : part.gps) ApplyZeroRule(sample);
    parts.push_back(std::move(part));
  }
  return !parts.empty();
}

// "trip": the group's figures and event counts, or {"error": ...} when a
// recording cannot be read.
void WriteTripJson(JsonWriter& json, const RecordingLibrary& library, int32_t group, bool withEvents) {
  std::vector<TrackPart> parts;
  std::string unreadable;
  json.Key("trip").BeginObject();
  if (!ScannedGroupParts(library, group, parts, unreadable)) {
    json.Field("error", "cannot read " + unreadable).EndObject();
    return;
  }
  const TripFigures figures = ComputeTripFigures(parts);
  json.Field("distanceMetres", figures.distanceMetres)
      .Field("drivingSeconds", figures.drivingSeconds)
      .Field("maxSpeedKmh", figures.maxSpeedKmh)
      .Field("meanSpeedKmh", figures.meanSpeedKmh)
      .Field("fixes", figures.fixes);
  if (withEvents) WriteEventCounts(json, library, group);
  json.EndObject();
}

int RunLibrary(const std::vector<std::string>& argsIn, std::FILE* out) {
  std::vector<std::string> args;
  bool useIndex = true;
  bool withEvents = true;
  for (const std::string& a : argsIn) {
    if (a == "--no-index")
      useIndex = false;
    else if (a == "--no-events")
      withEvents = false;
    else
      args.push_back(a);
  }
  if (args.size() != 1) return ProbeUsage();
  RecordingLibrary library;
  library.SetKeepTrackGps(true);
  if (useIndex) library.SetScanIndexFile(ScanIndex::DefaultPath());
  const int result = library.OpenRecordings(args[0]) ? 1 : 0;  // the JSON keeps its number

  JsonWriter json;
  json.BeginObject().Field("folder", args[0]).Field("result", result).Field("scanCount", library.ScanCount());
  json.Key("recordings").BeginArray();
  for (const RecordingInfo& r : library.Recordings()) {
    json.BeginObject()
        .Field("groupStart", r.groupStart)
        .Field("flags", r.flags)
        .Field("name", r.name)
        .Field("folder", r.folder)
        .Field("subfolder", r.subfolder);
    json.Key("summary");
    WriteSummaryJson(json, r.summary);
    json.EndObject();
  }
  json.EndArray();
  json.Key("groups").BeginArray();
  for (const RecordingGroup& g : library.Groups()) {
    json.BeginObject()
        .Field("number", g.number)
        .Field("first", g.first)
        .Field("count", g.count)
        .Field("durationMs", g.durationMs)
        .Field("size", g.size)
        .Field("flags", g.flags)
        .Field("checked", g.checked);
    WriteTripJson(json, library, g.number, withEvents);
    json.EndObject();
  }
  json.EndArray();
  json.Key("entries").BeginArray();
  for (const RecordingEntry& e : library.Entries()) {
    json.BeginObject()
        .Field("group", e.group)
        .Field("position", e.position)
        .Field("recording", e.recording)
        .Field("size", e.size)
        .Field("durationMs", e.durationMs)
        .EndObject();
  }
  json.EndArray();
  json.Key("cut").BeginArray();
  for (const CutRecording& c : library.CutRecordings())
    json.BeginObject().Field("path", c.path).Field("size", c.size).Field("reason", c.reason).EndObject();
  json.EndArray();
  json.EndObject();
  WriteLine(json, out);
  return 0;
}

bool ParseInt(const std::string& text, int& value) {
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v < -2147483647L - 1 || v > 2147483647L) return false;
  value = static_cast<int>(v);
  return true;
}

int RunResolution(const std::vector<std::string>& args, std::FILE* out) {
  int width = 0;
  int height = 0;
  if (args.size() != 2 || !ParseInt(args[0], width) || !ParseInt(args[1], height)) return ProbeUsage();
  JsonWriter json;
  json.BeginObject()
      .Field("width", width)
      .Field("height", height)
      .Field("text", ResolutionText(width, height))
      .EndObject();
  WriteLine(json, out);
  return 0;
}

}  // namespace

const ProbeMode& LibraryMode() {
  static const ProbeMode mode{"--library", "FOLDER [--no-index] [--no-events]", &RunLibrary};
  return mode;
}

const ProbeMode& ResolutionMode() {
  static const ProbeMode mode{"--resolution", "WIDTH HEIGHT", &RunResolution};
  return mode;
}
