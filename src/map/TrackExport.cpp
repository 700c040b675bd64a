// Naming and writing of the GPX, CSV and trip KML files, and the commands of
// the KML button's menu.
#include "TrackExport.h"

#include <cstdio>
#include <ctime>
#include <ostream>

#include "CSettings.h"
#include "KmlExport.h"
#include "RecordingLibrary.h"

namespace {

ExportCommandResult Message(int textId, int captionId, const std::string& path) {
  ExportCommandResult result;
  result.textId = textId;
  result.captionId = captionId;
  result.path = path;
  return result;
}

std::string JoinedPaths(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) text += (text.empty() ? "" : ", ") + path;
  return text;
}

}  // namespace

bool FlushExportText(std::ostream& file, std::string& text) {
  if (!file) return false;
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  text.clear();
  return static_cast<bool>(file);
}

std::string TrackName(const std::vector<TrackPart>& parts, bool trip) {
  if (parts.empty()) return std::string();
  if (!trip || parts.size() == 1) return parts.front().recording.name;
  return parts.front().recording.name + " - " + parts.back().recording.name;
}

std::vector<std::string> TrackFileNames(TrackFormat format, const std::vector<TrackPart>& parts, bool trip) {
  if (parts.empty()) return {};
  const RecordingInfo& first = parts.front().recording;
  const std::string stem = ExportFileStem(first.name, first.summary.startTime) + (trip ? "_TRIP" : "");
  switch (format) {
    case TrackFormat::Kml:
      return {stem + ".KML"};
    case TrackFormat::Gpx:
      return {stem + ".GPX"};
    case TrackFormat::Csv:
      return {stem + "_GPS.CSV", stem + "_GSENSOR.CSV"};
  }
  return {};
}

bool ExportTrack(TrackFormat format, const std::vector<TrackPart>& parts, bool trip, const std::string& folder,
                 std::vector<std::string>& paths, std::string& failed) {
  paths.clear();
  failed.clear();
  if (parts.empty()) {
    failed = folder;
    return false;
  }
  for (const std::string& name : TrackFileNames(format, parts, trip)) paths.push_back(folder + name);
  const std::string name = TrackName(parts, trip);
  bool ok = false;
  switch (format) {
    case TrackFormat::Kml:
      ok = WriteExportFile(paths[0], [&](std::ostream& file) {
        return WriteKmlRoute(file, name, TripFiguresText(ComputeTripFigures(parts)), parts);
      });
      break;
    case TrackFormat::Gpx: {
      const int64_t now = static_cast<int64_t>(std::time(nullptr));
      ok = WriteExportFile(paths[0], [&](std::ostream& file) { return WriteGpx(file, name, parts, now); });
      break;
    }
    case TrackFormat::Csv:
      ok = WriteExportFile(paths[0], [&](std::ostream& file) { return WriteGpsCsv(file, parts); });
      if (ok && !WriteExportFile(paths[1], [&](std::ostream& file) { return WriteGSensorCsv(file, parts); })) {
        // Half a pair is no export: the GPS file goes too.
        std::remove(paths[0].c_str());
        failed = paths[1];
        return false;
      }
      break;
  }
  if (!ok) failed = paths[0];
  return ok;
}

ExportCommandResult RunExportCommand(RecordingLibrary& library, const std::string& folder, ExportChoice choice) {
  if (choice == ExportChoice::Kml) {
    const KmlCommandResult kml = RunKmlCommand(library, folder);
    ExportCommandResult result = Message(kml.textId, kml.captionId, kml.path);
    result.saved = kml.outcome == KmlOutcome::Saved;
    return result;
  }
  if (library.Recordings().empty()) return ExportCommandResult{};  // 136 / 145

  const bool csv = choice == ExportChoice::Csv;
  const int failedText = csv ? kCsvFailedText : kGpxFailedText;
  const int caption = csv ? kCsvCaption : kGpxCaption;
  std::vector<TrackPart> parts(1);
  // Like the KML button: without a current recording there is nothing to export.
  if (!CurrentTrackPart(library, parts.front())) return Message(failedText, caption, folder);

  const bool trip = choice == ExportChoice::GpxTrip;
  if (trip) {
    std::string unreadable;
    if (!LoadGroupParts(library, library.FindGroupOf(library.CurrentRecording()), parts, unreadable))
      return unreadable.empty() ? Message(failedText, caption, folder)
                                : Message(kRecordingUnreadableText, caption, unreadable);
  }
  std::vector<std::string> paths;
  std::string failed;
  if (!ExportTrack(csv ? TrackFormat::Csv : TrackFormat::Gpx, parts, trip, folder, paths, failed))
    return Message(failedText, caption, failed);
  ExportCommandResult result = Message(csv ? kCsvSavedText : kGpxSavedText, caption, JoinedPaths(paths));
  result.saved = true;
  return result;
}

ExportCommandResult RunExportCommand(RecordingLibrary& library, ExportChoice choice) {
  // With nothing loaded the message says so, and nothing is made on disk.
  if (library.Recordings().empty()) return RunExportCommand(library, std::string(), choice);
  std::string folder;
  CSettings::Instance().GetGpsLogFolder(folder);  // an empty folder writes into the current one
  return RunExportCommand(library, folder, choice);
}
