// trk-probe --gpx FILE OUTDIR and --csv FILE OUTDIR: the GPX and CSV exports
// of one recording, as the KML button's menu writes them, into OUTDIR.
// trk-probe --export kml|gpx|csv CARD OUTDIR: scans CARD as OPEN does and
// writes one trip (one file, or one CSV pair) per group into OUTDIR, which
// must not lie inside CARD. One JSON object per written file, one per failed
// group; exit status 1 when any group failed.
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "export/KmlExport.h"
#include "ProbeMode.h"
#include "ProbeRecording.h"
#include "RecordingJson.h"
#include "library/RecordingLibrary.h"
#include "export/TrackExport.h"

namespace {

void WriteLine(JsonWriter& json, std::FILE* out) {
  std::string line = json.Take();
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out);
  std::fflush(out);
}

const char* FormatName(TrackFormat format) {
  switch (format) {
    case TrackFormat::Kml:
      return "kml";
    case TrackFormat::Gpx:
      return "gpx";
    case TrackFormat::Csv:
      return "csv";
  }
  return "";
}

// Records each written file holds: fixes for KML and GPX, rows for CSV.
uint64_t RecordsWritten(TrackFormat format, const std::vector<TrackPart>& parts, std::size_t file) {
  uint64_t count = 0;
  for (const TrackPart& part : parts) {
    if (format == TrackFormat::Csv) {
      count += file == 0 ? part.gps.size() : part.gsensor.size();
      continue;
    }
    for (const GpsSample& sample : part.gps) {
      double latitude = 0.0, longitude = 0.0;
      if (ExportedPosition(sample, latitude, longitude)) ++count;
    }
  }
  return count;
}

// --gpx and --csv.
int RunOne(TrackFormat format, const std::vector<std::string>& args, std::FILE* out) {
  if (args.size() != 2) return ProbeUsage();
  const std::string folder = OutputFolderArg(args[1]);
  JsonWriter json;
  json.BeginObject().Field("file", args[0]).Field("folder", folder);
  std::vector<TrackPart> parts(1);
  bool saved = false;
  if (const char* error = ReadProbeRecording(args[0], parts.front().recording)) {
    json.Field("error", error);
  } else if (!LoadTrackPart(parts.front().recording, args[0], parts.front())) {
    json.Field("error", "cannot open the file");
  } else {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::vector<std::string> paths;
    std::string failed;
    saved = ExportTrack(format, parts, false, folder, paths, failed);
    json.Key("files").BeginArray();
    for (std::size_t i = 0; i < paths.size(); ++i)
      json.BeginObject().Field("path", paths[i]).Field("records", RecordsWritten(format, parts, i)).EndObject();
    json.EndArray();
    if (!saved) json.Field("error", "writing " + failed + " failed");
  }
  json.Field("saved", saved).EndObject();
  WriteLine(json, out);
  return saved ? 0 : 1;
}

int RunGpx(const std::vector<std::string>& args, std::FILE* out) { return RunOne(TrackFormat::Gpx, args, out); }
int RunCsv(const std::vector<std::string>& args, std::FILE* out) { return RunOne(TrackFormat::Csv, args, out); }

// The scan's count and the groups done, on one line of a terminal.
class CTerminalProgress {
 public:
  CTerminalProgress() : m_enabled(isatty(STDERR_FILENO) == 1) {}
  ~CTerminalProgress() { Erase(); }
  CTerminalProgress(const CTerminalProgress&) = delete;
  CTerminalProgress& operator=(const CTerminalProgress&) = delete;
  void ShowScanCount(int32_t count) { Show("scanning: " + std::to_string(count) + " files"); }
  void ShowGroup(std::size_t done, std::size_t total) {
    Show("exporting: group " + std::to_string(done) + " of " + std::to_string(total));
  }
  // Blanks the line, so that output to the same terminal starts clean.
  void Erase() {
    if (m_enabled && m_shown) std::fprintf(stderr, "\r%-40s\r", "");
  }

 private:
  void Show(const std::string& text) {
    if (!m_enabled) return;
    std::fprintf(stderr, "\r%-40s", text.c_str());
    std::fflush(stderr);
    m_shown = true;
  }
  bool m_enabled;
  bool m_shown = false;
};

bool Inside(const std::filesystem::path& inner, const std::filesystem::path& outer) {
  std::error_code error;
  const std::filesystem::path a = std::filesystem::weakly_canonical(inner, error);
  const std::filesystem::path b = std::filesystem::weakly_canonical(outer, error);
  auto ai = a.begin();
  for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
    if (bi->empty()) continue;  // the trailing separator of "card/"
    if (ai == a.end() || *ai != *bi) return false;
  }
  return true;
}

int RunExport(const std::vector<std::string>& args, std::FILE* out) {
  if (args.size() != 3) return ProbeUsage();
  TrackFormat format = TrackFormat::Kml;
  if (args[0] == "gpx")
    format = TrackFormat::Gpx;
  else if (args[0] == "csv")
    format = TrackFormat::Csv;
  else if (args[0] != "kml")
    return ProbeUsage();
  const std::string& card = args[1];
  const std::string folder = OutputFolderArg(args[2]);
  if (Inside(folder, card)) {
    std::fprintf(stderr, "trk-probe: %s lies inside %s; exports never go onto the card\n", folder.c_str(),
                 card.c_str());
    return 2;
  }

  RecordingLibrary library;
  CTerminalProgress progress;
  library.SetScanCountCallback([&progress](int32_t count) { progress.ShowScanCount(count); });
  if (!library.OpenRecordings(card)) {
    std::fprintf(stderr, "trk-probe: %s: no such folder\n", card.c_str());
    return 1;
  }
  library.SetScanCountCallback(nullptr);
  std::error_code error;
  std::filesystem::create_directories(folder, error);

  int failures = 0;
  for (std::size_t g = 0; g < library.Groups().size(); ++g) {
    progress.ShowGroup(g + 1, library.Groups().size());
    const auto group = static_cast<int32_t>(g);
    JsonWriter json;
    std::vector<TrackPart> parts;
    std::string unreadable;
    std::vector<std::string> paths;
    std::string failed;
    std::string reason;
    if (!LoadGroupParts(library, group, parts, unreadable)) {
      reason = "cannot read " + unreadable;
    } else if (!ExportTrack(format, parts, true, folder, paths, failed)) {
      reason = "writing " + failed + " failed";
    } else {
      progress.Erase();
      for (std::size_t i = 0; i < paths.size(); ++i) {
        json.BeginObject()
            .Field("group", group)
            .Field("format", FormatName(format))
            .Field("file", paths[i])
            .Field("recordings", library.Groups()[g].count)
            .Field("records", RecordsWritten(format, parts, i))
            .EndObject();
        WriteLine(json, out);
      }
      continue;
    }
    ++failures;
    progress.Erase();
    json.BeginObject().Field("group", group).Field("format", FormatName(format)).Field("error", reason).EndObject();
    WriteLine(json, out);
    std::fprintf(stderr, "trk-probe: group %d: %s\n", group, reason.c_str());
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace

const ProbeMode& GpxMode() {
  static const ProbeMode mode{"--gpx", "FILE OUTDIR", &RunGpx};
  return mode;
}

const ProbeMode& CsvMode() {
  static const ProbeMode mode{"--csv", "FILE OUTDIR", &RunCsv};
  return mode;
}

const ProbeMode& ExportMode() {
  static const ProbeMode mode{"--export", "kml|gpx|csv CARD OUTDIR", &RunExport};
  return mode;
}
