#pragma once
// The loaded recording's track on the map, the G-sensor curve and the
// instruments: loads it from the library as a value and hands it to each
// display, and keeps them at the play time.
#include <cstddef>
#include <cstdint>

#include "map/TrackDrawing.h"

class CHtmlMapDlg;
class RecordingLibrary;
struct WindowControls;

class TrackDisplay {
 public:
  TrackDisplay(RecordingLibrary& library, WindowControls& ui) : m_library(library), m_ui(ui) {}
  // The map host, once it exists (null: nothing is drawn on a map).
  void SetMap(CHtmlMapDlg* map);

  // Makes recording `index` current and shows its track on the map and the
  // curve; false when the index is out of range or the file cannot be opened.
  bool LoadRecordingTrack(int32_t index);
  // The group's routes in place of the ones shown (-1: none).
  void RedrawGroupPaths(int32_t group);
  // The loaded track's line again, for a map page loaded afresh.
  void DrawLoadedTrack();
  // The driven line up to `timeMs`.
  void RedrawDrivenPath(uint32_t timeMs);
  // Curve cursor, compass, speed and marker at `timeMs`; true when a GPS fix
  // is shown (or is the one shown last).
  bool UpdatePosition(int64_t timeMs, bool curveEnabled, bool mapEnabled);
  // The time of point `index` of the loaded track's line (-1: none).
  int64_t RoutePointTime(std::size_t index) const;

 private:
  RecordingLibrary& m_library;
  WindowControls& m_ui;
  TrackDrawing m_drawing;
};
