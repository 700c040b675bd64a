// Naming and writing of the GPX, CSV and trip KML files, and the commands of
// the KML button's menu.
#include "export/TrackExport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <functional>
#include <ostream>

#include "settings/CSettings.h"
#include "export/ExportFile.h"
#include "export/KmlExport.h"
#include "library/RecordingLibrary.h"

namespace {

ExportCommandResult Message(int textId, int captionId, const std::string& path) {
  ExportCommandResult result;
  result.textId = textId;
  result.captionId = captionId;
  result.path = path;
  return result;
}

bool PathTaken(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
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

std::vector<std::string> TrackFileNames(TrackFormat format, const std::vector<TrackPart>& parts, bool trip, int copy) {
  if (parts.empty()) return {};
  const RecordingInfo& first = parts.front().recording;
  const std::string stem = ExportFileStem(first.name, first.summary.startTime) + (trip ? "_TRIP" : "") +
                           (copy > 1 ? " (" + std::to_string(copy) + ")" : "");
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
  const std::string name = TrackName(parts, trip);
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  const std::function<bool(std::ostream&)> writers[2] = {
      [&](std::ostream& file) {
        switch (format) {
          case TrackFormat::Kml:
            return WriteKmlRoute(file, name, TripFiguresText(ComputeTripFigures(parts)), parts);
          case TrackFormat::Gpx:
            return WriteGpx(file, name, parts, now);
          case TrackFormat::Csv:
            return WriteGpsCsv(file, parts);
        }
        return false;
      },
      [&](std::ostream& file) { return WriteGSensorCsv(file, parts); },
  };
  for (int copy = 1; copy <= kMaxExportCopies; ++copy) {
    paths.clear();
    for (const std::string& file : TrackFileNames(format, parts, trip, copy)) paths.push_back(folder + file);
    // A name that is taken (by an earlier export, another trip of this run
    // or anything else) is never written over: the next copy number is tried.
    if (std::any_of(paths.begin(), paths.end(), [](const std::string& path) { return PathTaken(path); })) continue;
    PendingExportFile files[2];
    for (std::size_t i = 0; i < paths.size(); ++i) {
      if (!files[i].Write(paths[i], writers[i])) {
        failed = paths[i];
        return false;
      }
    }
    // Both files are complete before either takes its name; a pair whose
    // second name cannot be given loses its first, which this export made.
    int error = 0;
    std::size_t committed = 0;
    while (committed < paths.size() && files[committed].Commit(/*replace=*/false, error)) ++committed;
    if (committed == paths.size()) return true;
    for (std::size_t i = 0; i < committed; ++i) ::unlink(paths[i].c_str());
    if (error != EEXIST) {
      failed = paths[committed];
      return false;
    }
  }
  failed = folder + TrackFileNames(format, parts, trip).front();
  return false;
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
