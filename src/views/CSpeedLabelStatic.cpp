#include "views/CSpeedLabelStatic.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

#include "controls/ControlId.h"
#include "controls/GlowText.h"
#include "controls/TrkFonts.h"

namespace {

const GlowLayers& SpeedGlow() {
  static const GlowLayers layers = [] {
    GlowLayers glow;
    glow.outline = QColor(215, 215, 215, 155);
    glow.outlineWidth = 3.0;
    glow.halo = QColor(160, 80, 2, 80);
    glow.haloCount = 8;
    glow.fill = {QPointF(0, 0), QPointF(0, 90), QColor(190, 220, 24, 200), QColor(195, 120, 0, 255)};
    glow.gloss = {QPointF(0, 10), QPointF(0, 40), QColor(255, 188, 0, 255), QColor(255, 1, 1, 150)};
    return glow;
  }();
  return layers;
}

}  // namespace

QString SpeedUnitText(SpeedUnit unit) {
  return unit == SpeedUnit::Mph ? QStringLiteral("mph") : QStringLiteral("Km/h");
}

QString SpeedFigures(uint16_t kmh, SpeedUnit unit) {
  char text[16];
  std::snprintf(text, sizeof text, "%3d", static_cast<int>(DisplayedSpeed(kmh, unit)));
  return QString::fromLatin1(text);
}

void PaintSpeedLabel(QPainter& painter, const QRect& area, bool valid, const QString& figures, const QString& unit) {
  painter.fillRect(area, QColor(64, 64, 64, 255));
  if (!valid) return;
  DrawGlowText(figures, painter, area.left(), area.top() + 10, 20);
  DrawGlowText(unit, painter, area.left() + 40, area.top() + 18, 12);
}

void DrawGlowText(const QString& text, QPainter& painter, int x, int y, int emSize) {
  DrawGlowPath(painter, GlyphPath(text, ArialFont(emSize), x, y), SpeedGlow());
}

CSpeedLabelStatic::CSpeedLabelStatic(QWidget* parent, int controlId) : QWidget(parent) {
  if (controlId != 0) SetControlId(this, controlId);
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  m_unit = SpeedUnitText(m_speedUnit);
  FormatSpeed();
}

CSpeedLabelStatic::~CSpeedLabelStatic() = default;

void CSpeedLabelStatic::FormatSpeed() { m_text = SpeedFigures(m_speed, m_speedUnit); }

void CSpeedLabelStatic::SetUnit(SpeedUnit unit) {
  m_speedUnit = unit;
  m_unit = SpeedUnitText(unit);
  FormatSpeed();
  update();
}

int CSpeedLabelStatic::SetSpeed(bool valid, uint16_t speed) {
  const QString shownText = m_text;
  const QString shownUnit = m_unit;
  const int32_t shownValid = m_valid;
  m_speed = speed;
  m_valid = valid ? 1 : 0;
  m_unit = SpeedUnitText(m_speedUnit);
  FormatSpeed();
  // Every time report sets the speed; the glow text is redrawn only when the
  // figures change.
  if (m_text != shownText || m_unit != shownUnit || m_valid != shownValid) update();
  return 1;
}

void CSpeedLabelStatic::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintSpeedLabel(painter, rect(), m_valid != 0, m_text, m_unit);
}

void CSpeedLabelStatic::mousePressEvent(QMouseEvent* event) { event->accept(); }

void CSpeedLabelStatic::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void CSpeedLabelStatic::mouseDoubleClickEvent(QMouseEvent* event) {
  // Shows the reading again in the chosen unit.
  m_unit = SpeedUnitText(m_speedUnit);
  FormatSpeed();
  update();
  event->accept();
}
