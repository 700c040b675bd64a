#pragma once
// Export of the current recording's GPS route as a KML 2.2 file.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "container/RecordingTypes.h"

class RecordingLibrary;
struct TrackPart;

// What every route export shares: which records carry a position, how files
// are named, and how a file is written without leaving half of it behind.

// The position a route export writes for `sample`, in decimal degrees; false
// when the record is no fix (FixPosition, the map's rule too).
bool ExportedPosition(const GpsSample& sample, double& latitude, double& longitude);

// strftime of `time` in local time, or in UTC when `utc`; a time the calendar
// cannot show gives the epoch.
std::string FormatCalendarTime(const char* format, int64_t time, bool utc);

// "<name without extension>_%Y_%m_%d_%H-%M-%S" in local time; every exported
// file is this followed by its own ending (".KML", ".GPX", "_GPS.CSV", ...).
std::string ExportFileStem(const std::string& recordingName, int64_t startTime);

// Lets `write` fill a new file and puts it in the place of `path` only when it
// is complete (PendingExportFile). False when the file cannot be made,
// `write` returns false or a write fails; a file that stood at `path` then
// stays as it was.
bool WriteExportFile(const std::string& path, const std::function<bool(std::ostream&)>& write);

// Each writer returns false when the stream is not usable (never opened, or a
// previous write failed) or when its own writing fails. Texts are inserted as
// XML text: markup characters are escaped and bytes that are not UTF-8 become
// U+FFFD, so any file name gives a well-formed document.
bool WriteKmlHeader(std::ostream& file, const std::string& name, const std::string& description,
                    const std::string& routeDescription);
bool WriteKmlCoordinate(std::ostream& file, double latitude, double longitude, int32_t altitude);
bool WriteKmlFooter(std::ostream& file);

// Header, the fixes of every part in order, footer; the route description
// names the first part.
bool WriteKmlRoute(std::ostream& file, const std::string& name, const std::string& description,
                   const std::vector<TrackPart>& parts);

// Text escaped for XML: & < > always, " and ' too unless `keepQuotes` (quotes
// need no escape in element content; the route description keeps its own).
std::string EscapeXmlText(const std::string& text, bool keepQuotes = false);

// "<name without extension>_%Y_%m_%d_%H-%M-%S.KML" in local time.
std::string KmlFileName(const std::string& recordingName, int64_t startTime);
// "\"<subfolder>/<name>\" %Y/%m/%d %H:%M:%S" in local time.
std::string KmlRouteDescription(const std::string& subfolder, const std::string& name, int64_t startTime);

// Writes the current recording's usable samples to `folder` + KmlFileName.
// `writtenPath` receives the composed path (empty when no recording is
// current). False when no recording is current, or when creating or writing
// the file fails; an earlier file of that name then stays as it was.
bool ExportKml(RecordingLibrary& library, const std::string& folder, std::string& writtenPath);

// The KML button's logic; the caller shows the message box.
enum class KmlOutcome {
  NoRecordings,        // text 136, caption 145
  NoCurrentRecording,  // text 126, caption 127, with the output folder
  Saved,               // text 125, caption 127, with the written path
  Failed,              // text 126, caption 127, with the composed path
};
struct KmlCommandResult {
  KmlOutcome outcome = KmlOutcome::NoRecordings;
  std::string path;  // the "%s" of the message
  int textId = 136;
  int captionId = 145;
};
// `folder` is what CSettings::GetGpsLogFolder gave (possibly empty).
KmlCommandResult RunKmlCommand(RecordingLibrary& library, const std::string& folder);
// The same with the folder taken from the settings.
KmlCommandResult RunKmlCommand(RecordingLibrary& library);
