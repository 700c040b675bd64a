// Harsh moments of the playing trip: found when a recording of another trip
// starts (kept in the scan index beside each recording's listing, else read
// from the trip's files), marked
// on the G-sensor curve and the position slider in the colour of their type,
// listed in the events window that the button on the curve opens, and
// reached by N and Shift+N. Choosing an event plays from kLeadMs before it;
// in another recording of the trip, once that recording reports its first time.
#include "app/TripEventsPresenter.h"
#include "app/PlaybackPresenter.h"

#include <QFile>
#include <algorithm>

#include "app/CTRKDlg.h"
#include "dialogs/CEventListDlg.h"
#include "export/TrackPart.h"
#include "events/StoredEvents.h"
#include "map/CHtmlMapDlg.h"
#include "map/ScriptText.h"
#include "settings/CSettings.h"
#include "settings/Languages.h"

namespace {

constexpr int64_t kLeadMs = 5000;
constexpr uint32_t kTripEventsText = 351;
// While the time lies within this much after the event, N and Shift+N go
// on from the event chosen last.
constexpr int64_t kStillAtEventMs = 3000;

}  // namespace

TripEventsPresenter::TripEventsPresenter(CTRKDlg& window, RecordingLibrary& library, CPlaybackController& playback,
                                         PlaybackPresenter& presenter)
    : m_window(window),
      m_library(library),
      m_playback(playback),
      m_presenter(presenter),
      m_eventsButton(std::make_unique<CEventsButton>(&window.Ui().m_gsensor)),
      m_eventList(std::make_unique<CEventListDlg>(&window)) {
  connect(m_eventsButton.get(), &QToolButton::clicked, this, &TripEventsPresenter::OpenEventList);
  connect(m_eventList.get(), &CEventListDlg::EventChosen, this, &TripEventsPresenter::PlayEventAt);
  connect(&m_playback, &CPlaybackController::TimeReported, this,
          [this](int64_t timeMs, int32_t) { OnEventTime(timeMs); });
}

TripEventsPresenter::~TripEventsPresenter() = default;

const DrivingEvent* TripEventsPresenter::CurrentEvent() const {
  if (m_currentEvent < 0 || static_cast<std::size_t>(m_currentEvent) >= m_tripEventList.size()) return nullptr;
  return &m_tripEventList[static_cast<std::size_t>(m_currentEvent)];
}

void TripEventsPresenter::LoadTripEvents(int32_t index, bool force) {
  // A chosen event waits only for its own recording.
  if (index != m_eventSeekRecording) m_eventSeekRecording = -1;
  const int32_t group = index >= 0 ? m_library.FindGroupOf(index) : -1;
  if (group < 0 || static_cast<std::size_t>(group) >= m_library.Groups().size()) return;
  const RecordingGroup& g = m_library.Groups()[static_cast<std::size_t>(group)];
  const std::string trip = m_library.GetRecordingPath(g.first) + "#" + std::to_string(g.count);
  if (force || trip != m_eventsTrip) {
    std::vector<TrackPart> parts;
    m_tripEvents.clear();
    m_tripEvents = FindGroupEvents(m_library, group, ReadEventSensitivity(CSettings::Instance()), parts);
    m_tripEventList = FlattenEvents(m_tripEvents);
    m_eventsTrip = trip;
    m_currentEvent = -1;
    std::vector<std::string> names;
    for (const TrackPart& part : parts) names.push_back(part.recording.name);
    m_eventList->SetTrip(m_tripEvents, names);
    m_eventsButton->SetCount(static_cast<int>(m_tripEventList.size()));
  }
  MarkRecordingEvents(index);
}

void TripEventsPresenter::MarkRecordingEvents(int32_t index) {
  std::vector<CGSensorCtrl::EventMark> curve;
  std::vector<CVideoSlider::Mark> slider;
  const uint32_t length = m_library.Recordings()[static_cast<std::size_t>(index)].summary.durationMs;
  for (const DrivingEvent& e : m_tripEventList) {
    if (e.recording != index) continue;
    curve.push_back({static_cast<double>(e.offsetMs), EventColor(e.type)});
    if (length > 0) slider.push_back({std::min(1.0, static_cast<double>(e.offsetMs) / length), EventColor(e.type)});
  }
  m_window.Ui().m_gsensor.SetEventMarks(std::move(curve));
  m_window.Ui().m_positionSlider.SetMarks(std::move(slider));
  MarkTripEventsOnMap();
}

