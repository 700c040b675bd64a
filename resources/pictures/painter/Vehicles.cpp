// The car in side view (64 x 64 for the title row, 128 x 128 for the about
// page), the map marker (the same car from the front, 32 x 24) and the
// program icon (a dash camera over a road).
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include "Pictures.h"
#include "Skin.h"

namespace {

const QColor kPaintLight(255, 120, 95);
const QColor kPaint(215, 32, 26);
const QColor kPaintDark(105, 8, 10);

QPainterPath Circle(const QPointF& centre, qreal radius) {
  QPainterPath path;
  path.addEllipse(centre, radius, radius);
  return path;
}

void Wheel(QPainter& painter, const QPointF& centre) {
  painter.fillPath(Circle(centre, 12.5), QColor(22, 22, 25));
  QRadialGradient rim(centre + QPointF(-2, -3), 9);
  rim.setColorAt(0.0, QColor(245, 246, 248));
  rim.setColorAt(0.7, QColor(150, 155, 162));
  rim.setColorAt(1.0, QColor(70, 72, 78));
  painter.fillPath(Circle(centre, 7.8), rim);
  painter.save();
  painter.translate(centre);
  painter.setPen(QPen(QColor(60, 62, 68), 1.6, Qt::SolidLine, Qt::RoundCap));
  for (int spoke = 0; spoke < 5; ++spoke) {
    painter.drawLine(QPointF(0, 0), QPointF(6.4 * std::sin(spoke * 2 * M_PI / 5), -6.4 * std::cos(spoke * 2 * M_PI / 5)));
  }
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(200, 202, 206));
  painter.drawEllipse(QPointF(0, 0), 2.0, 2.0);
  painter.restore();
}

}  // namespace

// Side view on a 128 x 128 grid, facing right.
void PaintSideCar(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QPointF rearWheel(33, 86);
  const QPointF frontWheel(97, 86);

  QRadialGradient shadow(QPointF(64, 99), 60);
  shadow.setColorAt(0.0, QColor(0, 0, 0, 120));
  shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
  painter.save();
  painter.scale(1.0, 0.12);
  painter.fillRect(QRectF(0, 99 / 0.12 - 60, 128, 120), shadow);
  painter.restore();

  QPainterPath body;
  body.moveTo(9, 86);
  body.cubicTo(6, 80, 7, 72, 10, 66);
  body.cubicTo(14, 61, 22, 59, 31, 58);
  body.cubicTo(37, 50, 43, 44, 52, 42);
  body.cubicTo(62, 40.5, 72, 40.5, 79, 43);
  body.cubicTo(85, 46, 90, 52, 95, 57);
  body.cubicTo(105, 59, 114, 61, 118, 65);
  body.cubicTo(122, 69, 123, 77, 121, 84);
  body.cubicTo(120, 87, 117, 88, 113, 88);
  body.lineTo(15, 88);
  body.cubicTo(12, 88, 10, 87.5, 9, 86);
  body = body.subtracted(Circle(rearWheel, 15)).subtracted(Circle(frontWheel, 15));

  QLinearGradient paint(0, 40, 0, 90);
  paint.setColorAt(0.0, kPaintLight);
  paint.setColorAt(0.38, kPaint);
  paint.setColorAt(0.62, QColor(190, 22, 20));
  paint.setColorAt(1.0, kPaintDark);
  painter.fillPath(body, paint);

  // Shoulder highlight along the side.
  painter.save();
  painter.setClipPath(body);
  QLinearGradient shoulder(0, 60, 0, 72);
  shoulder.setColorAt(0.0, QColor(255, 255, 255, 0));
  shoulder.setColorAt(0.45, QColor(255, 230, 220, 120));
  shoulder.setColorAt(1.0, QColor(255, 255, 255, 0));
  painter.fillRect(QRectF(0, 60, 128, 12), shoulder);
  // A lower crease in shadow.
  painter.setPen(QPen(QColor(90, 5, 8, 160), 1.2));
  painter.drawLine(QPointF(20, 78), QPointF(112, 78));
  painter.restore();

  // Windows with a sky reflection, split by the door pillar.
  QPainterPath glass;
  glass.moveTo(35, 58.5);
  glass.cubicTo(40, 51, 45, 46.5, 53, 45.5);
  glass.cubicTo(62, 44.5, 71, 44.5, 77, 46.5);
  glass.cubicTo(82, 49, 86, 53, 89.5, 58.5);
  glass.closeSubpath();
  QLinearGradient sky(0, 44, 0, 59);
  sky.setColorAt(0.0, QColor(150, 190, 225));
  sky.setColorAt(0.45, QColor(50, 70, 95));
  sky.setColorAt(1.0, QColor(18, 24, 34));
  painter.fillPath(glass, sky);
  painter.fillRect(QRectF(63, 44, 2.6, 15), QColor(30, 10, 12));
  painter.setPen(QPen(QColor(40, 10, 12), 1.0));
  painter.drawPath(glass);

  // Door line and handle.
  painter.setPen(QPen(QColor(95, 8, 10, 200), 1.0));
  painter.drawLine(QPointF(64.3, 59), QPointF(66, 84));
  painter.fillRect(QRectF(70, 63.5, 6, 1.6), QColor(250, 200, 190));
  painter.fillRect(QRectF(50, 63.5, 6, 1.6), QColor(250, 200, 190));

  // Lights: head light at the nose, tail light at the back.
  QPainterPath head;
  head.moveTo(112, 65.5);
  head.cubicTo(116, 66, 119, 67.5, 120.5, 70);
  head.lineTo(113, 70);
  head.closeSubpath();
  painter.fillPath(head, QColor(255, 248, 210));
  painter.fillPath(Circle(QPointF(117.5, 68.5), 5), QColor(255, 245, 200, 60));
  QPainterPath tail;
  tail.addRoundedRect(QRectF(8.2, 66, 5, 6), 1.5, 1.5);
  painter.fillPath(tail, QColor(255, 60, 40));

  Wheel(painter, rearWheel);
  Wheel(painter, frontWheel);
}

