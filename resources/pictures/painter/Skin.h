#pragma once
// The skin's common look: dark glossy bodies with a metallic bezel, and light
// glyphs with a coloured glow. Every picture of the program is drawn from these.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

namespace skin {

// Accent colours of the button families.
inline const QColor kTransport(70, 225, 255);   // playback
inline const QColor kFile(255, 190, 70);        // folder and file operations
inline const QColor kDisplay(120, 255, 140);    // display toggles
inline const QColor kWindow(225, 230, 240);     // window buttons
inline const QColor kDanger(255, 80, 70);       // close, delete, mute

QImage Canvas(int width, int height);

// A rounded-rectangle or round body filling `rect`.
void RoundBody(QPainter& painter, const QRectF& rect, qreal radius, const QColor& accent);
void CircleBody(QPainter& painter, const QRectF& rect, const QColor& accent);

// A glyph: soft shadow, coloured glow, then a light fill.
void Glyph(QPainter& painter, const QPainterPath& path, const QColor& accent, qreal glow = 1.0);
// A glyph drawn as a stroke of the given width (lines, arcs).
QPainterPath Stroke(const QPainterPath& path, qreal width, Qt::PenCapStyle cap = Qt::RoundCap,
                    Qt::PenJoinStyle join = Qt::RoundJoin);

QFont BoldFont(qreal pixelSize);
// A text outline centred on `centre`.
QPainterPath CentredText(const QString& text, const QFont& font, const QPointF& centre);

QColor Mix(const QColor& a, const QColor& b, qreal t);

}  // namespace skin
