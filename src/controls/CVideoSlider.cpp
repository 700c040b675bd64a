#include "CVideoSlider.h"

#include <QMouseEvent>
#include <QPainter>

#include "EdgeDrawing.h"

CVideoSlider::CVideoSlider(QWidget* parent, int controlId) : CSliderCtrl(parent, controlId) {}

void CVideoSlider::DrawChannel(QPainter& painter, const QRect&) {
  // The whole strip is the channel: a sunken trough in the window colour.
  painter.fillRect(rect(), QColor(64, 64, 64));
  DrawSunkenEdge(painter, rect());
  const QRect travel = GetChannelRect();
  for (const Mark& mark : m_marks) {
    const int x = travel.left() + static_cast<int>(mark.fraction * travel.width());
    painter.fillRect(QRect(x - 1, rect().top() + 2, 3, rect().height() - 4), mark.color);
  }
}

void CVideoSlider::SetMarks(std::vector<Mark> marks) {
  m_marks = std::move(marks);
  update();
}

void CVideoSlider::DrawThumb(QPainter& painter, const QRect& thumb, bool selected) {
  PaintRoundThumb(painter, thumb, selected, m_thumbColor, m_thumbPressedColor);
}

void CVideoSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->accept();
    return;
  }
  // The mouse stays with this control until the release (implicit grab).
  PositionFromX(event->position().toPoint().x());
  m_dragging = true;
  update();
  event->accept();
}

void CVideoSlider::mouseMoveEvent(QMouseEvent* event) {
  if (m_dragging) {
    PositionFromX(event->position().toPoint().x());
    emit SeekRequested();
  }
  CSliderCtrl::mouseMoveEvent(event);
}

void CVideoSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->accept();
    return;
  }
  m_dragging = false;
  PositionFromX(event->position().toPoint().x());
  emit SeekRequested();
  update();
  CSliderCtrl::mouseReleaseEvent(event);
}
