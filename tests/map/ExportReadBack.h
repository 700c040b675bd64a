#pragma once
// Running the probe and gpsbabel, and reading back what an export wrote.
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace trk_test {

// Standard output of `command`; `status` gets its exit status (-1: killed).
inline std::string RunCommand(const std::string& command, int* status) {
  std::string output;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int result = pclose(pipe);
  *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return output;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The text between <tag> and </tag> from `from` on; empty when there is none
// before `end`.
inline std::string Element(const std::string& text, const std::string& tag, std::size_t from,
                           std::size_t end = std::string::npos) {
  const std::size_t open = text.find("<" + tag + ">", from);
  if (open == std::string::npos || open >= end) return std::string();
  const std::size_t start = open + tag.size() + 2;
  return text.substr(start, text.find("</" + tag + ">", start) - start);
}

// One track point as gpsbabel gives it back.
struct BabelPoint {
  int segment = 0;
  double latitude = 0.0, longitude = 0.0;
  std::string time;   // empty when the point has none
  std::string speed;  // the TrackPointExtension's speed text
  std::string course;
};

struct BabelTrack {
  int status = -1;
  std::string name, desc;
  int segments = 0;
  std::vector<BabelPoint> points;
};

// gpsbabel reads the GPX file and writes it again (its own layout, the
// Garmin extension passed through); the points are read from that.
inline BabelTrack ReadGpxWithGpsbabel(const std::string& path) {
  BabelTrack track;
  const std::string gpx = RunCommand("gpsbabel -i gpx -f '" + path + "' -o gpx -F - 2>&1", &track.status);
  const std::size_t trk = gpx.find("<trk>");
  if (trk == std::string::npos) return track;
  track.name = Element(gpx, "name", trk);
  track.desc = Element(gpx, "desc", trk);
  for (std::size_t at = gpx.find("<trkseg>", trk); at != std::string::npos; at = gpx.find("<trkseg>", at + 1)) {
    ++track.segments;
    const std::size_t segmentEnd = gpx.find("</trkseg>", at);
    for (std::size_t p = gpx.find("<trkpt ", at); p != std::string::npos && p < segmentEnd;
         p = gpx.find("<trkpt ", p + 1)) {
      const std::size_t pointEnd = gpx.find("</trkpt>", p);
      BabelPoint point;
      point.segment = track.segments - 1;
      std::sscanf(gpx.c_str() + p, "<trkpt lat=\"%lf\" lon=\"%lf\"", &point.latitude, &point.longitude);
      point.time = Element(gpx, "time", p, pointEnd);
      point.speed = Element(gpx, "gpxtpx:speed", p, pointEnd);
      point.course = Element(gpx, "gpxtpx:course", p, pointEnd);
      track.points.push_back(point);
    }
  }
  return track;
}

// Rows of a CSV file without quoted fields, split at commas; line ends CRLF.
inline std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t comma = line.find(',');; comma = line.find(',', from)) {
      fields.push_back(line.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    rows.push_back(fields);
    start = end + 2;
  }
  return rows;
}

}  // namespace trk_test
