// The CSV writers (RFC 4180: CRLF line ends, a header row; no field needs
// quoting, as every field is a number or a time).
#include <ostream>

#include "export/KmlExport.h"
#include "export/TrackExport.h"

namespace {

constexpr double kGSensorUnit = 0.0078125;  // 1 / 128 of the full scale

// Seconds of a part's start after the trip's start.
double PartOffset(const std::vector<TrackPart>& parts, const TrackPart& part) {
  return static_cast<double>(part.recording.summary.startTime - parts.front().recording.summary.startTime);
}

}  // namespace

double GSensorG(int8_t value, uint32_t gseaValue) {
  return value * static_cast<double>(GSensorRangeOf(gseaValue)) * kGSensorUnit;
}

bool WriteGpsCsv(std::ostream& file, const std::vector<TrackPart>& parts) {
  std::string text = "utc_time,seconds_from_start,latitude,longitude,speed_kmh,course_deg,fix\r\n";
  for (const TrackPart& part : parts) {
    const double offset = PartOffset(parts, part);
    for (std::size_t i = 0; i < part.gps.size(); ++i) {
      const GpsSample& sample = part.gps[i];
      int64_t time = 0;
      if (RecordClockTime(part, i, time)) text += UtcIsoTime(time);
      text += ',';
      AppendDecimal(text, offset + part.GpsSeconds(i), 3);
      text += ',';
      double latitude = 0.0, longitude = 0.0;
      const bool fix = ExportedPosition(sample, latitude, longitude);
      if (fix) AppendDecimal(text, latitude, 6);
      text += ',';
      if (fix) AppendDecimal(text, longitude, 6);
      // A course beyond 360 degrees is no course; 360 itself is north.
      text += ',' + std::to_string(sample.speed) + ',' +
              (sample.heading <= 180 ? std::to_string(sample.heading * 2 % 360) : std::string()) + ',' +
              (fix ? "1" : "0") + "\r\n";
      if (text.size() >= kExportBatchBytes && !FlushExportText(file, text)) return false;
    }
  }
  return FlushExportText(file, text);
}

bool WriteGSensorCsv(std::ostream& file, const std::vector<TrackPart>& parts) {
  std::string text = "seconds_from_start,x_g,y_g,z_g\r\n";
  for (const TrackPart& part : parts) {
    const double offset = PartOffset(parts, part);
    const uint32_t gsea = part.recording.summary.gseaValue;
    for (std::size_t i = 0; i < part.gsensor.size(); ++i) {
      const GSensorSample& sample = part.gsensor[i];
      AppendDecimal(text, offset + part.GSensorSeconds(i), 3);
      for (const int8_t value : {sample.x, sample.y, sample.z}) {
        text += ',';
        AppendDecimal(text, GSensorG(value, gsea), 7);  // k * range / 128 exactly
      }
      text += "\r\n";
      if (text.size() >= kExportBatchBytes && !FlushExportText(file, text)) return false;
    }
  }
  return FlushExportText(file, text);
}
