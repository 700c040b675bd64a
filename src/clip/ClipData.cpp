#include "clip/ClipData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "export/KmlExport.h"
#include "container/RecordingFile.h"
#include "settings/SpeedUnit.h"
#include "TrkVersion.h"

namespace {

bool ReadRecording(const std::string& path, RecordingInfo& info) {
  const std::string::size_type slash = path.rfind('/');
  info = RecordingInfo{};
  info.name = slash == std::string::npos ? path : path.substr(slash + 1);
  info.folder = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
  RecordingFile file(&info.summary);
  if (IsAviName(info.name)) return file.ParseAvi(path) == 0;
  if (!IsMovName(info.name) || file.ParseMov(path) != 0) return false;
  if (info.summary.startTime == 0) file.ScanMov(path);
  return true;
}

// The records of [from, to): the part's start moves to the first record kept,
// and its length is that of the records kept, so the exporters' time base
// gives every record the time it had in the whole recording.
TrackPart TrimmedPart(const TrackPart& whole, double from, double to, std::size_t& firstGps) {
  TrackPart part;
  part.recording = whole.recording;
  firstGps = whole.gps.size();
  for (std::size_t i = 0; i < whole.gps.size(); ++i) {
    const double at = whole.GpsSeconds(i);
    if (at < from || at >= to) continue;
    firstGps = std::min(firstGps, i);
    part.gps.push_back(whole.gps[i]);
  }
  const double gsensorRate =
      GSensorRatePerSecond(whole.recording.summary.gseaValue, static_cast<uint32_t>(whole.gsensor.size()),
                           whole.recording.summary.durationMs);
  for (std::size_t i = 0; i < whole.gsensor.size(); ++i) {
    const double at = whole.GSensorSeconds(i);
    if (at >= from && at < to) part.gsensor.push_back(whole.gsensor[i]);
  }
  const double shift = firstGps < whole.gps.size() ? whole.GpsSeconds(firstGps) : from;
  part.recording.summary.startTime += static_cast<int64_t>(std::llround(shift));
  part.recording.summary.durationMs =
      static_cast<uint32_t>(std::llround(static_cast<double>(part.gsensor.size()) * 1000.0 / gsensorRate));
  return part;
}

// "hh:mm:ss,mmm".
std::string SubtitleClock(double seconds) {
  const auto ms = static_cast<long long>(std::llround(std::max(seconds, 0.0) * 1000.0));
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld,%03lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                ms % 1000);
  return text;
}

std::string PositionText(const GpsSample& sample) {
  double latitude = 0.0, longitude = 0.0;
  if (!ExportedPosition(sample, latitude, longitude)) return "no fix";
  std::string text;
  AppendDecimal(text, std::fabs(latitude), 6);
  text += latitude < 0 ? " S, " : " N, ";
  AppendDecimal(text, std::fabs(longitude), 6);
  text += longitude < 0 ? " W" : " E";
  return text;
}

}  // namespace

bool LoadClipSources(const std::vector<ClipPiece>& pieces, std::vector<ClipSource>& sources, std::string& failed) {
  sources.clear();
  for (const ClipPiece& piece : pieces) {
    ClipSource source;
    source.piece = piece;
    source.path = piece.path;
    TrackPart whole;
    if (!ReadRecording(piece.path, source.recording) || !LoadTrackPart(source.recording, piece.path, whole)) {
      failed = piece.path;
      return false;
    }
    source.span = TrimmedPart(whole, piece.from, piece.to, source.firstGps);
    sources.push_back(std::move(source));
  }
  return true;
}

double CameraTimeAt(const ClipSource& source, double seconds) {
  if (source.recording.summary.startTime == 0) return 0.0;
  return static_cast<double>(source.recording.summary.startTime) + seconds;
}

