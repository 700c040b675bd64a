// trk-probe --kml FILE OUTDIR: reads the recording as the library does, loads
// its track as playing it would, and exports it as the KML button does, into
// OUTDIR (created when missing) instead of the documents folder. Prints one
// JSON object; the exit status is 0 when the file was written, 1 otherwise.
#include <filesystem>
#include <system_error>

#include "export/KmlExport.h"
#include "ProbeMode.h"
#include "ProbeRecording.h"
#include "RecordingJson.h"
#include "library/RecordingLibrary.h"

namespace {

int RunKml(const std::vector<std::string>& args, std::FILE* out) {
  if (args.size() != 2) return ProbeUsage();
  const std::string& path = args[0];
  const std::string folder = OutputFolderArg(args[1]);

  JsonWriter json;
  json.BeginObject().Field("file", path).Field("folder", folder);
  RecordingInfo info;
  const char* error = ReadProbeRecording(path, info);

  bool saved = false;
  if (error) {
    json.Field("error", error);
  } else {
    RecordingLibrary library;
    library.SetRecordings({info});
    if (library.LoadTrack(0) == nullptr) {
      json.Field("error", "cannot open the file");
    } else {
      std::size_t points = 0;
      for (const GpsSample& sample : library.GpsSamples()) {
        double latitude = 0.0, longitude = 0.0;
        if (ExportedPosition(sample, latitude, longitude)) ++points;
      }
      std::error_code ignored;
      std::filesystem::create_directories(folder, ignored);
      std::string written;
      saved = ExportKml(library, folder, written);
      json.Field("kml", written).Field("points", static_cast<uint64_t>(points));
      if (!saved) json.Field("error", "writing the KML file failed");
    }
  }
  json.Field("saved", saved).EndObject();
  std::string line = json.Take();
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out);
  return saved ? 0 : 1;
}

}  // namespace

const ProbeMode& KmlMode() {
  static const ProbeMode mode{"--kml", "FILE OUTDIR", &RunKml};
  return mode;
}
