#pragma once
// Glowing glyph-outline text: the text becomes a path, which is stroked by a
// thin outline pen, then by eight widening translucent pens with round joins
// (the glow), then filled twice with repeating vertical gradients. The speed
// label, the scan counter and the window title use it with their own colours.
#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPointF>
#include <QString>

class QPainter;

struct GradientLayer {
  QPointF from;
  QPointF to;
  QColor fromColor;
  QColor toColor;
};

struct GlowLayers {
  QColor outline;
  qreal outlineWidth = 3.0;
  QColor halo;
  int haloCount = 8;  // pens of width 1 .. haloCount
  GradientLayer fill;
  GradientLayer gloss;
};

// The outline of `text` (at most 127 characters are used) laid out with its
// line's top-left corner at (x, y), as a layout rectangle of zero size places it.
QPainterPath GlyphPath(const QString& text, const QFont& font, qreal x, qreal y);

// Draws the layers with anti-aliasing; the painter's state is restored.
void DrawGlowPath(QPainter& painter, const QPainterPath& path, const GlowLayers& layers);
