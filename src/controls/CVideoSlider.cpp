#include "controls/CVideoSlider.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "controls/EdgeDrawing.h"

CVideoSlider::CVideoSlider(QWidget* parent, int controlId) : CSliderCtrl(parent, controlId) {}

void CVideoSlider::DrawChannel(QPainter& painter, const QRect&) {
  // The whole strip is the channel: a sunken trough in the window colour.
  painter.fillRect(rect(), QColor(64, 64, 64));
  DrawSunkenEdge(painter, rect());
  const QRect travel = GetChannelRect();
  DrawClipMarks(painter, travel);
  for (const Mark& mark : m_marks) {
    const int x = travel.left() + static_cast<int>(mark.fraction * travel.width());
    painter.fillRect(QRect(x - 1, rect().top() + 2, 3, rect().height() - 4), mark.color);
  }
}

void CVideoSlider::SetMarks(std::vector<Mark> marks) {
  m_marks = std::move(marks);
  update();
}

void CVideoSlider::SetClipMarks(const ClipMarks& marks) {
  if (marks == m_clipMarks) return;
  m_clipMarks = marks;
  update();
}

void CVideoSlider::DrawClipMarks(QPainter& painter, const QRect& travel) const {
  const auto [start, end] = m_clipMarks;
  if (!start && !end) return;
  auto xOf = [&travel](double fraction) {
    return travel.left() + static_cast<int>(std::clamp(fraction, 0.0, 1.0) * travel.width());
  };
  const QRect inner = rect().adjusted(2, 2, -2, -2);
  // The span between the two marks is shaded, where it crosses this recording.
  if (start && end && *end > 0.0 && *start < 1.0) {
    const int left = xOf(*start), right = xOf(*end);
    painter.fillRect(QRect(left, inner.top(), right - left, inner.height()), QColor(255, 255, 255, 60));
  }
  const QColor color = ClipMarkColor();
  auto bracket = [&](double fraction, int inward) {
    if (fraction < 0.0 || fraction > 1.0) return;
    const int x = xOf(fraction);
    const int foot = inward > 0 ? x : x - 3;
    painter.fillRect(QRect(x - (inward > 0 ? 0 : 1), inner.top(), 2, inner.height()), color);
    painter.fillRect(QRect(foot, inner.top(), 4, 2), color);
    painter.fillRect(QRect(foot, inner.bottom() - 1, 4, 2), color);
  };
  if (start) bracket(*start, 1);
  if (end) bracket(*end, -1);
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
