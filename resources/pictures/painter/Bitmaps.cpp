// The two opaque bitmaps: the lock-icon strip of the lists (four 24 x 24
// icons, magenta = transparent) and the tile of the progress bar (30 x 30).
#include <QLinearGradient>
#include <QPainterPath>

#include "Pictures.h"
#include "Skin.h"

namespace {

// A padlock on a 24 x 24 cell, with an optional letter on its body.
void PaintListLock(QPainter& painter, const QString& letter, const QColor& letterColor) {
  painter.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath shackle;
  shackle.moveTo(8, 11);
  shackle.lineTo(8, 7.5);
  shackle.arcTo(QRectF(8, 3, 8, 9), 180, -180);
  shackle.lineTo(16, 11);
  painter.strokePath(shackle, QPen(QColor(120, 124, 132), 2.4, Qt::SolidLine, Qt::FlatCap));
  painter.strokePath(shackle, QPen(QColor(205, 208, 214), 1.0, Qt::SolidLine, Qt::FlatCap));
  QPainterPath body;
  body.addRoundedRect(QRectF(4.5, 10, 15, 12), 2.5, 2.5);
  QLinearGradient brass(0, 10, 0, 22);
  brass.setColorAt(0.0, QColor(255, 228, 120));
  brass.setColorAt(0.5, QColor(230, 170, 40));
  brass.setColorAt(1.0, QColor(150, 95, 15));
  painter.fillPath(body, brass);
  painter.setPen(QPen(QColor(100, 60, 10), 0.9));
  painter.drawPath(body);
  if (!letter.isEmpty()) {
    painter.fillPath(skin::CentredText(letter, skin::BoldFont(10), QPointF(12, 16.2)), letterColor);
  } else {
    QPainterPath keyhole;
    keyhole.addEllipse(QPointF(12, 14.8), 1.7, 1.7);
    keyhole.addRect(QRectF(11.3, 15, 1.4, 4));
    painter.fillPath(keyhole.simplified(), QColor(70, 40, 5));
  }
}

// Icons are drawn with soft edges and then flattened: faint edge pixels become
// the transparent magenta, the rest are mixed onto a light list background.
QImage FlattenOnMagenta(const QImage& soft) {
  QImage flat(soft.size(), QImage::Format_RGB32);
  const QImage straight = soft.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < soft.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
    auto* out = reinterpret_cast<QRgb*>(flat.scanLine(y));
    for (int x = 0; x < soft.width(); ++x) {
      const int alpha = qAlpha(in[x]);
      if (alpha < 96) {
        out[x] = qRgb(255, 0, 255);
        continue;
      }
      const auto blend = [alpha](int channel) { return (channel * alpha + 250 * (255 - alpha)) / 255; };
      out[x] = qRgb(blend(qRed(in[x])), blend(qGreen(in[x])), blend(qBlue(in[x])));
    }
  }
  return flat;
}

QImage LockStrip() {
  QImage soft = skin::Canvas(96, 24);
  QPainter painter(&soft);
  painter.translate(24, 0);
  PaintListLock(painter, QStringLiteral("G"), QColor(0, 0, 0));
  painter.translate(24, 0);
  PaintListLock(painter, QStringLiteral("M"), QColor(0, 150, 30));
  painter.translate(24, 0);
  PaintListLock(painter, QString(), QColor());
  painter.end();
  return FlattenOnMagenta(soft);
}

// Light diagonal stripes with a glossy top; 30 x 30 and seamless when tiled.
QImage ProgressTile() {
  QImage tile(30, 30, QImage::Format_RGB32);
  tile.fill(QColor(120, 205, 95));
  QPainter painter(&tile);
  painter.setRenderHint(QPainter::Antialiasing, true);
  for (int offset = -45; offset <= 45; offset += 15) {
    QPainterPath stripe;
    stripe.moveTo(offset, 30);
    stripe.lineTo(offset + 7.5, 30);
    stripe.lineTo(offset + 37.5, 0);
    stripe.lineTo(offset + 30, 0);
    stripe.closeSubpath();
    painter.fillPath(stripe, QColor(170, 235, 140));
  }
  QLinearGradient gloss(0, 0, 0, 30);
  gloss.setColorAt(0.0, QColor(255, 255, 255, 150));
  gloss.setColorAt(0.48, QColor(255, 255, 255, 40));
  gloss.setColorAt(0.52, QColor(0, 0, 0, 0));
  gloss.setColorAt(1.0, QColor(0, 40, 0, 70));
  painter.fillRect(QRect(0, 0, 30, 30), gloss);
  return tile;
}

}  // namespace

void AddBitmapPictures(std::vector<PictureEntry>& pictures) {
  pictures.push_back({QStringLiteral("158.bmp"), LockStrip});
  pictures.push_back({QStringLiteral("189.bmp"), ProgressTile});
}
