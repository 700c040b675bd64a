#include "CStatusBoardStatic.h"

#include <QPainter>
#include <QTimerEvent>

#include "CGdiPlusBitmapResource.h"
#include "ControlId.h"
#include "EdgeDrawing.h"

CStatusBoardStatic::CStatusBoardStatic(QWidget* parent, int controlId) : QWidget(parent) {
  if (controlId != 0) SetControlId(this, controlId);
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  m_timer.start(200, this);
}

CStatusBoardStatic::~CStatusBoardStatic() { m_timer.stop(); }

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
  if (m_patternBitmap != 0 && pattern.Load(m_patternBitmap, "BMP")) {
    // The pattern tiles from the control's origin.
    painter.setBrushOrigin(0, 0);
    painter.fillRect(filled, QBrush(QPixmap::fromImage(*pattern.Bitmap())));
  } else {
    painter.fillRect(filled, m_barColor);
  }
  painter.fillRect(rest, m_backColor);

  painter.setPen(m_textColor);
  painter.drawText(client, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
  DrawRaisedEdge(painter, client);
}

void CStatusBoardStatic::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_timer.timerId()) QWidget::timerEvent(event);
}
