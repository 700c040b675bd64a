#pragma once
// The window's private messages. Each keeps its message number and travels as
// a QEvent of type QEvent::User + number, so 0xC01 arrives as event type 5097.
// "Sent" messages go through QCoreApplication::sendEvent (handled before the
// call returns), "posted" ones through QCoreApplication::postEvent (handled by
// the receiver's event loop). A receiver tests `event->type()` against
// PrivateEventType(WM_...) or casts with AsPrivateEvent() and reads wParam.
#include <QEvent>
#include <QtGlobal>

enum : int {
  WM_PLAYER_ERROR = 0xC01,
  WM_LANGUAGE_CHANGED = 0xC02,
  WM_RESERVED_C03 = 0xC03,
  WM_TOGGLE_FULLSCREEN = 0xC04,
  WM_SHOW_CONTROLS = 0xC05,
  WM_PLAYER_STATE = 0xC06,
  WM_PLAYER_TIME = 0xC07,
  WM_PLAYER_END = 0xC08,
  WM_PLAY_GROUP = 0xC09,
  WM_PLAY_FILE = 0xC0A,
  WM_MAP_PROVIDER_CHANGED = 0xC0B,
  WM_VOLUME_CHANGED = 0xC0C,
  WM_SEEK_REQUEST = 0xC0D,
};

constexpr int kFirstPrivateMessage = WM_PLAYER_ERROR;
constexpr int kLastPrivateMessage = WM_SEEK_REQUEST;

// Event type of a private message: QEvent::User + the message number.
constexpr QEvent::Type PrivateEventType(int message) {
  return static_cast<QEvent::Type>(QEvent::User + message);
}

// Reserves the thirteen event types with Qt's registry so that no other code
// asking QEvent::registerEventType() is handed one of them. Called by every
// sender; safe to call any number of times.
void RegisterPrivateEventTypes();

class CPrivateEvent : public QEvent {
 public:
  CPrivateEvent(int message, qintptr wParam, qintptr lParam = 0);

  int Message() const { return m_message; }
  qintptr WParam() const { return m_wParam; }
  qintptr LParam() const { return m_lParam; }

 private:
  int m_message;
  qintptr m_wParam;
  qintptr m_lParam;
};

// The event as a private message, or null when it is none.
const CPrivateEvent* AsPrivateEvent(const QEvent* event);

// Synchronous delivery to `receiver` (nothing when it is null); returns
// whether the receiver accepted the event.
bool SendPrivateMessage(QObject* receiver, int message, qintptr wParam = 0, qintptr lParam = 0);
// Queued delivery; the event loop of the receiver's thread delivers it. Safe
// to call from any thread.
void PostPrivateMessage(QObject* receiver, int message, qintptr wParam = 0, qintptr lParam = 0);
