#pragma once
// Harsh moments of the playing trip in the window: found when a recording of
// another trip starts, marked on the curve, the position slider and the map,
// listed in the events window that the button on the curve opens, reached by
// N and Shift+N.
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "events/DrivingEvents.h"

class CEventListDlg;
class CEventsButton;
class CPlaybackController;
class CTRKDlg;
class PlaybackPresenter;
class RecordingLibrary;
struct TrackPart;

class TripEventsPresenter : public QObject {
  Q_OBJECT

 public:
  // Puts the button on the window's curve and makes the events window.
  TripEventsPresenter(CTRKDlg& window, RecordingLibrary& library, CPlaybackController& playback,
                      PlaybackPresenter& presenter);
  ~TripEventsPresenter() override;

  // Finds the trip's events when `index` belongs to another trip than the
  // last one (or `force`), and marks those of recording `index`.
  void LoadTripEvents(int32_t index, bool force = false);
  // Plays the next (1) or previous (-1) event of the trip.
  void PlayEvent(int step);
  // Plays the trip's event `index` from a few seconds before it.
  void PlayEventAt(int index);
  void OpenEventList();
  void RelabelEvents();
  // The group tooltip's line of event counts for the trip of `parts`.
  static QString TripEventsLine(const std::vector<TrackPart>& parts, int32_t firstRecording);

  const std::vector<DrivingEvent>& TripEvents() const { return m_tripEventList; }
  // The event chosen last (null: none).
  const DrivingEvent* CurrentEvent() const;
  CEventListDlg* EventList() const { return m_eventList.get(); }
  CEventsButton* EventsButton() const { return m_eventsButton.get(); }

  // The trip's events on the map again (a page loaded afresh).
  void MarkTripEventsOnMap();

 private:
  void MarkRecordingEvents(int32_t index);
  void OnEventTime(int64_t timeMs);

  CTRKDlg& m_window;
  RecordingLibrary& m_library;
  CPlaybackController& m_playback;
  PlaybackPresenter& m_presenter;  // seeks and plays a chosen event
  std::string m_eventsTrip;        // the trip whose events are held: its first path and count
  std::vector<RecordingEvents> m_tripEvents;
  std::vector<DrivingEvent> m_tripEventList;
  int m_currentEvent = -1;
  int32_t m_eventSeekRecording = -1;  // a chosen event's recording is opening
  int64_t m_eventSeekMs = -1;
  std::unique_ptr<CEventsButton> m_eventsButton;
  std::unique_ptr<CEventListDlg> m_eventList;
};
