// The compass roses (eight headings) and the GPS icon (a satellite dish).
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include "Pictures.h"
#include "Skin.h"

namespace {

QPainterPath Triangle(const QPointF& a, const QPointF& b, const QPointF& c) {
  QPainterPath path;
  path.moveTo(a);
  path.lineTo(b);
  path.lineTo(c);
  path.closeSubpath();
  return path;
}

// Picture k shows north turned (k - 1) x 45 degrees clockwise from the top.
QImage Compass(int k) {
  constexpr int kSide = 48;
  const QPointF centre(24, 24);
  QImage image = skin::Canvas(kSide, kSide);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);

  // Bezel and face stay upright; only the rose turns.
  QPainterPath bezel;
  bezel.addEllipse(centre, 23.3, 23.3);
  QLinearGradient metal(0, 0, 0, kSide);
  metal.setColorAt(0.0, QColor(190, 194, 200));
  metal.setColorAt(0.5, QColor(80, 82, 88));
  metal.setColorAt(1.0, QColor(20, 20, 22));
  painter.fillPath(bezel, metal);
  QPainterPath face;
  face.addEllipse(centre, 21.2, 21.2);
  QRadialGradient dial(centre + QPointF(0, -6), 26);
  dial.setColorAt(0.0, QColor(58, 62, 70));
  dial.setColorAt(1.0, QColor(14, 15, 18));
  painter.fillPath(face, dial);

  painter.save();
  painter.translate(centre);
  painter.rotate((k - 1) * 45.0);

  // Ring of ticks: long at the four cardinal points, short between.
  for (int tick = 0; tick < 16; ++tick) {
    if (tick == 0) continue;  // the N takes the top place
    const bool cardinal = tick % 4 == 0;
    painter.save();
    painter.rotate(tick * 22.5);
    painter.setPen(QPen(cardinal ? QColor(235, 235, 235) : QColor(150, 155, 160), cardinal ? 1.6 : 1.0,
                        Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, -20), QPointF(0, cardinal ? -16.5 : -18));
    painter.restore();
  }

  // The rose: diagonal points short and dim, cardinal points long, two-tone.
  for (int point = 0; point < 4; ++point) {
    painter.save();
    painter.rotate(45.0 + point * 90.0);
    painter.fillPath(Triangle(QPointF(0, -9), QPointF(-2.4, 0), QPointF(0, 0)), QColor(120, 124, 132));
    painter.fillPath(Triangle(QPointF(0, -9), QPointF(2.4, 0), QPointF(0, 0)), QColor(70, 73, 80));
    painter.restore();
  }
  for (int point = 1; point < 4; ++point) {
    painter.save();
    painter.rotate(point * 90.0);
    painter.fillPath(Triangle(QPointF(0, -14.5), QPointF(-3.6, 0), QPointF(0, 0)), QColor(235, 238, 242));
    painter.fillPath(Triangle(QPointF(0, -14.5), QPointF(3.6, 0), QPointF(0, 0)), QColor(160, 166, 176));
    painter.restore();
  }
  // North: red with a lit and a shaded half.
  painter.fillPath(Triangle(QPointF(0, -15.5), QPointF(-4.2, 0), QPointF(0, 0)), QColor(255, 70, 50));
  painter.fillPath(Triangle(QPointF(0, -15.5), QPointF(4.2, 0), QPointF(0, 0)), QColor(185, 20, 15));
  QPainterPath hub;
  hub.addEllipse(QPointF(0, 0), 2.3, 2.3);
  painter.fillPath(hub, QColor(220, 222, 226));
  painter.setPen(QPen(QColor(40, 40, 44), 0.8));
  painter.drawPath(hub);

  // The N letter at the top of the ring.
  QFont font = skin::BoldFont(8);
  QPainterPath letter = skin::CentredText(QStringLiteral("N"), font, QPointF(0, -18.0));
  painter.fillPath(letter, QColor(255, 95, 70));
  painter.restore();

  // Glass: a gloss over the upper half of the face.
  painter.setClipPath(face);
  QPainterPath gloss;
  gloss.addEllipse(QRectF(4, -14, 40, 36));
  QLinearGradient shine(0, 0, 0, 22);
  shine.setColorAt(0.0, QColor(255, 255, 255, 70));
  shine.setColorAt(1.0, QColor(255, 255, 255, 6));
  painter.fillPath(gloss, shine);
  return image;
}

QImage SatelliteDish() {
  QImage image = skin::Canvas(32, 32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);

  // Stand and foot.
  QPainterPath stand;
  stand.moveTo(12.5, 19);
  stand.lineTo(10, 27);
  stand.lineTo(17, 27);
  stand.closeSubpath();
  QLinearGradient steel(0, 18, 0, 29);
  steel.setColorAt(0.0, QColor(170, 175, 182));
  steel.setColorAt(1.0, QColor(70, 72, 78));
  painter.fillPath(stand, steel);
  QPainterPath foot;
  foot.addRoundedRect(QRectF(6, 26.5, 15, 3.2), 1.5, 1.5);
  painter.fillPath(foot, steel);

  // The dish: a bowl seen from the side and a little from the front, tipped
  // towards the upper right.
  painter.save();
  painter.translate(12.5, 17);
  painter.rotate(38);
  QPainterPath bowl;
  bowl.moveTo(-11, 0);
  bowl.cubicTo(-9, 8.5, 9, 8.5, 11, 0);
  bowl.cubicTo(9, 2.6, -9, 2.6, -11, 0);
  QLinearGradient outside(0, 0, 0, 8);
  outside.setColorAt(0.0, QColor(245, 247, 250));
  outside.setColorAt(1.0, QColor(130, 138, 150));
  painter.fillPath(bowl, outside);
  QPainterPath rim;
  rim.addEllipse(QPointF(0, 0), 11, 2.6);
  QLinearGradient inside(0, -2.6, 0, 2.6);
  inside.setColorAt(0.0, QColor(150, 160, 175));
  inside.setColorAt(1.0, QColor(225, 230, 238));
  painter.fillPath(rim, inside);
  painter.setPen(QPen(QColor(60, 64, 72), 0.7));
  painter.drawPath(rim);
  // Feed arm to the receiver at the focus.
  painter.setPen(QPen(QColor(200, 204, 210), 1.3, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(0, 0.5), QPointF(0, -8));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 200, 60));
  painter.drawEllipse(QPointF(0, -8.8), 1.9, 1.9);
  painter.restore();

  // Signal waves coming in from the upper right: bright green when in colour.
  painter.setBrush(Qt::NoBrush);
  const QPointF focus(18.0, 10.0);
  for (int wave = 0; wave < 3; ++wave) {
    const qreal radius = 3.6 + wave * 2.9;
    QPainterPath arc;
    arc.arcMoveTo(QRectF(focus.x() - radius, focus.y() - radius, 2 * radius, 2 * radius), 80);
    arc.arcTo(QRectF(focus.x() - radius, focus.y() - radius, 2 * radius, 2 * radius), 80, -85);
    painter.strokePath(arc, QPen(QColor(60, 255, 120, 70), 3.0, Qt::SolidLine, Qt::RoundCap));
    painter.strokePath(arc, QPen(QColor(90, 255, 140), 1.4, Qt::SolidLine, Qt::RoundCap));
  }
  return image;
}

}  // namespace

void AddInstrumentPictures(std::vector<PictureEntry>& pictures) {
  for (int k = 1; k <= 8; ++k) {
    pictures.push_back({QStringLiteral("%1.png").arg(166 + k), [k] { return Compass(k); }});
  }
  pictures.push_back({QStringLiteral("150.png"), SatelliteDish});
}
