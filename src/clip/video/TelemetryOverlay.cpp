#include "clip/video/TelemetryOverlay.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "controls/CGdiPlusBitmapResource.h"
#include "views/CPngCompassStatic.h"
#include "views/CSpeedLabelStatic.h"
#include "controls/TrkFonts.h"

namespace {

// The panels are laid out for a 720-line picture and scaled to the frame.
constexpr int kReferenceLines = 720;
constexpr int kMargin = 16;
constexpr QSize kPanel(430, 150);
constexpr QRect kSpeedLabel(10, 10, 90, 32);  // the window's label size, painted twice as large
constexpr int kSpeedZoom = 2;
constexpr QRect kCompass(200, 8, 64, 64);
constexpr QRect kGBar(280, 48, 140, 54);
constexpr int kRouteSide = 200;
constexpr int kRouteInset = 10;
constexpr double kGBarReach = 2.0;  // g at either end of a bar
constexpr uint32_t kFirstCompassPicture = 167;
constexpr uint32_t kCompassPictures = 8;
const QColor kPanelBackground(0, 0, 0, 150);
// The curve's colours of the three axes.
const QColor kAxisColors[3] = {QColor(255, 255, 0), QColor(60, 255, 60), QColor(255, 60, 60)};

const char* CompassPoint(int heading) {
  static const char* const kPoints[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
  const int sector = ((heading % 360 + 360) % 360 * 2 + 45) / 90 % 8;
  return kPoints[sector];
}

QString ClockText(int64_t clock) {
  if (clock == 0) return QStringLiteral("----/--/-- --:--:--");
  // The camera's clock is local civil time; the recording's start was read as such.
  const std::time_t time = static_cast<std::time_t>(clock);
  std::tm fields{};
  if (localtime_r(&time, &fields) == nullptr) return QString();
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &fields);
  return QString::fromLatin1(text);
}

}  // namespace

TelemetryOverlay::TelemetryOverlay(QSize frame, SpeedUnit unit, const std::vector<RoutePoint>& route)
    : m_frame(frame), m_scale(static_cast<double>(frame.height()) / kReferenceLines), m_unit(unit) {
  for (uint32_t id = kFirstCompassPicture; id < kFirstCompassPicture + kCompassPictures; ++id) {
    CGdiPlusBitmapResource picture;
    if (!picture.Load(id, "PNG")) break;
    m_compass.push_back(*picture.Bitmap());
  }
  const auto side = static_cast<int>(std::lround(kRouteSide * m_scale));
  m_panel = QImage(QSize(static_cast<int>(kPanel.width() * m_scale), static_cast<int>(kPanel.height() * m_scale)),
                   QImage::Format_ARGB32_Premultiplied);
  const int margin = static_cast<int>(std::lround(kMargin * m_scale));
  m_panelAt = QPoint(margin, frame.height() - margin - m_panel.height());
  m_route = QImage(QSize(side, side), QImage::Format_ARGB32_Premultiplied);
  m_routeAt = QPoint(frame.width() - margin - side, frame.height() - margin - side);

  // An equirectangular projection is true enough over a drive's few kilometres.
  if (route.empty()) return;
  double south = route[0].latitude, north = south, west = route[0].longitude, east = west;
  for (const RoutePoint& point : route) {
    south = std::min(south, point.latitude);
    north = std::max(north, point.latitude);
    west = std::min(west, point.longitude);
    east = std::max(east, point.longitude);
  }
  const double squeeze = std::cos((south + north) / 2.0 * M_PI / 180.0);
  const double width = std::max((east - west) * squeeze, 1e-9);
  const double height = std::max(north - south, 1e-9);
  const double inner = side - 2.0 * kRouteInset * m_scale;
  const double unitsPerDegree = inner / std::max(width, height);
  const double left = (side - width * unitsPerDegree) / 2.0;
  const double top = (side - height * unitsPerDegree) / 2.0;
  for (const RoutePoint& point : route)
    m_routeLine << QPointF(left + (point.longitude - west) * squeeze * unitsPerDegree,
                           top + (north - point.latitude) * unitsPerDegree);
}

QRect TelemetryOverlay::SpeedArea(QSize frame) {
  const double scale = static_cast<double>(frame.height()) / kReferenceLines;
  const int panelHeight = static_cast<int>(kPanel.height() * scale);
  const QPoint panel(static_cast<int>(std::lround(kMargin * scale)),
                     frame.height() - static_cast<int>(std::lround(kMargin * scale)) - panelHeight);
  const QPoint label(static_cast<int>(kSpeedLabel.left() * scale), static_cast<int>(kSpeedLabel.top() * scale));
  return QRect(panel + label, QSize(static_cast<int>(kSpeedLabel.width() * kSpeedZoom * scale),
                                    static_cast<int>(kSpeedLabel.height() * kSpeedZoom * scale)));
}

