#include "controls/CSliderCtrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cstdint>

#include "controls/ControlId.h"
#include "controls/EdgeDrawing.h"

CSliderCtrl::CSliderCtrl(QWidget* parent, int controlId) : QSlider(Qt::Horizontal, parent) {
  if (controlId != 0) SetControlId(this, controlId);
  setTickPosition(QSlider::NoTicks);
  setFocusPolicy(Qt::ClickFocus);
  setPageStep(std::max(1, (maximum() - minimum()) / 5));
  connect(this, &QAbstractSlider::actionTriggered, this, &CSliderCtrl::OnActionTriggered);
}

QRect CSliderCtrl::GetChannelRect() const {
  const int left = kThumbWidth / 2 + 2;
  const int right = std::max(left, width() - left);
  const int top = (height() - kChannelHeight) / 2;
  return QRect(left, top, right - left, kChannelHeight);
}

QRect CSliderCtrl::GetThumbRect() const {
  const QRect channel = GetChannelRect();
  const int span = maximum() - minimum();
  int centre = channel.left();
  if (span > 0) {
    centre += static_cast<int>(static_cast<int64_t>(value() - minimum()) * channel.width() / span);
  }
  const int side = std::min(kThumbWidth, std::max(4, height() - 2));
  return QRect(centre - kThumbWidth / 2, (height() - side) / 2, kThumbWidth, side);
}

void CSliderCtrl::SetRange(int minimumValue, int maximumValue, bool redraw) {
  setRange(minimumValue, maximumValue);
  setPageStep(std::max(1, (maximumValue - minimumValue) / 5));
  if (redraw) update();
}

void CSliderCtrl::SetPos(int position) {
  // A new value repaints the thumb (sliderChange); the same one repaints nothing.
  setValue(position);
}

void CSliderCtrl::sliderChange(SliderChange change) {
  if (change != SliderValueChange) {
    QSlider::sliderChange(change);
    return;
  }
  // The playing video moves the position at every time report: only the
  // thumb's old and new places are painted again, when they differ.
  const QRect thumb = GetThumbRect();
  if (thumb != m_paintedThumb) update(thumb.united(m_paintedThumb));
}

void CSliderCtrl::PositionFromX(int x) {
  const QRect channel = GetChannelRect();
  if (channel.width() <= 0) return;
  const int64_t position = static_cast<int64_t>(x - channel.left()) * (maximum() - minimum()) / channel.width();
  SetPos(static_cast<int>(std::clamp<int64_t>(position, INT32_MIN, INT32_MAX)));
}

void CSliderCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawChannel(painter, GetChannelRect());
  m_paintedThumb = GetThumbRect();
  DrawThumb(painter, m_paintedThumb, IsThumbSelected());
}

void CSliderCtrl::DrawChannel(QPainter& painter, const QRect& channel) { DrawSunkenEdge(painter, channel); }

void CSliderCtrl::DrawThumb(QPainter& painter, const QRect& thumb, bool selected) {
  PaintRoundThumb(painter, thumb, selected, palette().color(QPalette::Button), palette().color(QPalette::Light));
}

void CSliderCtrl::PaintRoundThumb(QPainter& painter, const QRect& thumb, bool selected, const QColor& color,
                                  const QColor& pressedColor) const {
  QColor fill = selected ? pressedColor : color;
  if (fill.rgb() == qRgb(0, 0, 0)) fill = palette().color(selected ? QPalette::Light : QPalette::Button);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(fill);
  painter.drawEllipse(QRectF(thumb).adjusted(0.5, 0.5, -0.5, -0.5));
  painter.restore();
}

void CSliderCtrl::OnActionTriggered(int action) { m_lastAction = action; }

void CSliderCtrl::RunAction(QAbstractSlider::SliderAction action) {
  m_lastAction = SliderNoAction;
  triggerAction(action);
  if (m_lastAction != SliderNoAction) emit HScroll(m_lastAction);
}

void CSliderCtrl::TrackbarMousePress(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint point = event->position().toPoint();
  const QRect thumb = GetThumbRect();
  if (thumb.contains(point)) {
    m_thumbTracking = true;
    update();
    return;
  }
  RunAction(point.x() < thumb.center().x() ? SliderPageStepSub : SliderPageStepAdd);
}

void CSliderCtrl::TrackbarMouseMove(QMouseEvent* event) {
  if (!m_thumbTracking) return;
  const QRect channel = GetChannelRect();
  if (channel.width() <= 0) return;
  const int64_t position = minimum() + static_cast<int64_t>(event->position().toPoint().x() - channel.left()) *
                                           (maximum() - minimum()) / channel.width();
  // With tracking on, moving the slider position runs the SliderMove action.
  m_lastAction = SliderNoAction;
  setSliderPosition(static_cast<int>(std::clamp<int64_t>(position, minimum(), maximum())));
  if (m_lastAction != SliderNoAction) emit HScroll(m_lastAction);
}

void CSliderCtrl::TrackbarMouseRelease(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !m_thumbTracking) return;
  m_thumbTracking = false;
  update();
}

void CSliderCtrl::mousePressEvent(QMouseEvent* event) {
  TrackbarMousePress(event);
  event->accept();
}

void CSliderCtrl::mouseMoveEvent(QMouseEvent* event) {
  TrackbarMouseMove(event);
  event->accept();
}

void CSliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
  TrackbarMouseRelease(event);
  event->accept();
}

void CSliderCtrl::keyPressEvent(QKeyEvent* event) {
  m_lastAction = SliderNoAction;
  QSlider::keyPressEvent(event);
  if (m_lastAction != SliderNoAction) emit HScroll(m_lastAction);
}

#if QT_CONFIG(wheelevent)
void CSliderCtrl::wheelEvent(QWheelEvent* event) {
  m_lastAction = SliderNoAction;
  QSlider::wheelEvent(event);
  if (m_lastAction != SliderNoAction) emit HScroll(m_lastAction);
}
#endif
