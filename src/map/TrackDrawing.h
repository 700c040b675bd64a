#pragma once
// Keeps the map, the instruments and the G-sensor curve in step with what is
// selected and played: the group's routes, the current recording's route and
// samples, the driven part after a seek and the position at a play time.
// Free functions on the library; user-interface thread only.
#include <cstddef>
#include <cstdint>

class RecordingLibrary;

// Result of DrawRecordingPath: the first usable position of a recording, in
// the form degrees + minutes / 100 (the stored value divided by 100).
struct FirstFix {
  int32_t found = 0;
  double latitude = 0.0;
  double longitude = 0.0;
};

// Index of the GPS sample UpdatePosition showed last, for the whole program.
// LoadRecordingTrack sets it back to 0: a sample index of the recording
// before says nothing about the new one, whose first report must be shown.
extern int32_t LastShownSample;

// Runs "draw_file_path_clear_all()".
void ClearGroupPaths(RecordingLibrary& library);
// Draws one recording of a group; false when the index is out of range or the
// file cannot be opened. `fix` may be null.
bool DrawRecordingPath(RecordingLibrary& library, int32_t index, FirstFix* fix);
// Draws every recording of the group and centres the map on its first fix.
void DrawGroupPath(RecordingLibrary& library, int32_t group);
// Makes the recording current, loads its samples and draws its route.
// False when the index is out of range or the file cannot be opened.
bool LoadRecordingTrack(RecordingLibrary& library, int32_t index);
// Draws the loaded recording's line again from the samples in memory (no file
// access): "path_delete()", then "path_plot" for every usable sample. For a
// page that finished loading after the recording was loaded (ReloadMapPage).
void DrawLoadedTrack(RecordingLibrary& library);
// The time of point `index` of the loaded recording's line (its usable
// samples in order); -1 when there is no such point.
int64_t RoutePointTime(const RecordingLibrary& library, std::size_t index);
// Rebuilds the driven line from the samples before `timeMs`.
void RedrawDrivenPath(RecordingLibrary& library, uint32_t timeMs);
// Moves cursor, compass, speed and marker to `timeMs`; true when a GPS fix is
// shown (or is the one shown last), false when there is no usable sample.
bool UpdatePosition(RecordingLibrary& library, int64_t timeMs, bool curveEnabled, bool mapEnabled);
