#pragma once
// Playable copies of recordings cut off while the camera wrote them. The cut
// file is only read; the copy is a new file in another folder, written like
// a copy of a recording (temporary name, checked writes, sync, rename), and
// never over a file that is there already.
//
// AVI: the complete chunks of movi are kept, idx1 is rebuilt, the RIFF and
// movi sizes, the frame count and the stream lengths say what is kept; the
// camera's blocks before the cut stay where they were.
// QuickTime: a moov is built for the media data, modelled on a healthy
// recording of the same camera (its track layout and sample descriptions).
#include <cstdint>
#include <string>

enum class RepairFailure {
  None,
  CannotRead,       // the cut file cannot be opened or read
  NothingPlayable,  // no complete video frame before the cut
  NoReference,      // QuickTime: no healthy recording of the same camera to model the moov on
  SameFolder,       // the destination is the cut file's own folder, or would be made on its card
  OutputExists,     // a file of that name is in the destination already
  WriteFailed,      // the destination could not be written (full, read-only, ...)
};

struct RepairResult {
  RepairFailure failure = RepairFailure::None;
  std::string output;     // the repaired copy; empty when none was made
  std::string reference;  // QuickTime: the recording the moov was modelled on
  uint32_t frames = 0;    // video frames kept
  double seconds = 0;     // their length
  bool hadAudio = false;  // the recording (or its reference) has an audio track
  bool audioKept = false;
  int error = 0;        // errno of a failed write
  std::string detail;   // what went wrong, in words
  bool notCut = false;  // NothingPlayable because the recording is whole: nothing to repair

  bool Repaired() const { return failure == RepairFailure::None; }
};

// Repairs `path` (an .AVI or .MOV by its name) into `outputFolder` under the
// same name; a missing `outputFolder` is made, unless it would lie on the
// card the recording is on. `reference` names the healthy QuickTime recording to model the
// moov on; when empty, the nearest earlier recording in the cut file's folder
// that fits is taken.
RepairResult RepairCutRecording(const std::string& path, const std::string& outputFolder,
                                const std::string& reference = {});

// The short English word for a failure ("no reference", ...), for the probe.
const char* RepairFailureName(RepairFailure failure);
// The same for a result: "not cut" for a whole recording.
const char* RepairReason(const RepairResult& result);
