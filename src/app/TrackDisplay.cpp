#include "app/TrackDisplay.h"

#include "app/WindowControls.h"
#include "library/RecordingLibrary.h"
#include "map/CHtmlMapDlg.h"

void TrackDisplay::SetMap(CHtmlMapDlg* map) { m_drawing.SetMap(map); }

bool TrackDisplay::LoadRecordingTrack(int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_library.Recordings().size()) return false;
  m_drawing.ClearTrack();
  const RecordingTrack* track = m_library.LoadTrack(index);
  if (track == nullptr) return false;
  m_ui.m_gsensor.ShowTrack(*track);
  m_drawing.PlotTrack(*track);
  return true;
}

void TrackDisplay::RedrawGroupPaths(int32_t group) {
  m_drawing.ClearGroupPaths();
  m_drawing.DrawGroupPath(m_library, group);
}

void TrackDisplay::DrawLoadedTrack() { m_drawing.DrawLoadedTrack(m_library.Track()); }

void TrackDisplay::RedrawDrivenPath(uint32_t timeMs) { m_drawing.RedrawDrivenPath(m_library.Track(), timeMs); }

bool TrackDisplay::UpdatePosition(int64_t timeMs, bool curveEnabled, bool mapEnabled) {
  const RecordingTrack& track = m_library.Track();
  if (curveEnabled && track.gsensorBytes != 0) m_ui.m_gsensor.ShowPlayTime(timeMs);
  const TrackPosition position = m_drawing.PositionAt(track, timeMs, mapEnabled);
  if (position.kind == TrackPosition::Kind::NoData) {
    m_ui.m_compass.ClearHeading();
    m_ui.m_speed.SetSpeed(false, 0);
  } else if (position.kind == TrackPosition::Kind::NewFix) {
    m_ui.m_compass.SetHeading(position.heading);
    m_ui.m_speed.SetSpeed(true, position.speed);
  }
  return position.HasFix();
}

int64_t TrackDisplay::RoutePointTime(std::size_t index) const { return m_library.Track().PointTime(index); }
