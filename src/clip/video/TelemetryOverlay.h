#pragma once
// The telemetry drawn on the shareable clip's pictures: the speed label and
// compass of the window, the camera's time, the position, a G-force bar and
// the route with the current position. Drawn without a display; the panels
// are painted again only when the records behind them change.
#include <QImage>
#include <QPoint>
#include <QPolygonF>
#include <QRect>
#include <QSize>
#include <vector>

#include "ClipTelemetry.h"
#include "SpeedUnit.h"

class TelemetryOverlay {
 public:
  TelemetryOverlay(QSize frame, SpeedUnit unit, const std::vector<RoutePoint>& route);

  // Paints the overlay for `shown` onto `frame` (a picture of the frame size).
  void Paint(QImage& frame, const FrameTelemetry& shown);

  // Where the speed figures are on a picture of `frame` size.
  static QRect SpeedArea(QSize frame);

 private:
  void PaintPanel(const FrameTelemetry& shown);
  void PaintRoute(int routeIndex);

  double m_scale = 1.0;
  SpeedUnit m_unit = SpeedUnit::Kph;
  std::vector<QImage> m_compass;  // the window's eight compass pictures, when present
  QPolygonF m_routeLine;          // the route in the route panel's own coordinates
  QImage m_panel;
  QPoint m_panelAt;
  QImage m_route;
  QPoint m_routeAt;
  bool m_painted = false;
  int64_t m_shownGps = -2;
  int64_t m_shownGsensor = -2;
  int64_t m_shownClock = -1;
  int m_shownRoute = -2;
};
