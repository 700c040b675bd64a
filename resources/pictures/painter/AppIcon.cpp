#include "AppIcon.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainterPath>
#include <QSvgGenerator>

#include "Pictures.h"
#include "Skin.h"

void PaintAppIcon(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath tile;
  tile.addRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
  QLinearGradient night(0, 8, 0, 248);
  night.setColorAt(0.0, QColor(58, 84, 122));
  night.setColorAt(0.6, QColor(24, 30, 44));
  night.setColorAt(1.0, QColor(12, 13, 18));
  painter.fillPath(tile, night);
  // The road the car stands on.
  painter.fillRect(QRectF(8, 188, 240, 6), QColor(255, 205, 60));

  // The car fills the tile's width; its wheels rest on the road.
  painter.save();
  painter.translate(128 - 64 * 1.78, 188 - 98.5 * 1.78);
  painter.scale(1.78, 1.78);
  PaintSideCar(painter);
  painter.restore();
}

QImage AppIcon(int side) {
  QImage image = skin::Canvas(side, side);
  QPainter painter(&image);
  painter.scale(side / 256.0, side / 256.0);
  PaintAppIcon(painter);
  return image;
}

bool WriteAppIconSvg(const QString& path) {
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(QSize(256, 256));
  svg.setViewBox(QRectF(0, 0, 256, 256));
  svg.setTitle(QStringLiteral("TRK viewer"));
  svg.setDescription(QStringLiteral("A red car on a road at night"));
  QPainter painter;
  if (!painter.begin(&svg)) return false;
  PaintAppIcon(painter);
  return painter.end() && QFile::exists(path);
}
