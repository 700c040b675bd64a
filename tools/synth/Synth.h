#pragma once
// The recording synthesizer: writes AVI and QuickTime recordings the way the
// camera does (a real, playable video stream made by the ffmpeg program, plus
// the camera's GPS and G-sensor blocks and its date text), and SD-card-like
// folder trees of them. Tests, benchmarks and the demo build their inputs
// with it. Every function throws SynthError when it cannot do its job.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "container/RecordingTypes.h"

struct SynthError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class SynthContainer {
  FromName,  // by the extension of the path, in either case: .avi / .mov, .mp4
  Avi,
  Mov,
};

// What the camera's date text holds.
enum class SynthIdit {
  Valid,       // "YYYY-MM-DD hh:mm:ss" of the start
  None,        // no date text at all
  Invalid,     // a month of 13
  Empty,       // all zero bytes
  Before1900,  // "1899-12-31 23:59:59"
};

struct SynthOptions {
  SynthContainer container = SynthContainer::FromName;

  // Start of the recording in local civil time of the process (TZ decides);
  // the date text and the GPS clock carry it, and the file's modification
  // time is set to start + length, as the camera leaves it.
  int year = 2024, month = 4, day = 12, hour = 8, minute = 30, second = 0;
  uint32_t durationMs = 10000;
  uint16_t width = 640, height = 360;
  uint32_t fps = 25;
  // Length of the encoded video; 0 = durationMs. A short clip is encoded once
  // per process and shared (the cheap mode of big cards); the container then
  // gives the clip's length while the camera blocks still cover durationMs.
  uint32_t videoMs = 0;
  bool setFileTime = true;

  // The camera's blocks.
  uint8_t gpsRate = 1;       // gpsa low byte; 0 is written as 0 (read as 1 a second)
  uint8_t gsensorRate = 10;  // gsea low byte; 0: records spread over the length (10 a second are written)
  uint8_t gsensorRange = 8;  // gsea second byte, full scale in g

  // The drive: a loop through central Tokyo, stops at lights, 30-55 km/h.
  double driveSeconds = 0;  // time the car has been driving when this recording starts
  uint32_t routeSeed = 1;   // start point on the loop and pattern of stops
  int noFixRecords = 2;     // leading GPS records without fix: coordinates 0, no clock
  bool gpsClock = true;     // the other records carry the clock
  bool hardBrake = false;   // a hard braking at hardBrakeAt
  double hardBrakeAt = 0;   // seconds from this recording's start; may lie before or after it,
                            // so that the recordings of one drive share one braking
  // More harsh moments, in seconds from this recording's start (as hardBrakeAt).
  std::vector<double> brakeAt;
  std::vector<double> accelerateAt;
  std::vector<double> rightTurnAt;
  std::vector<double> leftTurnAt;
  std::vector<double> impactAt;
  // A rough road: every half minute or so a bump of 0.3-0.8 g, mostly up and
  // down, and more vibration on every axis.
  bool roadNoise = false;
  // The camera is pitched forward by this many degrees on its mount, so
  // gravity and the driving axis share the sensor's x and z.
  double mountPitchDeg = 0;

  SynthIdit idit = SynthIdit::Valid;

  // The order of the file's pieces, comma separated; empty = the default.
  //  AVI (default "hdrl,gpsa,gsea,gps0,gsen,movi,idx1"):
  //   hdrl        LIST hdrl: avih, LIST strl (strh, strf) and, unless an idit
  //               piece is listed, the IDIT chunk
  //   hdrl-nostrf the same without the video format chunk
  //   movi        LIST movi with the frames;  movi-truncated: the list claims
  //               every frame but the file ends after half of them
  //   idx1        the index
  //  QuickTime (default "ftyp,idit,gpsa,gsea,gps0,gsen,mdat,moov"):
  //   ftyp, moov; mdat, mdat64 (64-bit size), mdat0 (size 0, last piece)
  //   datetext    a 28-byte atom of unknown type "date" holding the date text
  //   skip:N      skip atom with N payload bytes;  size0:TYPE an atom header of size 0
  //  Both:
  //   idit[:N]    the date text (AVI: N payload bytes, default 20)
  //   gpsa, gsea  the rate blocks
  //   gps0[:N], gsen[:N]  the sample blocks, cut or zero-padded to N bytes
  //   junk:N      AVI JUNK chunk / QuickTime skip atom of N payload bytes
  //   unknown:N   a chunk "UNKN" / atom "free" of N payload bytes
  //   pad:OFFSET  a JUNK chunk / skip atom that makes the next piece start at OFFSET
  std::string layout;

  // QuickTime: bytes appended to the mdat payload after the video (benchmarks).
  uint64_t mdatFillerBytes = 0;

  // Power loss: when in (0, 1), the file ends after this fraction of its
  // bytes, its sizes still claiming the whole, and no moov or idx1 that
  // would have come later.
  double cutAt = 0;
};

// What was written, for comparing with what a reader finds.
struct SynthReport {
  std::string path;
  SynthContainer container = SynthContainer::Avi;
  uint64_t fileSize = 0;
  uint64_t gpsOffset = 0;  // payload of the gps0 block (0 when not written)
  uint32_t gpsSize = 0;
  uint64_t gsensorOffset = 0;
  uint32_t gsensorSize = 0;
  uint32_t gpsaValue = 0;
  uint32_t gseaValue = 0;
  int64_t startTime = 0;         // the start as local civil time -> seconds
  int64_t modificationTime = 0;  // what the file's time was set to
  uint32_t videoMs = 0;          // length of the video stream
  uint32_t videoFrames = 0;
  uint64_t fullSize = 0;       // the size before a cut (fileSize when not cut)
  std::vector<GpsSample> gps;  // every record written, in order
  std::vector<GSensorSample> gsensor;
};

SynthReport WriteSynthRecording(const std::string& path, const SynthOptions& options);

// The records the options produce (what WriteSynthRecording puts in the file).
std::vector<GpsSample> SynthGpsTrack(const SynthOptions& options);
std::vector<GSensorSample> SynthGSensorTrace(const SynthOptions& options);
// The "%04d-%02d-%02d %02d:%02d:%02d" text of the start with its zero (20 bytes).
std::string SynthDateText(const SynthOptions& options);

// An SD-card-like tree.
struct SynthCardOptions {
  // 0: the demo card (about 16 recordings of 10-60 s in four drives, event and
  // locked recordings, non-recordings and a hidden folder). Otherwise that many
  // recordings in drives of 10, AVI and QuickTime alternating, in a few folders.
  int recordings = 0;
  bool cheapVideo = false;  // one short clip per container, shared by every recording
  uint16_t width = 640, height = 360;
  int year = 2024, month = 4, day = 12;  // the first drive's day
  // Adds one AVI and one QuickTime recording cut off by power loss, each
  // after healthy recordings of the same camera in its folder.
  bool withCut = false;
};

struct SynthCardFile {
  std::string relativePath;  // below the card's folder, '/' separated
  bool recording = false;    // an .AVI/.MOV/.MP4 in any case, that a scan reads
  bool hidden = false;       // inside a hidden folder
  bool readOnly = false;
  bool event = false;   // read-only and named EVGS...
  bool locked = false;  // read-only, other name
  bool cut = false;     // cut off while it was written
  int drive = -1;       // drives are the expected groups: recordings within 2 s of each other
  int64_t startTime = 0;
  uint32_t durationMs = 0;
};

// Writes the tree below dir (created when missing; files already there with
// the same names are replaced). Returns every file written.
std::vector<SynthCardFile> WriteSynthCard(const std::string& dir, const SynthCardOptions& options);
