// The mouse on the window's own background: a press moves the window, drags
// the grip or a panel gap; the pointer shows which; a double-click covers the
// monitor.
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWindow>

#include "app/CTRKDlg.h"
#include "app/WindowFrame.h"

namespace {

// The pointer must travel this far (in pixels, summed over both axes) with
// the button held before a press on the background becomes a window move,
// so that clicks and double-clicks stay clicks.
constexpr int kMoveThreshold = 2;

}  // namespace

BackgroundHit WindowFrame::HitTest(const QPoint& p) const {
  // Before the first layout there are no gaps to take a press.
  const LayoutResult none;
  const LayoutResult& layout = m_lastLayout.has_value() ? *m_lastLayout : none;
  return HitTestBackground(p.x(), p.y(), m_window.width(), m_window.height(), layout.rightColumn, layout.listSplit,
                           layout.columnSplit);
}

void WindowFrame::OnPress(const QMouseEvent& event) {
  const BackgroundHit hit = HitTest(event.position().toPoint());
  if (hit != BackgroundHit::None) {
    m_drag = hit;
    return;
  }
  if (!m_maximized && !m_fullScreen) {
    m_move = MoveState::Pending;
    m_movePressGlobal = event.globalPosition().toPoint();
    m_moveStartPos = m_window.pos();
  }
}

void WindowFrame::MoveWindowBy(const QPoint& globalPos) {
  m_window.move(m_moveStartPos + (globalPos - m_movePressGlobal));
}

void WindowFrame::OnMove(const QMouseEvent& event) {
  const QPoint p = event.position().toPoint();
  const bool held = (event.buttons() & Qt::LeftButton) != 0;
  if (m_move == MoveState::Manual && held) {
    MoveWindowBy(event.globalPosition().toPoint());
    return;
  }
  if (m_move == MoveState::Pending && held) {
    const QPoint travelled = event.globalPosition().toPoint() - m_movePressGlobal;
    if (travelled.manhattanLength() < kMoveThreshold) return;
    m_move = MoveState::None;
    // The platform moves the window while the button is held; without a
    // window manager that offers it, move by hand.
    if (m_window.windowHandle() == nullptr || !m_window.windowHandle()->startSystemMove()) {
      m_move = MoveState::Manual;
      MoveWindowBy(event.globalPosition().toPoint());
    }
    return;
  }

  const QSize client = m_clientSize;
  switch (m_drag) {
    case BackgroundHit::Grip:
      // Covering the monitor or in full screen the grip does not resize.
      if (m_maximized || m_fullScreen) break;
      {
        const LayoutRect size = GripSize(p.x(), p.y());
        m_window.resize(size.width, size.height);
      }
      m_window.raise();
      m_window.setCursor(Qt::SizeFDiagCursor);
      return;
    case BackgroundHit::MapSplit:
      m_window.setCursor(Qt::SizeVerCursor);
      m_wishes.mapHeight = MapHeightForDrag(p.y());
      Relayout();
      return;
    case BackgroundHit::ListSplit:
      m_window.setCursor(Qt::SizeVerCursor);
      m_wishes.listHeight = ListHeightForDrag(client.height(), p.y());
      Relayout();
      m_window.Ui().m_gsensor.update();
      return;
    case BackgroundHit::ColumnSplit:
      m_window.setCursor(Qt::SizeHorCursor);
      m_wishes.mapWidth = MapWidthForDrag(client.width(), p.x());
      Relayout();
      m_window.Ui().m_gsensor.update();
      return;
    case BackgroundHit::None:
      break;
  }
  UpdateHoverCursor(p);
}

void WindowFrame::UpdateHoverCursor(const QPoint& p) {
  switch (HitTest(p)) {
    case BackgroundHit::Grip:
      m_window.setCursor(Qt::SizeFDiagCursor);
      break;
    case BackgroundHit::MapSplit:
    case BackgroundHit::ListSplit:
      m_window.setCursor(Qt::SizeVerCursor);
      break;
    case BackgroundHit::ColumnSplit:
      m_window.setCursor(Qt::SizeHorCursor);
      break;
    case BackgroundHit::None:
      m_window.setCursor(Qt::ArrowCursor);
      break;
  }
}

void WindowFrame::OnRelease(const QMouseEvent& event) {
  m_move = MoveState::None;
  const QPoint p = event.position().toPoint();
  const BackgroundHit drag = m_drag;
  m_drag = BackgroundHit::None;
  if (drag == BackgroundHit::None) return;
  if (drag == BackgroundHit::Grip) {
    // Covering the monitor or in full screen the grip does not resize (the
    // moves before did not either).
    if (!m_maximized && !m_fullScreen) {
      const LayoutRect size = GripSize(p.x(), p.y());
      m_window.resize(size.width, size.height);
    }
  } else {
    Relayout();
  }
  UpdateHoverCursor(p);
  RepaintMapHost();
}

void WindowFrame::OnDoubleClick(const QMouseEvent& event) {
  if (event.button() != Qt::LeftButton) return;
  CSpeedLabelStatic& speed = m_window.Ui().m_speed;
  if (speed.geometry().contains(event.position().toPoint())) {
    // The speed label handles its own double-click (the unit); it comes
    // back here when the label lets it through.
    if (m_forwardingDoubleClick) return;
    m_forwardingDoubleClick = true;
    const QPointF local = speed.mapFrom(&m_window, event.position());
    QMouseEvent forwarded(QEvent::MouseButtonDblClick, local, event.globalPosition(), Qt::LeftButton, event.buttons(),
                          event.modifiers());
    QCoreApplication::sendEvent(&speed, &forwarded);
    m_forwardingDoubleClick = false;
    return;
  }
  OnBnClickedMaximize();
}
