// Layout, video fit, window shape, painting, mouse handling and the S, M and L
// window sizes of the main window.
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "map/CHtmlMapDlg.h"
#include "app/CTRKDlg.h"
#include "app/MainWindowSkin.h"

namespace {

// The pointer must travel this far (in pixels, summed over both axes) with
// the button held before a press on the background becomes a window move,
// so that clicks and double-clicks stay clicks.
constexpr int kMoveThreshold = 2;

// Height of the title area, above every panel.
constexpr int kTitleAreaHeight = 48;

QRect ToQRect(const LayoutRect& r) { return QRect(r.x, r.y, r.width, r.height); }

}  // namespace

void CTRKDlg::LayoutControls(int cx, int cy) {
  if (m_fullScreen) {
    const QRect monitor = MonitorRect();
    m_ui.m_videoBg.setGeometry(QRect(mapFromGlobal(monitor.topLeft()), monitor.size()));
    FitVideo();
    return;
  }
  LayoutInput input;
  input.cx = cx;
  input.cy = cy;
  input.mapEnabled = m_mapEnabled != 0;
  input.gsensorEnabled = m_gsensorEnabled != 0;
  input.gsensorHeight = m_ui.m_gsensor.height();
  input.wishes = {m_mapWidth, m_mapHeight, m_listHeight};
  LayoutResult result = ComputeLayout(input);

  for (const ControlPlace& place : result.places) {
    if (QWidget* control = Control(place.id)) control->setGeometry(ToQRect(place.rect));
  }
  if (m_mapDlg) m_mapDlg->setGeometry(ToQRect(result.mapHost));
  // With the map hidden there is no gap under it to drag: a rectangle kept
  // from before would take presses meant for the column gap.
  m_rightColumnRect = result.rightColumn;
  m_listSplitRect = result.listSplit;
  m_columnSplitRect = result.columnSplit;
  m_lastLayout = std::move(result);
  m_lastLayoutSize = QSize(cx, cy);
  FitVideo();
}

void CTRKDlg::FitVideo() {
  const QRect bg = m_ui.m_videoBg.geometry();
  const LayoutRect area = VideoAreaInside({bg.x(), bg.y(), bg.width(), bg.height()}, m_fullScreen != 0);
  uint16_t vw = 0;
  uint16_t vh = 0;
  if (!m_library.GetCurrentFrameSize(&vw, &vh)) vw = vh = 0;
  m_ui.m_video.setGeometry(ToQRect(FitVideoRect(area, vw, vh)));
  m_ui.m_video.update();
}

QRect CTRKDlg::MonitorRect() const {
  QScreen* nearest = QGuiApplication::screenAt(geometry().center());
  if (nearest == nullptr) nearest = screen();
  if (nearest == nullptr) nearest = QGuiApplication::primaryScreen();
  return nearest != nullptr ? nearest->geometry() : QRect(0, 0, kMinWindowWidth, kMinWindowHeight);
}

void CTRKDlg::SetWindowSize(WindowSizeCommand command) {
  const QRect m = MonitorRect();
  const LayoutRect r = WindowSizeRect(command, {m.x(), m.y(), m.width(), m.height()});
  m_maximized = 0;
  setGeometry(ToQRect(r));
}

void CTRKDlg::ApplyWindowShape() { setMask(MainWindowShape(width(), height(), m_fullScreen != 0)); }

void CTRKDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int cx = width();
  const int cy = height();
  if (cx == 0 || cy == 0) return;
  m_clientWidth = cx;
  m_clientHeight = cy;
  ApplyWindowShape();
  if (m_lastLayout.has_value()) {
    if (QSize(cx, cy) != m_lastLayoutSize) LayoutControls(cx, cy);
    if (m_restoreVideoPending) {
      m_restoreVideoPending = 0;
      m_ui.m_video.show();
    }
  }
  update();
}

void CTRKDlg::changeEvent(QEvent* event) {
  // Coming back from the task bar brings no size change here: show the
  // video surface again at the restore itself.
  if (event->type() == QEvent::WindowStateChange && !isMinimized() && m_restoreVideoPending) {
    m_restoreVideoPending = 0;
    m_ui.m_video.show();
  }
  QWidget::changeEvent(event);
}

void CTRKDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), m_background);
  const int cx = width();
  const int cy = height();
  PaintResizeGrip(painter, cx, cy);
  if (!m_fullScreen) PaintTitle(painter, m_title, m_titleSize);
}

void CTRKDlg::RepaintMapHost() {
  if (!m_mapDlg) return;
  m_mapDlg->hide();
  m_mapDlg->show();
}

void CTRKDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  const QPoint p = event->position().toPoint();
  switch (HitTestBackground(p.x(), p.y(), width(), height(), m_rightColumnRect, m_listSplitRect, m_columnSplitRect)) {
    case BackgroundHit::Grip:
      m_gripDrag = 1;
      return;
    case BackgroundHit::MapSplit:
      m_dragMapSplit = 1;
      return;
    case BackgroundHit::ListSplit:
      m_dragListSplit = 1;
      return;
    case BackgroundHit::ColumnSplit:
      m_dragColumnSplit = 1;
      return;
    case BackgroundHit::None:
      break;
  }
  if (!m_maximized && !m_fullScreen) {
    m_movePending = true;
    m_manualMove = false;
    m_movePressGlobal = event->globalPosition().toPoint();
    m_moveStartPos = pos();
  }
}

void CTRKDlg::MoveWindowBy(const QPoint& globalPos) { move(m_moveStartPos + (globalPos - m_movePressGlobal)); }

void CTRKDlg::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  const bool held = (event->buttons() & Qt::LeftButton) != 0;
  if (m_manualMove && held) {
    MoveWindowBy(event->globalPosition().toPoint());
    return;
  }
  if (m_movePending && held) {
    const QPoint travelled = event->globalPosition().toPoint() - m_movePressGlobal;
    if (travelled.manhattanLength() < kMoveThreshold) return;
    m_movePending = false;
    // The platform moves the window while the button is held; without a
    // window manager that offers it, move by hand.
    if (windowHandle() == nullptr || !windowHandle()->startSystemMove()) {
      m_manualMove = true;
      MoveWindowBy(event->globalPosition().toPoint());
    }
    return;
  }

  if (m_gripDrag && !m_maximized && !m_fullScreen) {
    const LayoutRect size = GripSize(p.x(), p.y());
    resize(size.width, size.height);
    raise();
    setCursor(Qt::SizeFDiagCursor);
    m_maximized = 0;
  } else if (m_dragMapSplit) {
    setCursor(Qt::SizeVerCursor);
    m_mapHeight = MapHeightForDrag(p.y());
    LayoutControls(m_clientWidth, m_clientHeight);
  } else if (m_dragListSplit) {
    setCursor(Qt::SizeVerCursor);
    m_listHeight = ListHeightForDrag(m_clientHeight, p.y());
    LayoutControls(m_clientWidth, m_clientHeight);
    m_ui.m_gsensor.update();
  } else if (m_dragColumnSplit) {
    setCursor(Qt::SizeHorCursor);
    m_mapWidth = MapWidthForDrag(m_clientWidth, p.x());
    LayoutControls(m_clientWidth, m_clientHeight);
    m_ui.m_gsensor.update();
  } else {
    UpdateHoverCursor(p);
  }
}

void CTRKDlg::UpdateHoverCursor(const QPoint& p) {
  switch (HitTestBackground(p.x(), p.y(), width(), height(), m_rightColumnRect, m_listSplitRect, m_columnSplitRect)) {
    case BackgroundHit::Grip:
      setCursor(Qt::SizeFDiagCursor);
      break;
    case BackgroundHit::MapSplit:
    case BackgroundHit::ListSplit:
      setCursor(Qt::SizeVerCursor);
      break;
    case BackgroundHit::ColumnSplit:
      setCursor(Qt::SizeHorCursor);
      break;
    case BackgroundHit::None:
      setCursor(Qt::ArrowCursor);
      break;
  }
}

void CTRKDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  m_movePending = false;
  m_manualMove = false;
  const QPoint p = event->position().toPoint();
  bool dragged = false;
  if (m_gripDrag) {
    // Covering the monitor or in full screen the grip does not resize (the
    // moves above did not either).
    if (!m_maximized && !m_fullScreen) {
      const LayoutRect size = GripSize(p.x(), p.y());
      resize(size.width, size.height);
    }
    m_gripDrag = 0;
    dragged = true;
  } else if (m_dragMapSplit || m_dragListSplit || m_dragColumnSplit) {
    m_dragMapSplit = m_dragListSplit = m_dragColumnSplit = 0;
    LayoutControls(m_clientWidth, m_clientHeight);
    dragged = true;
  }
  if (dragged) {
    UpdateHoverCursor(p);
    RepaintMapHost();
  }
}

void CTRKDlg::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  if (m_ui.m_speed.geometry().contains(p)) {
    // The speed label handles its own double-click (the unit).
    if (m_forwardingDoubleClick) return;
    m_forwardingDoubleClick = true;
    const QPointF local = m_ui.m_speed.mapFrom(this, event->position());
    QMouseEvent forwarded(QEvent::MouseButtonDblClick, local, event->globalPosition(), Qt::LeftButton, event->buttons(),
                          event->modifiers());
    QCoreApplication::sendEvent(&m_ui.m_speed, &forwarded);
    m_forwardingDoubleClick = false;
    return;
  }
  OnBnClickedMaximize();
}

void CTRKDlg::contextMenuEvent(QContextMenuEvent* event) {
  // The title area carries the window's menu (About).
  if (event->pos().y() < kTitleAreaHeight && m_systemMenu && !m_systemMenu->isEmpty()) {
    m_systemMenu->exec(event->globalPos());
    return;
  }
  QWidget::contextMenuEvent(event);
}
