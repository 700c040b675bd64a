#include "app/BusyGuard.h"

BusyGuard::BusyGuard() {
  m_timeout.setSingleShot(true);
  QObject::connect(&m_timeout, &QTimer::timeout, &m_timeout, [this] { Release(); });
}

void BusyGuard::Hold() {
  m_flag.store(1);
  m_timeout.start(kBusyGuardMs);
}
