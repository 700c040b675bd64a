#include "views/CStatusBoardStatic.h"

#include <QPainter>
#include <QTimerEvent>
#include <cstdlib>

#include "controls/CGdiPlusBitmapResource.h"
#include "controls/ControlId.h"
#include "controls/EdgeDrawing.h"

CStatusBoardStatic::CStatusBoardStatic(QWidget* parent, int controlId) : QWidget(parent) {
  if (controlId != 0) SetControlId(this, controlId);
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  m_timer.start(200, this);
}

CStatusBoardStatic::~CStatusBoardStatic() { m_timer.stop(); }

QColor ReadableTextColor(const QColor& text, const QColor& background) {
  const auto luma = [](const QColor& c) { return (30 * c.red() + 59 * c.green() + 11 * c.blue()) / 100; };
  if (std::abs(luma(text) - luma(background)) >= 64) return text;
  return luma(background) < 128 ? QColor(235, 235, 235) : QColor(20, 20, 20);
}

int CStatusBoardStatic::SplitX() const {
  const QRect client = rect();
  const int width = client.width();
  return client.left() + static_cast<int>(static_cast<int64_t>(width) * m_percent / 100);
}

void CStatusBoardStatic::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect client = rect();
  const int split = SplitX();
  const QRect filled(client.left(), client.top(), split - client.left(), client.height());
  const QRect rest(split, client.top(), client.right() + 1 - split, client.height());

  CGdiPlusBitmapResource pattern;
  const bool patterned = m_patternBitmap != 0 && pattern.Load(m_patternBitmap, "BMP");
  if (patterned) {
    // The pattern tiles from the control's origin.
    painter.setBrushOrigin(0, 0);
    painter.fillRect(filled, QBrush(QPixmap::fromImage(*pattern.Bitmap())));
  } else {
    painter.fillRect(filled, m_barColor);
  }
  painter.fillRect(rest, m_backColor);

  // The text in m_textColor; where that colour would vanish into the plain
  // colour behind it (the board's default colours are all the same grey), the
  // part of the text over it is drawn in a contrasting grey instead.
  const auto drawTextOver = [&](const QRect& part, const QColor& color) {
    if (part.isEmpty()) return;
    painter.save();
    painter.setClipRect(part);
    painter.setPen(color);
    painter.drawText(client, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
    painter.restore();
  };
  drawTextOver(filled, patterned ? m_textColor : ReadableTextColor(m_textColor, m_barColor));
  drawTextOver(rest, ReadableTextColor(m_textColor, m_backColor));
  DrawRaisedEdge(painter, client);
}

void CStatusBoardStatic::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_timer.timerId()) QWidget::timerEvent(event);
}
