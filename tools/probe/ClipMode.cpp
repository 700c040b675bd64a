// trk-probe --clip FILE|CARD --from T --to T [--lossless] [--overlay] OUTDIR:
// makes a clip of a span as the window's "Clip..." does. T is seconds into
// FILE, or the camera clock "YYYY-MM-DD hh:mm:ss" on a CARD, whose trip
// holding that moment gives the pieces. One JSON object; exit status 1 with
// the reason when nothing could be made.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "clip/ClipSpan.h"
#include "clip/MakeClip.h"
#include "ProbeMode.h"
#include "ProbeRecording.h"
#include "RecordingJson.h"
#include "library/RecordingLibrary.h"

#ifdef TRK_PROBE_SHAREABLE
#include <QGuiApplication>
#include <memory>

#include "clip/video/ShareableClip.h"
#endif

namespace {

struct ClipArgs {
  std::string source;
  std::string from, to;
  std::string output;
  uint8_t kinds = 0;
};

// False when the command line is wrong.
bool ParseClipArgs(const std::vector<std::string>& args, ClipArgs& parsed) {
  std::vector<std::string> plain;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "--from" || args[i] == "--to") && i + 1 < args.size()) {
      (args[i] == "--from" ? parsed.from : parsed.to) = args[i + 1];
      ++i;
    } else if (args[i] == "--lossless") {
      parsed.kinds |= static_cast<uint8_t>(ClipKind::Lossless);
    } else if (args[i] == "--overlay") {
      parsed.kinds |= static_cast<uint8_t>(ClipKind::Shareable);
    } else if (args[i].rfind("--", 0) == 0) {
      return false;
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 2 || parsed.from.empty() || parsed.to.empty()) return false;
  parsed.source = plain[0];
  parsed.output = plain[1];
  if (parsed.kinds == 0) parsed.kinds = static_cast<uint8_t>(ClipKind::Lossless);
  return true;
}

bool ParseSeconds(const std::string& text, double& seconds) {
  char* end = nullptr;
  seconds = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0' && std::isfinite(seconds) && seconds >= 0.0;
}

// "YYYY-MM-DD hh:mm:ss" read as the camera's (local civil) clock.
bool ParseCameraTime(const std::string& text, int64_t& time) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
  if (text.size() != 19 ||
      std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second, &used) !=
          6 ||
      used != 19 || year < 1970)
    return false;
  if (!IsValidClock(static_cast<unsigned>(month), static_cast<unsigned>(day), static_cast<unsigned>(hour),
                    static_cast<unsigned>(minute), static_cast<unsigned>(second)) ||
      static_cast<unsigned>(day) > DaysInMonth(year, static_cast<unsigned>(month)))
    return false;
  bool ok = false;
  time = LocalCalendarToTime(year, month, day, hour, minute, second, &ok);
  return ok;
}

struct SpanSource {
  std::vector<ClipPiece> pieces;
  std::string cardRoot;
  double from = 0.0, to = 0.0;  // seconds into the recording or the trip
  std::string error;            // why there is nothing to cut
};

SpanSource FileSpan(const ClipArgs& args) {
  SpanSource span;
  const std::string::size_type slash = args.source.rfind('/');
  span.cardRoot = slash == std::string::npos ? std::string(".") : args.source.substr(0, slash + 1);
  if (!ParseSeconds(args.from, span.from) || !ParseSeconds(args.to, span.to)) {
    span.error = "a time in FILE is a number of seconds";
    return span;
  }
  RecordingInfo info;
  if (const char* error = ReadProbeRecording(args.source, info)) {
    span.error = error;
    return span;
  }
  span.pieces = PiecesOfSpan({{args.source, info.summary.durationMs / 1000.0}}, span.from, span.to);
  return span;
}

