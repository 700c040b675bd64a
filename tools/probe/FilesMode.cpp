// trk-probe [--samples] FILE...: reads each file as the library would and
// prints one JSON object per file and line:
//   {"path", "container": "avi"|"mov"|null, "walks": [...], "walkResults": [...],
//    "result": 0|-1, "error" (on -1), "summary": {the twelve fields}|null,
//    with --samples: "gpsRate", "gsensorRate", "gsensorRange", "gps", "gsensor"}
// The container follows the name as the library decides it: ".AVI", ".MOV"
// or ".MP4" at the end, in any case. Any other name is not a recording: container null,
// no walks, result -1. A QuickTime file whose atom walk finds no start time
// is also scanned ("walks": ["ParseMov", "ScanMov"]) and kept whatever the
// scan gives; "result" is then the atom walk's, "summary" the last successful
// walk's.
#include <cstring>

#include "ProbeMode.h"
#include "container/RecordingFile.h"
#include "RecordingJson.h"
#include "container/SampleLoader.h"

namespace {

void ProbeFile(const std::string& path, bool samples, std::FILE* out) {
  JsonWriter json;
  json.BeginObject().Field("path", path);
  const char* container = ContainerOfName(path);
  RecordingSummary summary;
  RecordingFile file(&summary);
  int result = -1;
  const char* error = nullptr;
  json.Field("container", container);
  json.Key("walks").BeginArray();
  std::vector<int> walkResults;
  if (!container) {
    error = "not a recording name (.AVI, .MOV or .MP4)";
  } else if (std::strcmp(container, "avi") == 0) {
    json.String("ParseAvi");
    result = file.ParseAvi(path);
    walkResults.push_back(result);
    error = file.FailureReason();
  } else {
    json.String("ParseMov");
    result = file.ParseMov(path);
    walkResults.push_back(result);
    error = file.FailureReason();
    // As the library does: a QuickTime file whose atom walk found no start
    // time is scanned byte by byte; it is kept whatever the scan gives.
    if (result == 0 && summary.startTime == 0) {
      json.String("ScanMov");
      walkResults.push_back(file.ScanMov(path));
    }
  }
  json.EndArray();
  json.Key("walkResults").BeginArray();
  for (int r : walkResults) json.Int(r);
  json.EndArray();
  json.Field("result", result);
  if (result != 0) {
    json.Field("error", error ? error : "failed");
    json.Key("summary").Null();
  } else {
    json.Key("summary");
    WriteSummaryJson(json, summary);
    if (samples) WriteSampleFields(json, summary, LoadRecordingBlocks(path, summary));
  }
  json.EndObject();
  std::string line = json.Take();
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out);
}

int RunFiles(const std::vector<std::string>& args, std::FILE* out) {
  bool samples = false;
  bool options = true;
  std::vector<std::string> files;
  for (const std::string& a : args) {
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--samples") {
      samples = true;
    } else if (options && a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "trk-probe: unknown option %s\n", a.c_str());
      return ProbeUsage();
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) return ProbeUsage();
  for (const std::string& f : files) ProbeFile(f, samples, out);
  return 0;
}

}  // namespace

const ProbeMode& FilesMode() {
  static const ProbeMode mode{nullptr, "[--samples] FILE...", &RunFiles};
  return mode;
}
