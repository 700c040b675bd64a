// The buttons of the main window: playback (round), file operations (wide),
// display toggles (square), window buttons (small round) and the size letters.
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

#include "Pictures.h"
#include "Skin.h"

namespace {

using skin::Canvas;
using skin::Glyph;
using skin::Stroke;

QPainterPath Polygon(std::initializer_list<QPointF> points) {
  QPainterPath path;
  path.addPolygon(QPolygonF(points));
  path.closeSubpath();
  return path;
}

// A polygon with softly rounded corners.
QPainterPath SoftPolygon(std::initializer_list<QPointF> points, qreal rounding) {
  const QPainterPath shape = Polygon(points);
  return shape.united(Stroke(shape, rounding));
}

QPainterPath RoundRect(const QRectF& rect, qreal radius) {
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  return path;
}

QPainterPath Circle(const QPointF& centre, qreal radius) {
  QPainterPath path;
  path.addEllipse(centre, radius, radius);
  return path;
}

// --- playback: round buttons -------------------------------------------------

QImage RoundButton(int side, const QPainterPath& glyph, const QColor& accent) {
  QImage image = Canvas(side, side);
  QPainter painter(&image);
  skin::CircleBody(painter, QRectF(0.5, 0.5, side - 1.0, side - 1.0), accent);
  Glyph(painter, glyph, accent);
  return image;
}

QImage Play() {
  return RoundButton(48, SoftPolygon({{19.5, 14.5}, {19.5, 33.5}, {34.5, 24.0}}, 2.0), skin::kTransport);
}

QImage Pause() {
  QPainterPath bars = RoundRect(QRectF(16.5, 15, 5.5, 18), 1.5);
  bars.addPath(RoundRect(QRectF(26, 15, 5.5, 18), 1.5));
  return RoundButton(48, bars, skin::kTransport);
}

QImage Stop() { return RoundButton(40, RoundRect(QRectF(13.5, 13.5, 13, 13), 2), skin::kTransport); }

QPainterPath DoubleArrow(bool forward, qreal centreX) {
  const qreal d = forward ? 1.0 : -1.0;
  QPainterPath path = SoftPolygon({{centreX - 9 * d, 13.5}, {centreX - 9 * d, 26.5}, {centreX, 20}}, 1.4);
  path = path.united(SoftPolygon({{centreX, 13.5}, {centreX, 26.5}, {centreX + 9 * d, 20}}, 1.4));
  return path;
}

QImage Slow() { return RoundButton(40, DoubleArrow(false, 20.5), skin::kTransport); }
QImage Fast() { return RoundButton(40, DoubleArrow(true, 19.5), skin::kTransport); }

QImage Previous() {
  QPainterPath glyph = DoubleArrow(false, 22.5);
  glyph.addPath(RoundRect(QRectF(11, 13.5, 2.6, 13), 1));
  return RoundButton(40, glyph.simplified(), skin::kTransport);
}

QImage Next() {
  QPainterPath glyph = DoubleArrow(true, 17.5);
  glyph.addPath(RoundRect(QRectF(26.4, 13.5, 2.6, 13), 1));
  return RoundButton(40, glyph.simplified(), skin::kTransport);
}

// --- file operations: wide buttons -------------------------------------------

QImage WideButton(const QPainterPath& glyph, const QColor& accent) {
  QImage image = Canvas(48, 36);
  QPainter painter(&image);
  skin::RoundBody(painter, QRectF(0.5, 0.5, 47, 35), 8, accent);
  Glyph(painter, glyph, accent);
  return image;
}

QImage Open() {
  QImage image = Canvas(48, 36);
  QPainter painter(&image);
  skin::RoundBody(painter, QRectF(0.5, 0.5, 47, 35), 8, skin::kFile);
  QPainterPath back = SoftPolygon({{13, 10}, {20, 10}, {22.5, 12.5}, {34, 12.5}, {34, 26}, {13, 26}}, 1.2);
  Glyph(painter, back, skin::kFile, 0.8);
  // The front flap, open towards the viewer, darker edge between the two.
  QPainterPath front = SoftPolygon({{16.5, 16.5}, {38, 16.5}, {34, 26}, {13, 26}}, 1.0);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.fillPath(front.translated(0, -1.2), QColor(30, 22, 10, 200));
  Glyph(painter, front, skin::kFile, 0.6);
  return image;
}

QImage Snapshot() {
  QPainterPath body = RoundRect(QRectF(12.5, 12.5, 23, 14.5), 3);
  body.addPath(RoundRect(QRectF(19, 9.5, 10, 5), 1.5));
  body = body.simplified();
  QPainterPath cut = Circle(QPointF(24, 19.8), 5.4);
  QPainterPath glyph = body.subtracted(cut);
  glyph.addPath(Circle(QPointF(24, 19.8), 3.4));
  glyph.addPath(Circle(QPointF(32, 15.5), 1.1).translated(0, 0));
  QPainterPath flashCut = Circle(QPointF(32, 15.5), 1.1);
  glyph = glyph.subtracted(flashCut);
  return WideButton(glyph, skin::kFile);
}

QImage Save() {
  // A disk: square with a cut corner, shutter at the top, label at the bottom.
  QPainterPath disk = SoftPolygon({{14, 8.5}, {31, 8.5}, {35, 12.5}, {35, 28}, {14, 28}}, 1.2);
  disk = disk.subtracted(RoundRect(QRectF(18, 8.5, 11, 6.5), 1));
  disk.addPath(RoundRect(QRectF(25.5, 9.8, 2.2, 4), 0.6));
  disk = disk.subtracted(RoundRect(QRectF(17, 19, 15, 7.5), 1));
  disk.addPath(RoundRect(QRectF(19, 21, 11, 1.3), 0.5));
  disk.addPath(RoundRect(QRectF(19, 23.6, 8, 1.3), 0.5));
  return WideButton(disk, skin::kFile);
}

QImage Delete() {
  QPainterPath glyph = RoundRect(QRectF(14.5, 11, 19, 3), 1.2);
  glyph.addPath(RoundRect(QRectF(21, 8.5, 6, 3.5), 1.2));
  QPainterPath can = SoftPolygon({{16.5, 15.5}, {31.5, 15.5}, {30.2, 28}, {17.8, 28}}, 1.2);
  for (const qreal x : {20.3, 23.5, 26.7}) can = can.subtracted(RoundRect(QRectF(x, 17.5, 1.6, 8.5), 0.8));
  glyph = glyph.simplified();
  glyph.addPath(can);
  return WideButton(glyph, skin::kDanger);
}

QPainterPath Gear(const QPointF& centre, qreal outer, qreal inner, qreal hole, int teeth) {
  QPainterPath gear;
  QPolygonF outline;
  for (int i = 0; i < teeth * 4; ++i) {
    const qreal angle = (i - 0.5) * M_PI * 2 / (teeth * 4);
    const qreal radius = (i % 4 == 1 || i % 4 == 2) ? outer : inner;
    outline << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
  }
  gear.addPolygon(outline);
  gear.closeSubpath();
  gear = gear.united(Stroke(gear, 0.8));
  return gear.subtracted(Circle(centre, hole));
}

QImage Configuration() { return WideButton(Gear(QPointF(24, 18), 10, 7.2, 3.2, 8), skin::kFile); }

// --- display toggles: square buttons ------------------------------------------

QImage SquareButton(const QColor& accent) {
  QImage image = Canvas(32, 32);
  QPainter painter(&image);
  skin::RoundBody(painter, QRectF(0.5, 0.5, 31, 31), 7, accent);
  return image;
}

QPainterPath LoopGlyph() {
  QPainterPath loop;
  loop.addRoundedRect(QRectF(8.5, 10.5, 15, 11), 5.5, 5.5);
  QPainterPath ring = Stroke(loop, 2.4);
  // Gaps where the arrowheads sit.
  ring = ring.subtracted(QPainterPath([] {
    QPainterPath gaps;
    gaps.addRect(QRectF(16, 8, 4, 5));
    gaps.addRect(QRectF(12, 19, 4, 5));
    return gaps;
  }()));
  ring.addPath(SoftPolygon({{19.5, 7.2}, {19.5, 13.8}, {24, 10.5}}, 0.8));
  ring.addPath(SoftPolygon({{12.5, 18.2}, {12.5, 24.8}, {8, 21.5}}, 0.8));
  return ring.simplified();
}

QImage LoopOn() {
  QImage image = SquareButton(skin::kTransport);
  QPainter painter(&image);
  Glyph(painter, LoopGlyph(), skin::kTransport);
  return image;
}

QImage LoopOff() {
  QImage image = SquareButton(skin::kDanger);
  QPainter painter(&image);
  painter.setOpacity(0.55);
  Glyph(painter, LoopGlyph(), QColor(150, 150, 150), 0.5);
  painter.setOpacity(1.0);
  QPainterPath slash;
  slash.moveTo(9, 24);
  slash.lineTo(23, 8);
  Glyph(painter, Stroke(slash, 2.4), skin::kDanger);
  return image;
}

QImage Kml() {
  QImage image = SquareButton(skin::kFile);
  QPainter painter(&image);
  QPainterPath track;
  track.moveTo(7.5, 17);
  track.cubicTo(11, 11, 14, 18, 17, 13);
  QPainterPath glyph = Stroke(track, 1.6);
  // Pin at the track's end.
  QPainterPath pin = Circle(QPointF(21, 9.5), 3.6);
  pin = pin.united(Polygon({{17.8, 11.2}, {24.2, 11.2}, {21, 16.5}}));
  pin = pin.subtracted(Circle(QPointF(21, 9.5), 1.4));
  glyph.addPath(pin);
  Glyph(painter, glyph.simplified(), skin::kFile, 0.8);
  QFont font = skin::BoldFont(8.5);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 0.2);
  Glyph(painter, skin::CentredText(QStringLiteral("KML"), font, QPointF(16, 23)), skin::kFile, 0.6);
  return image;
}

