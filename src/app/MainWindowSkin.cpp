#include "app/MainWindowSkin.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "controls/TrkFonts.h"

QRegion MainWindowShape(int cx, int cy, bool fullScreen) {
  if (fullScreen) return QRegion(0, 0, cx, cy);
  QPainterPath outline;
  outline.addRoundedRect(QRectF(0, 0, cx, cy), 5, 5);
  // The part of the 30 x 30 corner square that lies outside the circle.
  QPainterPath corner;
  corner.addRect(0, 0, 30, 30);
  QPainterPath circle;
  circle.addEllipse(QRectF(0, 0, 60, 60));
  outline = outline.subtracted(corner.subtracted(circle));
  return QRegion(outline.toFillPolygon().toPolygon(), Qt::WindingFill);
}

void PaintResizeGrip(QPainter& painter, int cx, int cy) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(QColor::fromRgb(kGripRgb), 1));
  for (int d : {25, 20, 15, 10}) painter.drawLine(QPoint(cx - d, cy), QPoint(cx, cy - d));
  painter.restore();
}

namespace {

void DrawTitle(QPainter& painter, const QString& title, int emSize) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const QFont font = ArialBlackFont(emSize);
  // The text's line box starts at (50, 8): its baseline lies one ascent lower.
  QPainterPath path;
  path.addText(QPointF(50, 8 + QFontMetricsF(font).ascent()), font, title);

  painter.strokePath(path, QPen(QColor::fromRgba(0x9BD7D7D7), 3));
  for (int width = 1; width <= 8; ++width) {
    QPen halo(QColor::fromRgba(0x3E000202), width);
    halo.setJoinStyle(Qt::RoundJoin);
    painter.strokePath(path, halo);
  }
  QLinearGradient body(QPointF(0, 0), QPointF(0, 90));
  body.setColorAt(0, QColor::fromRgba(0xC80000F0));
  body.setColorAt(1, QColor::fromRgba(0xFF1E78C3));
  body.setSpread(QGradient::RepeatSpread);
  painter.fillPath(path, body);
  QLinearGradient gloss(QPointF(0, 10), QPointF(0, 60));
  gloss.setColorAt(0, QColor::fromRgba(0xFFFFFFFF));
  gloss.setColorAt(1, QColor::fromRgba(0x0F010101));
  gloss.setSpread(QGradient::RepeatSpread);
  painter.fillPath(path, gloss);
  painter.restore();
}

// The title drawn once, for the window's paints that follow.
struct TitlePicture {
  QString title;
  int emSize = -1;
  qreal ratio = 0;
  QPoint origin;
  QImage image;
};

}  // namespace

void PaintTitle(QPainter& painter, const QString& title, int emSize) {
  // Stroking the outline nine times is costly, and the window paints beneath
  // its controls whenever one of them changes (several times a second while a
  // recording plays): the title is drawn into a picture once and copied.
  // Drawing the layers onto a clear picture and that onto the window gives
  // what drawing them onto the window gives (source-over is associative).
  static TitlePicture cache;
  const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
  if (cache.title != title || cache.emSize != emSize || cache.ratio != ratio || cache.image.isNull()) {
    const QFont font = ArialBlackFont(emSize);
    QPainterPath path;
    path.addText(QPointF(50, 8 + QFontMetricsF(font).ascent()), font, title);
    // The widest halo reaches 4 pixels beyond the outline.
    const QRect bounds = path.boundingRect().toAlignedRect().adjusted(-6, -6, 6, 6);
    QImage image((QSizeF(bounds.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    if (!image.isNull()) {
      QPainter picture(&image);
      picture.translate(-bounds.topLeft());
      DrawTitle(picture, title, emSize);
    }
    cache = {title, emSize, ratio, bounds.topLeft(), image};
  }
  if (!cache.image.isNull()) painter.drawImage(cache.origin, cache.image);
}