SpanSource CardSpan(const ClipArgs& args) {
  SpanSource span;
  span.cardRoot = args.source;
  int64_t from = 0, to = 0;
  if (!ParseCameraTime(args.from, from) || !ParseCameraTime(args.to, to)) {
    span.error = "a time on a CARD is \"YYYY-MM-DD hh:mm:ss\" of the camera clock";
    return span;
  }
  RecordingLibrary library;
  if (!library.OpenRecordings(args.source)) {
    span.error = "no such folder";
    return span;
  }
  for (const RecordingGroup& group : library.Groups()) {
    std::vector<TripRecording> trip;
    double at = 0.0;  // the recording's start within the trip
    bool found = false;
    for (int32_t i = group.first; i < group.first + group.count; ++i) {
      const RecordingSummary& summary = library.Recordings()[static_cast<std::size_t>(i)].summary;
      const double seconds = summary.durationMs / 1000.0;
      if (!found && summary.startTime != 0 && from >= summary.startTime &&
          static_cast<double>(from - summary.startTime) < seconds) {
        found = true;
        span.from = at + static_cast<double>(from - summary.startTime);
        span.to = span.from + static_cast<double>(to - from);
      }
      trip.push_back({library.GetRecordingPath(i), seconds});
      at += seconds;
    }
    if (!found) continue;
    span.pieces = PiecesOfSpan(trip, span.from, span.to);
    return span;
  }
  span.error = "no trip holds " + args.from;
  return span;
}

#ifdef TRK_PROBE_SHAREABLE
// The overlay paints with Qt Gui, which needs an application; no display.
std::unique_ptr<QGuiApplication> OverlayApplication() {
  if (QGuiApplication::instance()) return nullptr;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "trk-probe";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}
#endif

int RunClip(const std::vector<std::string>& args, std::FILE* out) {
  ClipArgs parsed;
  if (!ParseClipArgs(args, parsed)) return ProbeUsage();
  std::error_code ignored;
  const SpanSource span = std::filesystem::is_directory(parsed.source, ignored) ? CardSpan(parsed) : FileSpan(parsed);
  ClipResult result;
  if (!span.error.empty()) {
    result.failure = ClipFailure::SourceUnreadable;
    result.detail = parsed.source + ": " + span.error;
  } else if (span.to <= span.from || span.pieces.empty()) {
    result.failure = ClipFailure::EmptySpan;
    result.detail = "no picture between " + parsed.from + " and " + parsed.to;
  } else {
    ClipRequest request;
    request.pieces = span.pieces;
    request.kinds = parsed.kinds;
    request.outputFolder = parsed.output;
    request.cardRoot = span.cardRoot;
#ifdef TRK_PROBE_SHAREABLE
    const bool overlay = (parsed.kinds & static_cast<uint8_t>(ClipKind::Shareable)) != 0;
    const std::unique_ptr<QGuiApplication> application = overlay ? OverlayApplication() : nullptr;
    result = MakeClip(request, {}, &WriteShareableClip);
#else
    result = MakeClip(request, {});
#endif
  }

  JsonWriter json;
  json.BeginObject().Field("source", parsed.source).Field("folder", parsed.output);
  json.Key("span").BeginObject().Field("from", span.from).Field("to", span.to);
  if (result.Ok()) json.Field("start", result.spanStart).Field("end", result.spanEnd);
  json.EndObject();
  json.Key("files").BeginArray();
  for (const std::string& file : result.files) json.String(file);
  json.EndArray().Key("notes").BeginArray();
  for (const std::string& note : result.notes) json.String(note);
  json.EndArray();
  if (!result.Ok()) json.Field("error", result.detail);
  json.Field("saved", result.Ok()).EndObject();
  std::string line = json.Take();
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out);
  if (!result.Ok()) std::fprintf(stderr, "trk-probe: %s\n", result.detail.c_str());
  return result.Ok() ? 0 : 1;
}

}  // namespace

const ProbeMode& ClipMode() {
  static const ProbeMode mode{"--clip", "FILE|CARD --from T --to T [--lossless] [--overlay] OUTDIR", &RunClip};
  return mode;
}