QImage Map() {
  QImage image = SquareButton(skin::kDisplay);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QPainterPath left = Polygon({{6.5, 10}, {12.5, 8}, {12.5, 22.5}, {6.5, 24.5}});
  const QPainterPath middle = Polygon({{13.5, 8}, {18.5, 10}, {18.5, 24.5}, {13.5, 22.5}});
  const QPainterPath right = Polygon({{19.5, 10}, {25.5, 8}, {25.5, 22.5}, {19.5, 24.5}});
  Glyph(painter, left, skin::kDisplay, 0.7);
  Glyph(painter, right, skin::kDisplay, 0.7);
  painter.fillPath(middle, skin::Mix(skin::kDisplay, QColor(20, 40, 20), 0.45));
  // A road across the map.
  QPainterPath road;
  road.moveTo(7, 19);
  road.cubicTo(11, 16, 16, 21, 25, 13);
  painter.strokePath(road, QPen(QColor(40, 60, 40, 220), 1.4, Qt::SolidLine, Qt::RoundCap));
  return image;
}

QImage GSensor() {
  QImage image = SquareButton(skin::kDisplay);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath axes;
  axes.moveTo(7, 8);
  axes.lineTo(7, 24);
  axes.moveTo(7, 16);
  axes.lineTo(25.5, 16);
  painter.strokePath(axes, QPen(QColor(200, 205, 210, 190), 1.2, Qt::SolidLine, Qt::RoundCap));
  const QColor colours[3] = {QColor(255, 255, 0), QColor(60, 255, 60), QColor(255, 60, 60)};
  const qreal amplitude[3] = {6.0, 3.5, 2.0};
  const qreal phase[3] = {0.0, 1.7, 3.6};
  for (int axis = 2; axis >= 0; --axis) {
    QPainterPath wave;
    for (int step = 0; step <= 36; ++step) {
      const qreal x = 8 + step * 0.48;
      const qreal y = 16 - amplitude[axis] * std::sin(step * 0.38 + phase[axis]) * std::exp(-step * 0.03);
      if (step == 0) {
        wave.moveTo(x, y);
      } else {
        wave.lineTo(x, y);
      }
    }
    QColor glow = colours[axis];
    glow.setAlpha(70);
    painter.strokePath(wave, QPen(glow, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.strokePath(wave, QPen(colours[axis], 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  }
  return image;
}

QPainterPath Padlock(qreal x, qreal y, qreal scale, bool open) {
  const QRectF body(x, y + 6.5 * scale, 13 * scale, 10 * scale);
  QPainterPath glyph = RoundRect(body, 2 * scale);
  QPainterPath shackle;
  const qreal left = x + 3 * scale;
  const qreal right = x + 10 * scale;
  const qreal lift = open ? 3.5 * scale : 0.0;
  shackle.moveTo(left, y + 7 * scale - (open ? lift : 0.0));
  shackle.lineTo(left, y + 3.5 * scale - lift);
  shackle.arcTo(QRectF(left, y - lift, right - left, 7 * scale), 180, -180);
  shackle.lineTo(right, y + (open ? 4.5 : 7) * scale - lift);
  glyph = glyph.united(Stroke(shackle, 2.1 * scale, Qt::FlatCap));
  QPainterPath keyhole = Circle(QPointF(x + 6.5 * scale, y + 10.5 * scale), 1.5 * scale);
  keyhole.addRect(QRectF(x + 5.9 * scale, y + 10.5 * scale, 1.2 * scale, 3.5 * scale));
  return glyph.subtracted(keyhole.simplified());
}

QImage Unlock() {
  QImage image = SquareButton(skin::kFile);
  QPainter painter(&image);
  Glyph(painter, Padlock(9.5, 9, 1.0, true), skin::kFile);
  return image;
}

QImage Locked() {
  QImage image = SquareButton(skin::kFile);
  QPainter painter(&image);
  Glyph(painter, Padlock(9.5, 7.5, 1.0, false), skin::kFile);
  return image;
}

QImage Rotate() {
  // Two arrows chasing each other round a circle: a half turn.
  QImage image = SquareButton(skin::kDisplay);
  QPainter painter(&image);
  const QPointF centre(16, 16);
  const qreal radius = 7.5;
  const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  QPainterPath glyph;
  for (const qreal start : {160.0, -20.0}) {
    QPainterPath arc;
    arc.arcMoveTo(circle, start);
    arc.arcTo(circle, start, -125);
    glyph.addPath(Stroke(arc, 2.3, Qt::FlatCap));
    const qreal end = qDegreesToRadians(start - 125);
    const QPointF tip = centre + QPointF(radius * std::cos(end), -radius * std::sin(end));
    const QPointF along(std::sin(end), std::cos(end));   // clockwise tangent
    const QPointF outward(std::cos(end), -std::sin(end));
    glyph.addPath(SoftPolygon({tip + outward * 3.4, tip - outward * 3.4, tip + along * 4.2}, 0.5));
  }
  Glyph(painter, glyph.simplified(), skin::kDisplay);
  return image;
}

QImage SpeedUnit() {
  QImage image = SquareButton(skin::kDisplay);
  QPainter painter(&image);
  QPainterPath dial;
  dial.arcMoveTo(QRectF(6.5, 8.5, 19, 19), 200);
  dial.arcTo(QRectF(6.5, 8.5, 19, 19), 200, -220);
  QPainterPath glyph = Stroke(dial, 2.2, Qt::RoundCap);
  QPainterPath needle;
  needle.moveTo(16, 18);
  needle.lineTo(21.5, 12.5);
  glyph.addPath(Stroke(needle, 1.8));
  glyph.addPath(Circle(QPointF(16, 18), 2.2));
  Glyph(painter, glyph.simplified(), skin::kDisplay);
  return image;
}

// --- window buttons: small round ---------------------------------------------

QImage WindowButton(const QPainterPath& glyph, const QColor& accent) {
  QImage image = Canvas(25, 25);
  QPainter painter(&image);
  skin::CircleBody(painter, QRectF(0.5, 0.5, 24, 24), accent);
  Glyph(painter, glyph, accent, 0.7);
  return image;
}

QImage Close() {
  QPainterPath cross;
  cross.moveTo(8.5, 8.5);
  cross.lineTo(16.5, 16.5);
  cross.moveTo(16.5, 8.5);
  cross.lineTo(8.5, 16.5);
  return WindowButton(Stroke(cross, 2.4), skin::kDanger);
}

QImage Maximize() {
  QPainterPath frame;
  frame.addRect(QRectF(7.5, 7.5, 10, 10));
  QPainterPath glyph = Stroke(frame, 1.6, Qt::SquareCap, Qt::MiterJoin);
  glyph.addRect(QRectF(6.7, 6.7, 11.6, 2.6));
  return WindowButton(glyph.simplified(), skin::kWindow);
}

QImage Restore() {
  QPainterPath back;
  back.addRect(QRectF(9.5, 6.5, 9, 8));
  QPainterPath front;
  front.addRect(QRectF(6.5, 10, 9, 8));
  QPainterPath glyph = Stroke(back, 1.4, Qt::SquareCap, Qt::MiterJoin).subtracted(front);
  glyph.addPath(Stroke(front, 1.4, Qt::SquareCap, Qt::MiterJoin));
  glyph.addRect(QRectF(5.8, 9.3, 10.4, 2.4));
  return WindowButton(glyph.simplified(), skin::kWindow);
}

QImage Minimize() { return WindowButton(RoundRect(QRectF(7.5, 14.5, 10, 2.6), 1), skin::kWindow); }

QImage About() {
  return WindowButton(skin::CentredText(QStringLiteral("?"), skin::BoldFont(15), QPointF(12.5, 12.5)),
                      skin::kWindow);
}

QImage SizeLetter(const QString& letter) {
  QImage image = Canvas(16, 16);
  QPainter painter(&image);
  skin::RoundBody(painter, QRectF(0.5, 0.5, 15, 15), 4, skin::kWindow);
  Glyph(painter, skin::CentredText(letter, skin::BoldFont(10), QPointF(8, 8)), skin::kWindow, 0.5);
  return image;
}

// --- volume: narrow, no body ------------------------------------------------------

QPainterPath Speaker() {
  QPainterPath glyph = RoundRect(QRectF(0.8, 9.2, 3.2, 5.6), 0.8);
  glyph = glyph.united(SoftPolygon({{3.6, 9.2}, {7.4, 5.2}, {7.4, 18.8}, {3.6, 14.8}}, 0.8));
  return glyph;
}

QImage Speaker(bool muted) {
  QImage image = Canvas(12, 24);
  QPainter painter(&image);
  if (!muted) {
    QPainterPath waves;
    waves.arcMoveTo(QRectF(5.5, 8.5, 4, 7), 60);
    waves.arcTo(QRectF(5.5, 8.5, 4, 7), 60, -120);
    waves.arcMoveTo(QRectF(5, 5.5, 6.5, 13), 62);
    waves.arcTo(QRectF(5, 5.5, 6.5, 13), 62, -124);
    QPainterPath glyph = Speaker().united(Stroke(waves, 1.2));
    Glyph(painter, glyph, skin::kTransport, 0.6);
  } else {
    painter.setOpacity(0.7);
    Glyph(painter, Speaker(), QColor(170, 170, 170), 0.4);
    painter.setOpacity(1.0);
    QPainterPath cross;
    cross.moveTo(8, 9.5);
    cross.lineTo(11.2, 14.5);
    cross.moveTo(11.2, 9.5);
    cross.lineTo(8, 14.5);
    Glyph(painter, Stroke(cross, 1.5), skin::kDanger, 0.6);
  }
  return image;
}

}  // namespace

void AddButtonPictures(std::vector<PictureEntry>& pictures) {
  const auto add = [&pictures](int id, std::function<QImage()> paint) {
    pictures.push_back({QStringLiteral("%1.png").arg(id), std::move(paint)});
  };
  add(129, Play);
  add(130, Previous);
  add(131, Next);
  add(132, Pause);
  add(133, Stop);
  add(134, Configuration);
  add(135, Rotate);
  add(136, Fast);
  add(137, Slow);
  add(138, SpeedUnit);
  add(139, Open);
  add(140, Snapshot);
  add(141, Save);
  add(142, Delete);
  add(143, LoopOn);
  add(144, Restore);
  add(145, Kml);
  add(146, Map);
  add(147, GSensor);
  add(148, Unlock);
  add(149, Locked);
  add(151, Close);
  add(152, Maximize);
  add(153, Minimize);
  add(154, About);
  add(155, [] { return Speaker(true); });
  add(156, [] { return Speaker(false); });
  add(176, LoopOff);
  add(187, [] { return SizeLetter(QStringLiteral("M")); });
  add(188, [] { return SizeLetter(QStringLiteral("L")); });
  add(1045, [] { return SizeLetter(QStringLiteral("S")); });
}
