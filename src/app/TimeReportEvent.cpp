#include "TimeReportEvent.h"

#include <QCoreApplication>
#include <memory>

CTimeReportEvent::CTimeReportEvent(uint32_t timeLow, int32_t sliderPosition, uint32_t span)
    : CPrivateEvent(WM_PLAYER_TIME, static_cast<qintptr>(timeLow), 0),
      m_timeLow(timeLow),
      m_sliderPosition(sliderPosition),
      m_span(span) {}

const CTimeReportEvent* CTimeReportEvent::From(const CPrivateEvent& message) {
  return message.Message() == WM_PLAYER_TIME ? dynamic_cast<const CTimeReportEvent*>(&message) : nullptr;
}

void PostTimeReport(QObject* receiver, uint32_t timeLow, int32_t sliderPosition, uint32_t span) {
  if (receiver == nullptr) return;
  RegisterPrivateEventTypes();
  // postEvent takes ownership of the event.
  auto event = std::make_unique<CTimeReportEvent>(timeLow, sliderPosition, span);
  QCoreApplication::postEvent(receiver, event.release());
}
