#pragma once
// What a clip is made of and what making one reports. Plain C++: the window,
// trk-probe and the tests all hand the same request to MakeClip.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One recording's share of a clip: [from, to) in seconds from that
// recording's first picture.
struct ClipPiece {
  std::string path;
  double from = 0.0;
  double to = 0.0;
};

// Called now and then with the share done (0..1) and what is being made;
// returns false to cancel. It runs on the thread that makes the clip.
using ClipProgress = std::function<bool(double done, const std::string& stage)>;

enum class ClipKind : uint8_t {
  Lossless = 0x01,   // the camera's own container, samples copied as they are
  Shareable = 0x02,  // H.264/AAC MP4 with the telemetry drawn on it
};

struct ClipRequest {
  std::vector<ClipPiece> pieces;  // in play order, all of one trip
  uint8_t kinds = static_cast<uint8_t>(ClipKind::Lossless);
  std::string outputFolder;  // made when missing; never inside `cardRoot`
  std::string cardRoot;      // the opened card or folder ("" = none known)
  std::string baseName;      // file names start with it; "" = from the camera clock
  int speedUnit = 0;         // as the speed display shows it (0 km/h, 1 mph)
};

enum class ClipFailure : uint8_t {
  None,
  Cancelled,
  EmptySpan,         // no picture in the span
  SourceUnreadable,  // a recording of the span cannot be read, or is cut
  DestinationOnCard,
  DestinationUnwritable,
  NameExists,
  EncoderMissing,  // built without the shareable clip's libraries
  WriteFailed,
};

struct ClipResult {
  ClipFailure failure = ClipFailure::None;
  std::string detail;              // words for the message and trk-probe's JSON
  std::vector<std::string> files;  // what was made, full paths, in the order made
  std::vector<std::string> notes;  // e.g. "cut at the recording boundary: codec changes"
  double spanStart = 0.0;          // what the clip really holds, in seconds of
  double spanEnd = 0.0;            // the first piece's recording (key picture start)
  bool Ok() const { return failure == ClipFailure::None; }
};

// The shareable clip's maker. It lives in a library with the FFmpeg and Qt Gui
// dependencies, so the core takes it as a function; empty where not built.
using ShareableWriter = std::function<ClipResult(const std::vector<ClipPiece>& pieces, const std::string& destination,
                                                 int speedUnit, const ClipProgress& progress)>;
