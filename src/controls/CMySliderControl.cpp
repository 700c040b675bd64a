#include "controls/CMySliderControl.h"

#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>

#include "controls/EdgeDrawing.h"
#include "controls/ParentPixels.h"

CMySliderControl::CMySliderControl(QWidget* parent, int controlId) : CSliderCtrl(parent, controlId) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
}

CMySliderControl::~CMySliderControl() = default;

void CMySliderControl::DrawChannel(QPainter& painter, const QRect& channel) {
  if (m_backgroundDC.isNull()) m_backgroundDC = CaptureParentPixels(this);
  if (!m_backgroundDC.isNull()) painter.drawImage(QPoint(0, 0), m_backgroundDC);
  QRect groove = channel;
  if (groove.width() < groove.height()) {
    groove.adjust(-1, 0, 1, 0);
  } else {
    groove.adjust(0, -2, 0, 2);
  }
  DrawSunkenEdge(painter, groove);
}

void CMySliderControl::DrawThumb(QPainter& painter, const QRect& thumb, bool selected) {
  PaintRoundThumb(painter, thumb, selected, m_thumbColor, m_thumbPressedColor);
}

void CMySliderControl::moveEvent(QMoveEvent* event) {
  CSliderCtrl::moveEvent(event);
  // What lies behind the slider changed: capture it again at the next paint.
  m_backgroundDC = QImage();
  update();
}

void CMySliderControl::mousePressEvent(QMouseEvent* event) {
  CSliderCtrl::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  PositionFromX(event->position().toPoint().x());
  m_dragging = true;
  update();
}

void CMySliderControl::mouseMoveEvent(QMouseEvent* event) {
  if (m_dragging) {
    PositionFromX(event->position().toPoint().x());
    emit VolumeChanged();
  }
  CSliderCtrl::mouseMoveEvent(event);
}

void CMySliderControl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->accept();
    return;
  }
  m_dragging = false;
  CSliderCtrl::mouseReleaseEvent(event);
  emit VolumeChanged();
  update();
}