namespace {

QImage SideCar(int side) {
  QImage image = skin::Canvas(side, side);
  QPainter painter(&image);
  painter.scale(side / 128.0, side / 128.0);
  PaintSideCar(painter);
  return image;
}

// The car from the front, for the map: legible on a light map and a dark one.
QImage MapMarker() {
  QImage image = skin::Canvas(32, 24);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QColor outline(40, 6, 8, 230);

  QPainterPath wheels;
  wheels.addRoundedRect(QRectF(3, 16.5, 5.5, 6.8), 1.6, 1.6);
  wheels.addRoundedRect(QRectF(23.5, 16.5, 5.5, 6.8), 1.6, 1.6);
  painter.fillPath(wheels, QColor(20, 20, 22));

  QPainterPath cabin;
  cabin.moveTo(8.2, 2.3);
  cabin.lineTo(23.8, 2.3);
  cabin.cubicTo(25, 2.3, 25.6, 3, 26, 4);
  cabin.lineTo(28.5, 11);
  cabin.lineTo(3.5, 11);
  cabin.lineTo(6, 4);
  cabin.cubicTo(6.4, 3, 7, 2.3, 8.2, 2.3);
  QPainterPath lower;
  lower.addRoundedRect(QRectF(1.2, 10, 29.6, 9.6), 3.2, 3.2);
  QPainterPath mirrors;
  mirrors.addEllipse(QPointF(2.6, 9.3), 2.0, 1.3);
  mirrors.addEllipse(QPointF(29.4, 9.3), 2.0, 1.3);
  const QPainterPath body = cabin.united(lower).united(mirrors);
  QLinearGradient paint(0, 2, 0, 20);
  paint.setColorAt(0.0, kPaintLight);
  paint.setColorAt(0.5, kPaint);
  paint.setColorAt(1.0, kPaintDark);
  painter.fillPath(body, paint);
  painter.setPen(QPen(outline, 0.9));
  painter.drawPath(body);

  QPainterPath windshield;
  windshield.moveTo(9, 3.8);
  windshield.lineTo(23, 3.8);
  windshield.lineTo(25.7, 10.2);
  windshield.lineTo(6.3, 10.2);
  windshield.closeSubpath();
  QLinearGradient glass(0, 4, 0, 10);
  glass.setColorAt(0.0, QColor(160, 200, 235));
  glass.setColorAt(0.5, QColor(45, 65, 95));
  glass.setColorAt(1.0, QColor(15, 20, 30));
  painter.fillPath(windshield, glass);

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 250, 215));
  painter.drawEllipse(QRectF(3.2, 12.2, 6.2, 3.6));
  painter.drawEllipse(QRectF(22.6, 12.2, 6.2, 3.6));
  painter.setBrush(QColor(30, 20, 22));
  painter.drawRoundedRect(QRectF(11, 12.6, 10, 3.4), 1.2, 1.2);
  painter.setBrush(QColor(240, 240, 240));
  painter.drawRect(QRectF(13.5, 17, 5, 1.8));
  return image;
}

