#include "RecordingJson.h"

#include <strings.h>

#include <cstring>

namespace {
bool EndsWithIgnoringCase(const std::string& name, const char* suffix) {
  const std::size_t length = std::strlen(suffix);
  return name.size() >= length && ::strcasecmp(name.c_str() + name.size() - length, suffix) == 0;
}
}  // namespace

const char* ContainerOfName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (EndsWithIgnoringCase(name, ".AVI")) return "avi";
  if (EndsWithIgnoringCase(name, ".MOV") || EndsWithIgnoringCase(name, ".MP4")) return "mov";
  return nullptr;
}

void WriteSummaryJson(JsonWriter& json, const RecordingSummary& s) {
  json.BeginObject()
      .Field("gpsOffset", s.gpsOffset)
      .Field("gpsSize", s.gpsSize)
      .Field("gsensorOffset", s.gsensorOffset)
      .Field("gsensorSize", s.gsensorSize)
      .Field("width", s.width)
      .Field("height", s.height)
      .Field("startTime", s.startTime)
      .Field("durationSeconds", s.durationSeconds)
      .Field("durationMs", s.durationMs)
      .Field("fileSize", s.fileSize)
      .Field("gpsaValue", s.gpsaValue)
      .Field("gseaValue", s.gseaValue)
      .EndObject();
}

void WriteGpsSampleJson(JsonWriter& json, const GpsSample& raw) {
  GpsSample s = raw;
  ApplyZeroRule(s);
  json.BeginObject()
      .Field("latitude", s.latitude)
      .Field("longitude", s.longitude)
      .Field("altitude", s.altitude)
      .Field("speed", s.speed)
      .Field("year", s.year)
      .Field("month", s.month)
      .Field("day", s.day)
      .Field("hour", s.hour)
      .Field("minute", s.minute)
      .Field("second", s.second)
      .Field("heading", s.heading)
      .Field("status", raw.status)
      .Field("valid", (s.status & GpsStatusValid) != 0);
  if (IsUsableGpsSample(s)) {
    double lat = s.latitude, lon = s.longitude;
    if (ConvertNmeaPosition(lat, lon)) json.Field("lat", lat).Field("lon", lon);
  }
  json.EndObject();
}

void WriteSampleFields(JsonWriter& json, const RecordingSummary& summary, const LoadedBlocks& blocks) {
  json.Field("gpsRate", GpsRateOf(summary.gpsaValue))
      .Field("gsensorRate",
             GSensorRatePerSecond(summary.gseaValue, static_cast<uint32_t>(blocks.gsensor.size()), summary.durationMs))
      .Field("gsensorRange", GSensorRangeOf(summary.gseaValue));
  json.Key("gps").BeginArray();
  for (const GpsSample& s : blocks.gps) WriteGpsSampleJson(json, s);
  json.EndArray();
  json.Key("gsensor").BeginArray();
  for (const GSensorSample& g : blocks.gsensor) json.BeginArray().Int(g.x).Int(g.y).Int(g.z).EndArray();
  json.EndArray();
}
