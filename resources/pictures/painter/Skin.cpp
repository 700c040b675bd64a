#include "Skin.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QRadialGradient>

namespace skin {

QImage Canvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QColor Mix(const QColor& a, const QColor& b, qreal t) {
  return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                          a.blueF() + (b.blueF() - a.blueF()) * t, a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

namespace {

void PaintBody(QPainter& painter, const QPainterPath& outer, const QPainterPath& inner, const QRectF& rect,
               const QColor& accent) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::NoPen);

  // Metallic bezel: light at the top, almost black at the bottom.
  QLinearGradient bezel(rect.topLeft(), rect.bottomLeft());
  bezel.setColorAt(0.0, QColor(168, 172, 180));
  bezel.setColorAt(0.45, QColor(72, 74, 80));
  bezel.setColorAt(1.0, QColor(14, 14, 16));
  painter.fillPath(outer, bezel);

  // Face: deep charcoal.
  const QRectF face = inner.boundingRect();
  QLinearGradient body(face.topLeft(), face.bottomLeft());
  body.setColorAt(0.0, QColor(70, 72, 78));
  body.setColorAt(0.5, QColor(36, 37, 41));
  body.setColorAt(1.0, QColor(20, 20, 23));
  painter.fillPath(inner, body);

  // Light of the accent colour rising from the bottom edge.
  QRadialGradient bounce(QPointF(face.center().x(), face.bottom()), face.width() * 0.55);
  QColor warm = accent;
  warm.setAlpha(70);
  bounce.setColorAt(0.0, warm);
  warm.setAlpha(0);
  bounce.setColorAt(1.0, warm);
  painter.fillPath(inner, bounce);

  // Gloss over the upper half.
  painter.setClipPath(inner);
  QRectF glossArea(face.left() - face.width() * 0.1, face.top() - face.height() * 0.55, face.width() * 1.2,
                   face.height() * 1.05);
  QLinearGradient gloss(glossArea.topLeft(), QPointF(glossArea.left(), glossArea.bottom()));
  gloss.setColorAt(0.45, QColor(255, 255, 255, 80));
  gloss.setColorAt(1.0, QColor(255, 255, 255, 8));
  QPainterPath glossPath;
  glossPath.addEllipse(glossArea);
  painter.fillPath(glossPath, gloss);
  painter.restore();
}

}  // namespace

void RoundBody(QPainter& painter, const QRectF& rect, qreal radius, const QColor& accent) {
  QPainterPath outer;
  outer.addRoundedRect(rect, radius, radius);
  QPainterPath inner;
  const qreal bezel = rect.height() >= 30 ? 1.6 : 1.2;
  inner.addRoundedRect(rect.adjusted(bezel, bezel, -bezel, -bezel), radius - bezel, radius - bezel);
  PaintBody(painter, outer, inner, rect, accent);
}

void CircleBody(QPainter& painter, const QRectF& rect, const QColor& accent) {
  QPainterPath outer;
  outer.addEllipse(rect);
  QPainterPath inner;
  const qreal bezel = rect.height() >= 30 ? 2.0 : 1.3;
  inner.addEllipse(rect.adjusted(bezel, bezel, -bezel, -bezel));
  PaintBody(painter, outer, inner, rect, accent);
}

QPainterPath Stroke(const QPainterPath& path, qreal width, Qt::PenCapStyle cap, Qt::PenJoinStyle join) {
  QPainterPathStroker stroker;
  stroker.setWidth(width);
  stroker.setCapStyle(cap);
  stroker.setJoinStyle(join);
  return stroker.createStroke(path).simplified();
}

void Glyph(QPainter& painter, const QPainterPath& path, const QColor& accent, qreal glow) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setBrush(Qt::NoBrush);
  // Glow: widening translucent strokes of the accent colour.
  for (int i = 3; i >= 1; --i) {
    QColor halo = accent;
    halo.setAlphaF(std::min(1.0, 0.16 * glow));
    painter.setPen(QPen(halo, i * 1.6 * glow, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
  }
  // Shadow below the glyph.
  painter.fillPath(path.translated(0, 0.8), QColor(0, 0, 0, 150));
  // Fill: white at the top fading into the accent colour.
  const QRectF box = path.boundingRect();
  QLinearGradient fill(box.topLeft(), box.bottomLeft());
  fill.setColorAt(0.0, QColor(255, 255, 255));
  fill.setColorAt(0.55, Mix(QColor(255, 255, 255), accent, 0.35));
  fill.setColorAt(1.0, Mix(QColor(255, 255, 255), accent, 0.8));
  painter.fillPath(path, fill);
  painter.restore();
}

QFont BoldFont(qreal pixelSize) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(static_cast<int>(pixelSize + 0.5));
  font.setWeight(QFont::Bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

QPainterPath CentredText(const QString& text, const QFont& font, const QPointF& centre) {
  QPainterPath path;
  path.addText(0, 0, font, text);
  const QRectF box = path.boundingRect();
  path.translate(centre - box.center());
  return path;
}

}  // namespace skin
