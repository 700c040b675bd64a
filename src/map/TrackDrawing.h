#pragma once
// Draws on the map what is selected and played: the group's routes, the
// loaded track's route, the driven part after a seek and the position at a
// play time. The track comes as a value (RecordingLibrary::LoadTrack); the
// drawing keeps the one thing it needs between reports, the record shown
// last. User-interface thread only.
#include <cstddef>
#include <cstdint>

#include "library/RecordingTrack.h"
#include "map/MapView.h"

class RecordingLibrary;

// Result of DrawRecordingPath: the first usable position of a recording, in
// the form degrees + minutes / 100 (the stored value divided by 100).
struct FirstFix {
  int32_t found = 0;
  double latitude = 0.0;
  double longitude = 0.0;
};

// What a play time shows of the track (TrackDrawing::PositionAt).
struct TrackPosition {
  enum class Kind {
    NoData,     // no valid record at that time: the instruments show nothing
    Unusable,   // a valid record whose position is out of range: left as shown
    ShownLast,  // the record shown last: nothing to change
    NewFix,     // heading, speed and marker move to this record
  };
  Kind kind = Kind::NoData;
  int32_t heading = 0;  // degrees
  uint16_t speed = 0;   // km/h
  // A fix is shown (or is the one shown last).
  bool HasFix() const { return kind == Kind::ShownLast || kind == Kind::NewFix; }
};

class TrackDrawing {
 public:
  // `map` may be null (no map yet): then nothing is drawn.
  explicit TrackDrawing(IMapView* map = nullptr) : m_map(map) {}
  void SetMap(IMapView* map) { m_map = map; }

  // Runs "draw_file_path_clear_all()".
  void ClearGroupPaths();
  // Draws one recording of a group; false when the index is out of range or
  // the file cannot be opened. `fix` may be null.
  bool DrawRecordingPath(const RecordingLibrary& library, int32_t index, FirstFix* fix);
  // Draws every recording of the group and centres the map on its first fix.
  void DrawGroupPath(const RecordingLibrary& library, int32_t group);
  // Before a new track: its lines go and the record shown last is
  // forgotten, since an index of the track before says nothing about it.
  void ClearTrack();
  // "path_plot" for every usable record of the track.
  void PlotTrack(const RecordingTrack& track);
  // Draws the track's line again (no file access): "path_delete()", then
  // PlotTrack. For a page that finished loading after the track was loaded.
  void DrawLoadedTrack(const RecordingTrack& track);
  // Rebuilds the driven line from the records before `timeMs`.
  void RedrawDrivenPath(const RecordingTrack& track, uint32_t timeMs);
  // The record at `timeMs`; a new fix moves the marker when `mapEnabled`.
  TrackPosition PositionAt(const RecordingTrack& track, int64_t timeMs, bool mapEnabled);

 private:
  IMapView* m_map = nullptr;
  int32_t m_lastShownSample = 0;  // index of the record PositionAt showed last
};
