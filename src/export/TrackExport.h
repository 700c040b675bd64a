#pragma once
// GPX and CSV exports of a recording or a whole trip, and the KML of a trip,
// beside the KML button's export of the playing recording. Files are named
// like the KML file (ExportFileStem) and written as PendingExportFile, so a
// failed export leaves no file behind and harms none that stood there.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "export/TrackPart.h"
#include "export/TripFigures.h"

class RecordingLibrary;

// GPX 1.1: one track named `name` with the trip figures as its description,
// one segment per part, one point per fix (time from the record's own clock
// when it has a valid one; speed in m/s and course in the Garmin
// TrackPointExtension v2). `exportTime` goes into the metadata.
bool WriteGpx(std::ostream& file, const std::string& name, const std::vector<TrackPart>& parts, int64_t exportTime);
// RFC 4180 with a header row; every GPS record, with or without a fix.
// seconds_from_start counts from the first part's start.
bool WriteGpsCsv(std::ostream& file, const std::vector<TrackPart>& parts);
// Every G-sensor record in g, converted by its recording's range as the curve does.
bool WriteGSensorCsv(std::ostream& file, const std::vector<TrackPart>& parts);

// A G-sensor byte in g for the recording's `gseaValue` (range byte, 8 when 0).
double GSensorG(int8_t value, uint32_t gseaValue);

enum class TrackFormat { Kml, Gpx, Csv };

// The name of a track: the recording's name, or for a trip of several
// recordings "<first> - <last>".
std::string TrackName(const std::vector<TrackPart>& parts, bool trip);
// File names (without folder) an export of `parts` writes: one, or two for
// CSV (GPS first). A trip's files carry "_TRIP" after the stem, so they never
// overwrite the export of its first recording alone; copy 2 and later carry
// " (2)" and so on after that.
std::vector<std::string> TrackFileNames(TrackFormat format, const std::vector<TrackPart>& parts, bool trip,
                                        int copy = 1);
// Copies of one name an export tries before it gives up.
constexpr int kMaxExportCopies = 999;

// Writes the export into `folder` (ending with a separator, or empty) under
// the first copy's names that are all free: an export never replaces a file,
// so two trips of the same name (or two exports of one) never meet in one
// file. `paths` receives the paths written; false when one could not be
// written (`failed` names it; nothing of this export is left on disk and
// every file that stood there is untouched).
bool ExportTrack(TrackFormat format, const std::vector<TrackPart>& parts, bool trip, const std::string& folder,
                 std::vector<std::string>& paths, std::string& failed);

// The exports of the KML button's menu; Kml is the left click.
enum class ExportChoice { Kml, GpxRecording, GpxTrip, Csv };
struct ExportCommandResult {
  bool saved = false;
  std::string path;  // the "%s" of the message: written files (joined by ", ") or what failed
  int textId = 136;
  int captionId = 145;
};
// `folder` is what CSettings::GetGpsLogFolder gave (possibly empty).
ExportCommandResult RunExportCommand(RecordingLibrary& library, const std::string& folder, ExportChoice choice);
ExportCommandResult RunExportCommand(RecordingLibrary& library, ExportChoice choice);

// The writers build their text in batches of about this many bytes and hand
// each to FlushExportText, which writes and empties it; false once the stream failed.
constexpr std::size_t kExportBatchBytes = 64 * 1024;
bool FlushExportText(std::ostream& file, std::string& text);

// Text ids of the menu and the messages.
enum ExportTextId : int {
  kExportMenuKmlText = 230,
  kExportMenuGpxRecordingText = 231,
  kExportMenuGpxTripText = 232,
  kExportMenuCsvText = 233,
  kGpxSavedText = 234,
  kGpxFailedText = 235,
  kGpxCaption = 236,
  kCsvSavedText = 237,
  kCsvFailedText = 238,
  kCsvCaption = 239,
  kRecordingUnreadableText = 240,
  kTripFiguresText = 241,
};
