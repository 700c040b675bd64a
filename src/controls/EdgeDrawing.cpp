#include "controls/EdgeDrawing.h"

namespace {
const QColor kHighlight(255, 255, 255);
const QColor kLight(227, 227, 227);
const QColor kShadow(160, 160, 160);
const QColor kDarkShadow(105, 105, 105);
}  // namespace

void Draw3dRect(QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight) {
  if (rect.width() <= 0 || rect.height() <= 0) return;
  const int x = rect.x();
  const int y = rect.y();
  const int cx = rect.width();
  const int cy = rect.height();
  painter.fillRect(QRect(x, y, cx - 1, 1), topLeft);
  painter.fillRect(QRect(x, y, 1, cy - 1), topLeft);
  painter.fillRect(QRect(x + cx - 1, y, 1, cy), bottomRight);
  painter.fillRect(QRect(x, y + cy - 1, cx, 1), bottomRight);
}

QRect DrawSunkenEdge(QPainter& painter, const QRect& rect) {
  Draw3dRect(painter, rect, kShadow, kHighlight);
  const QRect inner = rect.adjusted(1, 1, -1, -1);
  Draw3dRect(painter, inner, kDarkShadow, kLight);
  return inner.adjusted(1, 1, -1, -1);
}

QRect DrawRaisedEdge(QPainter& painter, const QRect& rect) {
  Draw3dRect(painter, rect, kLight, kDarkShadow);
  const QRect inner = rect.adjusted(1, 1, -1, -1);
  Draw3dRect(painter, inner, kHighlight, kShadow);
  return inner.adjusted(1, 1, -1, -1);
}
