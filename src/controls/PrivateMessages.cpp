#include "PrivateMessages.h"

#include <QCoreApplication>
#include <memory>
#include <mutex>

void RegisterPrivateEventTypes() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int message = kFirstPrivateMessage; message <= kLastPrivateMessage; ++message) {
      QEvent::registerEventType(PrivateEventType(message));
    }
  });
}

CPrivateEvent::CPrivateEvent(int message, qintptr wParam, qintptr lParam)
    : QEvent(PrivateEventType(message)), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

const CPrivateEvent* AsPrivateEvent(const QEvent* event) {
  if (event == nullptr) return nullptr;
  const int type = static_cast<int>(event->type());
  if (type < PrivateEventType(kFirstPrivateMessage) || type > PrivateEventType(kLastPrivateMessage)) {
    return nullptr;
  }
  return dynamic_cast<const CPrivateEvent*>(event);
}

bool SendPrivateMessage(QObject* receiver, int message, qintptr wParam, qintptr lParam) {
  if (receiver == nullptr) return false;
  RegisterPrivateEventTypes();
  CPrivateEvent event(message, wParam, lParam);
  return QCoreApplication::sendEvent(receiver, &event);
}

void PostPrivateMessage(QObject* receiver, int message, qintptr wParam, qintptr lParam) {
  if (receiver == nullptr) return;
  RegisterPrivateEventTypes();
  // postEvent takes ownership of the event.
  auto event = std::make_unique<CPrivateEvent>(message, wParam, lParam);
  QCoreApplication::postEvent(receiver, event.release());
}
