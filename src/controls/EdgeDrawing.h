#pragma once
// Three-dimensional frames of the classic window look: a one-pixel frame with
// separate top-left and bottom-right colours, and the two-pixel sunken and
// raised edges built from it.
#include <QColor>
#include <QPainter>
#include <QRect>

// Top and left lines in `topLeft`, bottom and right lines in `bottomRight`,
// all inside `rect`.
void Draw3dRect(QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight);

// Two frames inside `rect`; returns the rectangle left inside them.
QRect DrawSunkenEdge(QPainter& painter, const QRect& rect);
QRect DrawRaisedEdge(QPainter& painter, const QRect& rect);
