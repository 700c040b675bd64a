// The GPX 1.1 writer.
#include <ostream>

#include "export/KmlExport.h"
#include "export/TrackExport.h"

#ifndef TRK_VERSION
#define TRK_VERSION "0"
#endif

namespace {

void AppendPoint(std::string& text, const TrackPart& part, std::size_t i, double latitude, double longitude) {
  const GpsSample& sample = part.gps[i];
  text += "      <trkpt lat=\"";
  AppendDecimal(text, latitude, 6);
  text += "\" lon=\"";
  AppendDecimal(text, longitude, 6);
  text += "\">\n        <ele>" + std::to_string(sample.altitude) + "</ele>\n";
  int64_t time = 0;
  if (RecordClockTime(part, i, time)) text += "        <time>" + UtcIsoTime(time) + "</time>\n";
  text += "        <extensions>\n          <gpxtpx:TrackPointExtension>\n            <gpxtpx:speed>";
  AppendDecimal(text, sample.speed / 3.6, 3);
  text += "</gpxtpx:speed>\n            <gpxtpx:course>" + std::to_string(sample.heading * 2 % 360) +  // 360 is north
          "</gpxtpx:course>\n          </gpxtpx:TrackPointExtension>\n        </extensions>\n      </trkpt>\n";
}

}  // namespace

bool WriteGpx(std::ostream& file, const std::string& name, const std::vector<TrackPart>& parts, int64_t exportTime) {
  std::string text;
  text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  text += "<gpx version=\"1.1\" creator=\"trk-viewer " TRK_VERSION "\"";
  text += " xmlns=\"http://www.topografix.com/GPX/1/1\"";
  text += " xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\"";
  text += " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"";
  text += " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd";
  text += " http://www.garmin.com/xmlschemas/TrackPointExtension/v2";
  text += " http://www.garmin.com/xmlschemas/TrackPointExtensionv2.xsd\">\n";
  text += "  <metadata>\n    <time>" + UtcIsoTime(exportTime) + "</time>\n  </metadata>\n";
  text += "  <trk>\n    <name>" + EscapeXmlText(name) + "</name>\n";
  text += "    <desc>" + EscapeXmlText(TripFiguresText(ComputeTripFigures(parts))) + "</desc>\n";
  for (const TrackPart& part : parts) {
    text += "    <trkseg>\n";
    for (std::size_t i = 0; i < part.gps.size(); ++i) {
      double latitude = 0.0, longitude = 0.0;
      if (!ExportedPosition(part.gps[i], latitude, longitude)) continue;
      AppendPoint(text, part, i, latitude, longitude);
      if (text.size() >= kExportBatchBytes && !FlushExportText(file, text)) return false;
    }
    text += "    </trkseg>\n";
  }
  text += "  </trk>\n</gpx>\n";
  return FlushExportText(file, text);
}