// The program icon: a dash camera with a large lens above a road.
QImage ProgramIcon() {
  constexpr int kSide = 256;
  QImage image = skin::Canvas(kSide, kSide);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);

  QPainterPath tile;
  tile.addRoundedRect(QRectF(8, 8, 240, 240), 52, 52);
  QLinearGradient night(0, 8, 0, 248);
  night.setColorAt(0.0, QColor(44, 58, 82));
  night.setColorAt(0.55, QColor(20, 24, 34));
  night.setColorAt(1.0, QColor(10, 11, 15));
  painter.fillPath(tile, night);

  // The road into the distance.
  painter.save();
  painter.setClipPath(tile);
  QPainterPath road;
  road.moveTo(118, 150);
  road.lineTo(138, 150);
  road.lineTo(230, 248);
  road.lineTo(26, 248);
  road.closeSubpath();
  QLinearGradient asphalt(0, 150, 0, 248);
  asphalt.setColorAt(0.0, QColor(60, 64, 72));
  asphalt.setColorAt(1.0, QColor(36, 38, 44));
  painter.fillPath(road, asphalt);
  for (int dash = 0; dash < 4; ++dash) {
    const qreal top = 160 + dash * dash * 8.0 + dash * 12.0;
    const qreal length = 6 + dash * 7.0;
    const qreal width = 2 + dash * 2.2;
    painter.fillRect(QRectF(128 - width / 2, top, width, length), QColor(255, 205, 60));
  }
  painter.restore();

  // Camera body.
  skin::RoundBody(painter, QRectF(34, 66, 188, 108), 30, QColor(70, 225, 255));
  QPainterPath mount;
  mount.addRoundedRect(QRectF(106, 44, 44, 26), 8, 8);
  QLinearGradient mountMetal(0, 44, 0, 70);
  mountMetal.setColorAt(0.0, QColor(120, 124, 132));
  mountMetal.setColorAt(1.0, QColor(30, 30, 34));
  painter.fillPath(mount, mountMetal);

  // Lens: metal ring, black barrel, blue glass with reflections.
  const QPointF lens(104, 120);
  QRadialGradient ring(lens + QPointF(-10, -14), 48);
  ring.setColorAt(0.0, QColor(230, 232, 236));
  ring.setColorAt(0.6, QColor(120, 124, 132));
  ring.setColorAt(1.0, QColor(40, 42, 46));
  painter.fillPath(Circle(lens, 42), ring);
  painter.fillPath(Circle(lens, 34), QColor(12, 12, 14));
  QRadialGradient glass(lens + QPointF(-6, -8), 30);
  glass.setColorAt(0.0, QColor(90, 170, 255));
  glass.setColorAt(0.45, QColor(30, 70, 150));
  glass.setColorAt(1.0, QColor(6, 10, 30));
  painter.fillPath(Circle(lens, 26), glass);
  painter.fillPath(Circle(lens, 9), QColor(4, 6, 14));
  painter.fillPath(Circle(lens + QPointF(-10, -10), 6), QColor(255, 255, 255, 170));
  painter.fillPath(Circle(lens + QPointF(9, 11), 3), QColor(255, 255, 255, 90));

  // Recording light and a small screen grille.
  QRadialGradient led(QPointF(190, 96), 14);
  led.setColorAt(0.0, QColor(255, 90, 70, 255));
  led.setColorAt(0.45, QColor(255, 40, 30, 160));
  led.setColorAt(1.0, QColor(255, 40, 30, 0));
  painter.fillPath(Circle(QPointF(190, 96), 14), led);
  painter.fillPath(Circle(QPointF(190, 96), 5.5), QColor(255, 70, 50));
  painter.fillPath(Circle(QPointF(188.5, 94.5), 1.8), QColor(255, 220, 210));
  for (int slot = 0; slot < 4; ++slot) {
    QPainterPath grille;
    grille.addRoundedRect(QRectF(168, 122 + slot * 9, 34, 4), 2, 2);
    painter.fillPath(grille, QColor(16, 16, 18));
  }
  return image;
}

}  // namespace

void AddVehiclePictures(std::vector<PictureEntry>& pictures) {
  pictures.push_back({QStringLiteral("157.png"), [] { return SideCar(64); }});
  pictures.push_back({QStringLiteral("200.png"), [] { return SideCar(128); }});
  pictures.push_back({QStringLiteral("190.png"), MapMarker});
  pictures.push_back({QStringLiteral("128.png"), ProgramIcon});
}
