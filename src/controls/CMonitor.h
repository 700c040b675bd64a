#pragma once
// The display monitor that holds most of a window, or the one nearest to it
// when the window lies on none. The window-size, cover-the-monitor and
// full-screen code takes the monitor's whole rectangle from here.
#include <QRect>

class QScreen;
class QWidget;

class CMonitor {
 public:
  explicit CMonitor(const QWidget* window);
  virtual ~CMonitor() = default;

  // The monitor's rectangle in virtual-desktop coordinates (empty: no monitor).
  QRect Rect() const;

  QScreen* m_monitor = nullptr;

  // The monitor for a window rectangle among monitor rectangles: the one with
  // the largest overlap, else the nearest; -1 for an empty list.
  static int Nearest(const QRect& window, const QList<QRect>& monitors);
};
