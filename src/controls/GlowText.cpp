#include "controls/GlowText.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>

namespace {

QBrush RepeatingGradient(const GradientLayer& layer) {
  QLinearGradient gradient(layer.from, layer.to);
  gradient.setColorAt(0.0, layer.fromColor);
  gradient.setColorAt(1.0, layer.toColor);
  gradient.setSpread(QGradient::RepeatSpread);
  return QBrush(gradient);
}

}  // namespace

QPainterPath GlyphPath(const QString& text, const QFont& font, qreal x, qreal y) {
  QPainterPath path;
  const QString shown = text.left(127);
  if (shown.isEmpty()) return path;
  const QFontMetricsF metrics(font);
  // One line per text line; the layout rectangle's top is the first line's top.
  const QStringList lines = shown.split(QLatin1Char('\n'));
  qreal top = y;
  for (const QString& line : lines) {
    if (!line.isEmpty()) path.addText(QPointF(x, top + metrics.ascent()), font, line);
    top += metrics.lineSpacing();
  }
  return path;
}

void DrawGlowPath(QPainter& painter, const QPainterPath& path, const GlowLayers& layers) {
  if (path.isEmpty()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.setBrush(Qt::NoBrush);

  QPen outline(layers.outline, layers.outlineWidth);
  outline.setJoinStyle(Qt::MiterJoin);
  painter.strokePath(path, outline);

  for (int width = 1; width <= layers.haloCount; ++width) {
    QPen halo(layers.halo, width);
    halo.setJoinStyle(Qt::RoundJoin);
    painter.strokePath(path, halo);
  }

  painter.fillPath(path, RepeatingGradient(layers.fill));
  painter.fillPath(path, RepeatingGradient(layers.gloss));
  painter.restore();
}
