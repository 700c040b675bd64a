#pragma once
// The speed in glowing figures ("%3d"; readings of 5 km/h and less show 0)
// followed by the unit, in km/h or, converted, in mph. Without a reading only
// the dark background is painted.
#include <QString>
#include <QWidget>
#include <cstdint>

#include "settings/SpeedUnit.h"

class CSpeedLabelStatic : public QWidget {
  Q_OBJECT

 public:
  explicit CSpeedLabelStatic(QWidget* parent = nullptr, int controlId = 0);
  ~CSpeedLabelStatic() override;

  // `speed` is in km/h whatever the unit shown.
  int SetSpeed(bool valid, uint16_t speed);
  // The unit shown from now on; the reading is shown again in it at once.
  void SetUnit(SpeedUnit unit);
  SpeedUnit Unit() const { return m_speedUnit; }

  QString m_text;
  int32_t m_valid = 1;
  uint16_t m_speed = 0;
  QString m_unit;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void FormatSpeed();

  SpeedUnit m_speedUnit = SpeedUnit::Kph;
};

// The layered glow text of the speed label, at (x, y) with the given em size.
void DrawGlowText(const QString& text, QPainter& painter, int x, int y, int emSize);

// The figures ("%3d" of the displayed speed) and the unit's text the label shows.
QString SpeedFigures(uint16_t kmh, SpeedUnit unit);
QString SpeedUnitText(SpeedUnit unit);
// The label's painting: the dark background over `area`, then, with a
// reading, the figures and the unit placed from its top left corner at the
// label's own size (scale the painter for another size). The widget and the
// shareable clip's overlay both paint through it.
void PaintSpeedLabel(QPainter& painter, const QRect& area, bool valid, const QString& figures, const QString& unit);
