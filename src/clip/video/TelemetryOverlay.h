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

#include "clip/video/ClipTelemetry.h"
#include "settings/SpeedUnit.h"

class TelemetryOverlay {
 public:
  TelemetryOverlay(QSize frame, SpeedUnit unit, const std::vector<RoutePoint>& route);

  // The parts of the picture the overlay covers, on even lines and columns.
  std::vector<QRect> Areas() const;
  // Paints the overlay for `shown` onto `part`, which holds the picture's
  // pixels from `origin` on (the whole picture when `origin` is 0, 0).
  void Paint(QImage& part, QPoint origin, const FrameTelemetry& shown);

  // Where the speed figures are on a picture of `frame` size.
  static QRect SpeedArea(QSize frame);

 private:
  void PaintPanel(const FrameTelemetry& shown);
  void PaintRoute(int routeIndex);

  QSize m_frame;
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
