#pragma once
// WM_PLAYER_TIME as the media library's callback posts it: the time's low 32
// bits travel in wParam, as for every private message, and the slider
// position the callback computed and the number of the report span it was
// made in (see CTRKDlg::BeginNewTimeReports) each have a field of their own,
// so that no platform's width of wParam or lParam can lose either.
#include <cstdint>

#include "PrivateMessages.h"

class CTimeReportEvent final : public CPrivateEvent {
 public:
  CTimeReportEvent(uint32_t timeLow, int32_t sliderPosition, uint32_t span);

  uint32_t TimeLow() const { return m_timeLow; }
  int32_t SliderPosition() const { return m_sliderPosition; }
  uint32_t Span() const { return m_span; }

  // The message as a time report, or null when it carries none.
  static const CTimeReportEvent* From(const CPrivateEvent& message);

 private:
  uint32_t m_timeLow;
  int32_t m_sliderPosition;
  uint32_t m_span;
};

// Queued delivery to `receiver`, from any thread.
void PostTimeReport(QObject* receiver, uint32_t timeLow, int32_t sliderPosition, uint32_t span);