std::string ClipTimeText(double time, bool utc) {
  const double whole = std::floor(time);
  const auto ms = static_cast<int>(std::lround((time - whole) * 1000.0));
  const auto seconds = static_cast<int64_t>(whole) + (ms == 1000 ? 1 : 0);
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ".%03d", ms % 1000);
  return FormatCalendarTime("%Y-%m-%d %H:%M:%S", seconds, utc) + fraction + (utc ? "Z" : "");
}

std::string ClipStem(const std::vector<ClipSource>& sources) {
  if (sources.empty()) return "CLIP";
  const ClipSource& first = sources.front();
  const double start = CameraTimeAt(first, first.piece.from);
  if (start > 0) return "CLIP_" + FormatCalendarTime("%Y%m%d_%H%M%S", static_cast<int64_t>(std::floor(start)), false);
  const std::string& name = first.recording.name;
  return "CLIP_" + name.substr(0, name.rfind('.'));
}

std::string SubtitleText(const std::vector<ClipSource>& sources, double videoStart, int speedUnit) {
  const SpeedUnit unit = speedUnit == 1 ? SpeedUnit::Mph : SpeedUnit::Kph;
  const char* unitText = unit == SpeedUnit::Mph ? " mph" : " km/h";
  std::string text;
  int cue = 0;
  double clipTime = videoStart;  // of the current piece's start within the clip
  for (const ClipSource& source : sources) {
    const double length = source.piece.to - source.piece.from;
    const uint32_t rate = GpsRateOf(source.recording.summary.gpsaValue);
    for (double at = 0.0; at < length; at += 1.0) {
      const double seconds = source.piece.from + at;
      text += std::to_string(++cue) + "\n" + SubtitleClock(clipTime + at) + " --> " +
              SubtitleClock(clipTime + std::min(at + 1.0, length)) + "\n";
      const double camera = CameraTimeAt(source, seconds);
      if (camera > 0) text += ClipTimeText(camera, false).substr(0, 19) + "  ";
      // The record of that moment, counted in the untrimmed recording's time base.
      const auto index = static_cast<int64_t>(std::floor(seconds * rate + 1e-9));
      const int64_t kept = index - static_cast<int64_t>(source.firstGps);
      if (kept >= 0 && static_cast<std::size_t>(kept) < source.span.gps.size()) {
        const GpsSample& sample = source.span.gps[static_cast<std::size_t>(kept)];
        text += std::to_string(DisplayedSpeed(sample.speed, unit)) + unitText + "\n" + PositionText(sample) + "\n";
      } else {
        text += "no GPS record\n";
      }
      text += "\n";
    }
    clipTime += length;
  }
  return text;
}

std::string SourcesText(const std::vector<ClipSource>& sources, const std::vector<SourceFacts>& facts, int64_t madeAt) {
  std::string text = "trk-viewer " TRK_VERSION "\n";
  text += "Made: " + UtcIsoTime(madeAt) + "\n";
  if (!sources.empty()) {
    const double start = CameraTimeAt(sources.front(), sources.front().piece.from);
    const double end = CameraTimeAt(sources.back(), sources.back().piece.to);
    if (start > 0 && end > 0) {
      text += "Span (camera time): " + ClipTimeText(start, false) + " - " + ClipTimeText(end, false) + "\n";
      text += "Span (UTC): " + ClipTimeText(start, true) + " - " + ClipTimeText(end, true) + "\n";
    } else {
      text += "Span: the camera clock is unknown\n";
    }
  }
  for (std::size_t i = 0; i < sources.size() && i < facts.size(); ++i) {
    const ClipSource& source = sources[i];
    std::error_code ignored;
    text += "\nSource: " + std::filesystem::absolute(source.path, ignored).lexically_normal().string() + "\n";
    text += "  Size: " + std::to_string(facts[i].size) + " bytes\n";
    text += "  Modified: " + UtcIsoTime(facts[i].modified) + "\n";
    text += "  SHA-256: " + facts[i].sha256 + "\n";
    text += "  Used: ";
    AppendDecimal(text, source.piece.from, 3);
    text += " s - ";
    AppendDecimal(text, source.piece.to, 3);
    text += " s\n";
  }
  return text;
}