void TelemetryOverlay::PaintPanel(const FrameTelemetry& shown) {
  m_panel.fill(Qt::transparent);
  QPainter painter(&m_panel);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.scale(m_scale, m_scale);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kPanelBackground);
  painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(kPanel)), 8, 8);

  painter.save();
  painter.translate(kSpeedLabel.topLeft());
  painter.scale(kSpeedZoom, kSpeedZoom);
  PaintSpeedLabel(painter, QRect(QPoint(0, 0), kSpeedLabel.size()), shown.fix, SpeedFigures(shown.speed, m_unit),
                  SpeedUnitText(m_unit));
  painter.restore();

  if (!m_compass.empty()) {
    const auto pictures = static_cast<int32_t>(m_compass.size());
    const int32_t picture = shown.fix ? CPngCompassStatic::PictureForHeading(shown.heading, pictures) : 1;
    PaintCompassPicture(painter, kCompass, m_compass[static_cast<std::size_t>(picture - 1)], !shown.fix);
  }

  painter.setPen(Qt::white);
  painter.setFont(ArialFont(18, QFont::Bold));
  char text[64];
  if (shown.fix)
    std::snprintf(text, sizeof text, "%s %03d\xC2\xB0", CompassPoint(shown.heading), shown.heading);
  else
    std::snprintf(text, sizeof text, "---");
  painter.drawText(QPointF(kGBar.left(), 32), QString::fromUtf8(text));
  painter.drawText(QPointF(10, 108), ClockText(shown.clock));
  if (shown.fix)
    std::snprintf(text, sizeof text, "%.5f  %.5f", shown.latitude, shown.longitude);
  else
    std::snprintf(text, sizeof text, "no position");
  painter.drawText(QPointF(10, 136), QString::fromLatin1(text));

  // One bar per axis from the middle, as far as the reading goes.
  const double rowHeight = kGBar.height() / 3.0;
  const double middle = kGBar.left() + kGBar.width() / 2.0;
  painter.setPen(Qt::NoPen);
  for (int axis = 0; axis < 3; ++axis) {
    const double g = std::clamp(shown.g[axis], -kGBarReach, kGBarReach);
    const double top = kGBar.top() + axis * rowHeight + 2;
    painter.setBrush(QColor(90, 90, 90, 200));
    painter.drawRect(QRectF(kGBar.left(), top, kGBar.width(), rowHeight - 4));
    painter.setBrush(kAxisColors[axis]);
    const double reach = g / kGBarReach * kGBar.width() / 2.0;
    painter.drawRect(QRectF(std::min(middle, middle + reach), top, std::abs(reach), rowHeight - 4));
  }
  painter.setPen(Qt::white);
  painter.drawLine(QPointF(middle, kGBar.top()), QPointF(middle, kGBar.bottom()));
}

void TelemetryOverlay::PaintRoute(int routeIndex) {
  m_route.fill(Qt::transparent);
  QPainter painter(&m_route);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kPanelBackground);
  painter.drawRoundedRect(QRectF(m_route.rect()), 8 * m_scale, 8 * m_scale);
  if (m_routeLine.isEmpty()) return;
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(230, 230, 230), 2.0 * m_scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPolyline(m_routeLine);
  if (routeIndex < 0) return;
  const int driven = std::min(routeIndex + 1, static_cast<int>(m_routeLine.size()));
  painter.setPen(QPen(QColor(255, 140, 0), 3.0 * m_scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPolyline(m_routeLine.constData(), driven);
  painter.setPen(QPen(Qt::white, 1.5 * m_scale));
  painter.setBrush(QColor(230, 0, 0));
  painter.drawEllipse(m_routeLine[driven - 1], 6.0 * m_scale, 6.0 * m_scale);
}

std::vector<QRect> TelemetryOverlay::Areas() const {
  std::vector<QRect> areas;
  const QRect frame(QPoint(0, 0), m_frame);
  for (const QRect panel : {QRect(m_panelAt, m_panel.size()), QRect(m_routeAt, m_route.size())}) {
    const QRect inside = panel.intersected(frame);
    if (inside.isEmpty()) continue;
    const int left = inside.left() & ~1;
    const int top = inside.top() & ~1;
    const QRect area(left, top, (inside.right() - left + 2) & ~1, (inside.bottom() - top + 2) & ~1);
    if (frame.contains(area)) areas.push_back(area);
  }
  return areas;
}

void TelemetryOverlay::Paint(QImage& part, QPoint origin, const FrameTelemetry& shown) {
  if (!m_painted || shown.gpsIndex != m_shownGps || shown.gsensorIndex != m_shownGsensor ||
      shown.clock != m_shownClock) {
    PaintPanel(shown);
    m_shownGps = shown.gpsIndex;
    m_shownGsensor = shown.gsensorIndex;
    m_shownClock = shown.clock;
  }
  if (!m_painted || shown.routeIndex != m_shownRoute) {
    PaintRoute(shown.routeIndex);
    m_shownRoute = shown.routeIndex;
  }
  m_painted = true;
  QPainter painter(&part);
  painter.drawImage(m_panelAt - origin, m_panel);
  painter.drawImage(m_routeAt - origin, m_route);
}
