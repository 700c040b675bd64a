#include "export/KmlExport.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <ostream>

#include "settings/CSettings.h"
#include "export/ExportFile.h"
#include "library/RecordingLibrary.h"
#include "export/FixedDecimal.h"
#include "export/TrackPart.h"

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the well-formed UTF-8 sequence at text[i], 0 when there is none.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  return length;
}

bool WriteText(std::ostream& file, const std::string& text) {
  if (!file) return false;
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  return static_cast<bool>(file);
}

}  // namespace

std::string FormatCalendarTime(const char* format, int64_t time, bool utc) {
  std::tm fields{};
  const auto value = static_cast<std::time_t>(time);
  if (!(utc ? gmtime_r(&value, &fields) : localtime_r(&value, &fields))) {
    // Beyond what the calendar can show: the epoch rather than garbage.
    const std::time_t epoch = 0;
    gmtime_r(&epoch, &fields);
  }
  char buffer[128];
  const std::size_t length = std::strftime(buffer, sizeof buffer, format, &fields);
  return std::string(buffer, length);
}

std::string EscapeXmlText(const std::string& text, bool keepQuotes) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    // U+FFFE and U+FFFF are well-formed UTF-8 but no XML characters.
    if (length == 3 && text.compare(i, 2, "\xEF\xBF") == 0 && static_cast<unsigned char>(text[i + 2]) >= 0xBE) {
      out += kReplacement;
      i += length;
      continue;
    }
    if (length > 1) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    const char c = text[i++];
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += keepQuotes ? "\"" : "&quot;";
        break;
      case '\'':
        out += keepQuotes ? "'" : "&apos;";
        break;
      default:
        // XML 1.0 allows no control characters but tab, line feed and return.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
          out += kReplacement;
        else
          out += c;
    }
  }
  return out;
}

bool ExportedPosition(const GpsSample& sample, double& latitude, double& longitude) {
  return FixPosition(sample, latitude, longitude);
}

std::string ExportFileStem(const std::string& recordingName, int64_t startTime) {
  const std::string stem =
      recordingName.size() >= 4 ? recordingName.substr(0, recordingName.size() - 4) : std::string();
  return stem + FormatCalendarTime("_%Y_%m_%d_%H-%M-%S", startTime, false);
}

std::string KmlFileName(const std::string& recordingName, int64_t startTime) {
  return ExportFileStem(recordingName, startTime) + ".KML";
}

bool WriteExportFile(const std::string& path, const std::function<bool(std::ostream&)>& write) {
  PendingExportFile file;
  int error = 0;
  return file.Write(path, write) && file.Commit(/*replace=*/true, error);
}

std::string KmlRouteDescription(const std::string& subfolder, const std::string& name, int64_t startTime) {
  return "\"" + subfolder + "/" + name + "\"" + FormatCalendarTime(" %Y/%m/%d %H:%M:%S", startTime, false);
}

bool WriteKmlHeader(std::ostream& file, const std::string& name, const std::string& description,
                    const std::string& routeDescription) {
  std::string text;
  text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  text += "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n";
  text += "  <Document>\n";
  text += "    <name>" + EscapeXmlText(name) + "</name>\n";
  text += "\t<description>" + EscapeXmlText(description) + "</description>\n";
  text += "    <Style id=\"blueLine\">\n";
  text += "      <LineStyle>\n";
  text += "        <color>ffff0000</color>\n";
  text += "        <width>4</width>\n";
  text += "      </LineStyle>\n";
  text += "    </Style>\n";
  text += "    <Placemark>\n";
  text += "      <name>CAR PATH</name>\n";
  text += "      <description>GPS Path of Car DV " + EscapeXmlText(routeDescription, /*keepQuotes=*/true) +
          "</description>\n";
  text += "      <styleUrl>#blueLine</styleUrl>\n";
  text += "      <LineString>\n";
  text += "        <altitudeMode>relative</altitudeMode>\n";
  text += "        <coordinates>\n";
  return WriteText(file, text);
}

bool WriteKmlCoordinate(std::ostream& file, double latitude, double longitude, int32_t altitude) {
  std::string text;
  AppendFixed6(text, longitude);
  text += ',';
  AppendFixed6(text, latitude);
  text += ',';
  text += std::to_string(altitude);
  text += '\n';
  return WriteText(file, text);
}

bool WriteKmlFooter(std::ostream& file) {
  return WriteText(file,
                   "\n"
                   "        </coordinates>\n"
                   "      </LineString>\n"
                   "    </Placemark>\n"
                   "  </Document>\n"
                   "</kml>\n");
}

bool WriteKmlRoute(std::ostream& file, const std::string& name, const std::string& description,
                   const std::vector<TrackPart>& parts) {
  if (parts.empty()) return false;
  const RecordingInfo& first = parts.front().recording;
  bool ok = WriteKmlHeader(file, name, description,
                           KmlRouteDescription(first.subfolder, first.name, first.summary.startTime));
  for (const TrackPart& part : parts) {
    for (std::size_t i = 0; ok && i < part.gps.size(); ++i) {
      double latitude = 0.0, longitude = 0.0;
      if (ExportedPosition(part.gps[i], latitude, longitude))
        ok = WriteKmlCoordinate(file, latitude, longitude, part.gps[i].altitude);
    }
  }
  return ok && WriteKmlFooter(file);
}

bool ExportKml(RecordingLibrary& library, const std::string& folder, std::string& writtenPath) {
  writtenPath.clear();
  std::vector<TrackPart> parts(1);
  if (!CurrentTrackPart(library, parts.front())) return false;
  const RecordingInfo& recording = parts.front().recording;
  writtenPath = folder + KmlFileName(recording.name, recording.summary.startTime);
  return WriteExportFile(writtenPath,
                         [&](std::ostream& file) { return WriteKmlRoute(file, recording.name, std::string(), parts); });
}

KmlCommandResult RunKmlCommand(RecordingLibrary& library, const std::string& folder) {
  KmlCommandResult result;
  if (library.Recordings().empty()) return result;  // 136 / 145
  std::string path;
  const bool saved = ExportKml(library, folder, path);
  result.captionId = 127;
  if (saved) {
    result.outcome = KmlOutcome::Saved;
    result.textId = 125;
    result.path = path;
  } else if (path.empty()) {
    result.outcome = KmlOutcome::NoCurrentRecording;
    result.textId = 126;
    result.path = folder;
  } else {
    result.outcome = KmlOutcome::Failed;
    result.textId = 126;
    result.path = path;
  }
  return result;
}

KmlCommandResult RunKmlCommand(RecordingLibrary& library) {
  // With nothing loaded the message says so, and nothing is made on disk.
  if (library.Recordings().empty()) return KmlCommandResult{};
  std::string folder;
  CSettings::Instance().GetGpsLogFolder(folder);  // an empty folder writes into the current one
  return RunKmlCommand(library, folder);
}
