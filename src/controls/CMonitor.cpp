#include "controls/CMonitor.h"

#include <QGuiApplication>
#include <QList>
#include <QScreen>
#include <QWidget>
#include <climits>
#include <cstdint>

CMonitor::CMonitor(const QWidget* window) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.isEmpty()) return;
  QList<QRect> rectangles;
  for (const QScreen* screen : screens) rectangles.push_back(screen->geometry());
  QRect area;
  if (window != nullptr) {
    const QWidget* top = window->window();
    area = QRect(top->mapToGlobal(QPoint(0, 0)), top->size());
  }
  const int index = Nearest(area, rectangles);
  m_monitor = index >= 0 ? screens[index] : QGuiApplication::primaryScreen();
}

QRect CMonitor::Rect() const { return m_monitor != nullptr ? m_monitor->geometry() : QRect(); }

int CMonitor::Nearest(const QRect& window, const QList<QRect>& monitors) {
  if (monitors.isEmpty()) return -1;
  int best = -1;
  int64_t bestOverlap = 0;
  for (int i = 0; i < monitors.size(); ++i) {
    const QRect overlap = monitors[i].intersected(window);
    const int64_t area = overlap.isEmpty() ? 0 : static_cast<int64_t>(overlap.width()) * overlap.height();
    if (area > bestOverlap) {
      bestOverlap = area;
      best = i;
    }
  }
  if (best >= 0) return best;
  // No overlap: the monitor whose rectangle is closest to the window's centre.
  const QPoint centre = window.isNull() ? QPoint(0, 0) : window.center();
  int64_t bestDistance = INT64_MAX;
  for (int i = 0; i < monitors.size(); ++i) {
    const QRect& m = monitors[i];
    const int64_t dx = centre.x() < m.left()    ? m.left() - centre.x()
                       : centre.x() > m.right() ? centre.x() - m.right()
                                                : 0;
    const int64_t dy = centre.y() < m.top()      ? m.top() - centre.y()
                       : centre.y() > m.bottom() ? centre.y() - m.bottom()
                                                 : 0;
    const int64_t distance = dx * dx + dy * dy;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}