// Sent again at every recording's start, as its track is: a reloaded page
// has lost them. The China map's page draws no marks.
void TripEventsPresenter::MarkTripEventsOnMap() {
  CHtmlMapDlg* map = m_window.MapDlg();
  if (!map || m_window.MapProvider() != 0) return;
  map->RunScript("event_marks_clear()");
  for (const DrivingEvent& e : m_tripEventList) {
    if (!e.hasPosition) continue;
    QString title = EventTypeText(e.type) + QStringLiteral(" %1 g").arg(e.peakG, 0, 'f', 2);
    title.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    map->RunScript("event_mark(" + FormatFixed6(e.latitude) + "," + FormatFixed6(e.longitude) + ",'" +
                   EventColor(e.type).name().toStdString() + "','" + title.toStdString() + "')");
  }
}

void TripEventsPresenter::OpenEventList() {
  m_eventList->show();
  m_eventList->raise();
  m_eventList->activateWindow();
}

void TripEventsPresenter::RelabelEvents() {
  m_eventList->Relabel();
  m_eventsButton->Relabel();
}

QString TripEventsPresenter::TripEventsLine(const std::vector<TrackPart>& parts, int32_t firstRecording) {
  const EventCounts counts =
      CountEvents(FindTripEvents(parts, firstRecording, ReadEventSensitivity(CSettings::Instance())));
  auto count = [&counts](DrivingEventType type) { return counts[static_cast<std::size_t>(type)]; };
  return QStringLiteral("\n") +
         QString::fromStdString(LoadText(kTripEventsText))
             .arg(count(DrivingEventType::HarshBraking))
             .arg(count(DrivingEventType::HarshAcceleration))
             .arg(count(DrivingEventType::HarshTurnLeft) + count(DrivingEventType::HarshTurnRight))
             .arg(count(DrivingEventType::Impact));
}

void TripEventsPresenter::PlayEvent(int step) {
  const auto count = static_cast<int>(m_tripEventList.size());
  if (count == 0) return;
  const int32_t current = m_library.CurrentRecording();
  const int64_t pending = m_playback.SeekTarget();
  const int64_t now = std::max<int64_t>(0, pending != 0 ? pending : m_playback.TimeMs());
  int target = -1;
  const DrivingEvent* last = m_currentEvent >= 0 && m_currentEvent < count
                                 ? &m_tripEventList[static_cast<std::size_t>(m_currentEvent)]
                                 : nullptr;
  if (last && last->recording == current && now >= int64_t(last->offsetMs) - kLeadMs - 1000 &&
      now <= int64_t(last->offsetMs) + kStillAtEventMs) {
    target = m_currentEvent + step;
  } else if (step > 0) {
    const auto it = std::find_if(m_tripEventList.begin(), m_tripEventList.end(), [&](const DrivingEvent& e) {
      return e.recording > current || (e.recording == current && int64_t(e.offsetMs) > now);
    });
    target = static_cast<int>(it - m_tripEventList.begin());
  } else {
    const auto it = std::find_if(m_tripEventList.rbegin(), m_tripEventList.rend(), [&](const DrivingEvent& e) {
      return e.recording < current || (e.recording == current && int64_t(e.offsetMs) < now - kLeadMs);
    });
    target = static_cast<int>(m_tripEventList.rend() - it) - 1;
  }
  if (target >= 0 && target < count) PlayEventAt(target);
}

void TripEventsPresenter::PlayEventAt(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_tripEventList.size()) return;
  m_currentEvent = index;
  m_eventList->SetCurrentEvent(index);
  const DrivingEvent& e = m_tripEventList[static_cast<std::size_t>(index)];
  const int64_t from = std::max<int64_t>(PlaybackPresenter::kFirstSeekableMs, int64_t(e.offsetMs) - kLeadMs);
  const CPlaybackController& player = m_playback;
  if (e.recording == m_library.CurrentRecording() && (player.IsPlaying() || player.IsPaused())) {
    if (!player.IsPlaying()) m_window.Ui().m_play.click();
    m_presenter.SeekTo(from);
    return;
  }
  m_eventSeekRecording = e.recording;
  m_eventSeekMs = from;
  const int32_t recording = e.recording;
  m_presenter.AfterPlaybackSteps([this, recording] { m_presenter.OnPlayFile(recording); });
}

void TripEventsPresenter::OnEventTime(int64_t) {
  if (m_eventSeekRecording < 0 || m_eventSeekRecording != m_library.CurrentRecording()) return;
  const int64_t target = m_eventSeekMs;
  m_eventSeekRecording = -1;
  m_eventSeekMs = -1;
  m_presenter.SeekTo(target);
}
