#include "app/WindowFrame.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include "app/CTRKDlg.h"
#include "app/MainWindowSkin.h"
#include "map/CHtmlMapDlg.h"
#include "settings/CSettings.h"

namespace {

// The pointer must travel this far (in pixels, summed over both axes) with
// the button held before a press on the background becomes a window move,
// so that clicks and double-clicks stay clicks.
constexpr int kMoveThreshold = 2;

QRect ToQRect(const LayoutRect& r) { return QRect(r.x, r.y, r.width, r.height); }

}  // namespace

WindowFrame::WindowFrame(CTRKDlg& window) : m_window(window) { m_window.installEventFilter(this); }

WindowFrame::~WindowFrame() { m_window.removeEventFilter(this); }

bool WindowFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &m_window) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
      const auto& mouse = *static_cast<QMouseEvent*>(event);
      // Other buttons are the window's own (its menu).
      if (mouse.button() != Qt::LeftButton) return false;
      if (event->type() == QEvent::MouseButtonPress)
        OnPress(mouse);
      else
        OnRelease(mouse);
      event->accept();
      return true;
    }
    case QEvent::MouseMove:
      OnMove(*static_cast<QMouseEvent*>(event));
      event->accept();
      return true;
    case QEvent::MouseButtonDblClick:
      OnDoubleClick(*static_cast<QMouseEvent*>(event));
      event->accept();
      return true;
    case QEvent::Resize:
      OnResize();
      return false;
    case QEvent::WindowStateChange:
      // Coming back from the task bar brings no size change here: show the
      // video surface again at the restore itself.
      if (!m_window.isMinimized()) ShowVideoAfterRestore();
      return false;
    default:
      return false;
  }
}

// Sizes

QRect WindowFrame::MonitorRect() const {
  QScreen* nearest = QGuiApplication::screenAt(m_window.geometry().center());
  if (nearest == nullptr) nearest = m_window.screen();
  if (nearest == nullptr) nearest = QGuiApplication::primaryScreen();
  return nearest != nullptr ? nearest->geometry() : QRect(0, 0, kMinWindowWidth, kMinWindowHeight);
}

void WindowFrame::SetWindowSize(WindowSizeCommand command) {
  const QRect m = MonitorRect();
  const LayoutRect r = WindowSizeRect(command, {m.x(), m.y(), m.width(), m.height()});
  m_maximized = false;
  m_window.setGeometry(ToQRect(r));
}

void WindowFrame::RememberPlace() {
  const QRect g = m_window.geometry();
  m_savedRect = {g.top(), g.left(), m_clientSize.width(), m_clientSize.height()};
}

void WindowFrame::ReturnToSavedPlace() {
  m_window.setGeometry(m_savedRect.left, m_savedRect.top, m_savedRect.width, m_savedRect.height);
  m_window.raise();
  m_window.show();
}

void WindowFrame::OnBnClickedMaximize() {
  if (!m_maximized) {
    RememberPlace();
    m_window.setGeometry(MonitorRect());
    m_window.raise();
    m_window.show();
    m_maximized = true;
  } else {
    ReturnToSavedPlace();
    m_maximized = false;
  }
  if (m_window.IsMapEnabled()) RepaintMapHost();
}

void WindowFrame::OnBnClickedMinimize() {
  m_window.showMinimized();
  m_restoreVideoPending = true;
}

void WindowFrame::ShowVideoAfterRestore() {
  if (!m_restoreVideoPending) return;
  m_restoreVideoPending = false;
  m_window.Ui().m_video.show();
}

void WindowFrame::WriteWindowRect() const {
  const QRect g = m_window.geometry();
  CSettings& settings = CSettings::Instance();
  settings.WriteInt("WINPOS", "LEFT", g.left());
  settings.WriteInt("WINPOS", "TOP", g.top());
  settings.WriteInt("WINPOS", "RIGHT", g.left() + g.width());
  settings.WriteInt("WINPOS", "BOTTOM", g.top() + g.height());
}

void WindowFrame::ApplyWindowShape() {
  m_window.setMask(MainWindowShape(m_window.width(), m_window.height(), m_fullScreen));
}

void WindowFrame::RepaintMapHost() {
  CHtmlMapDlg* map = m_window.MapDlg();
  if (map == nullptr) return;
  map->hide();
  map->show();
}

void WindowFrame::OnResize() {
  const int cx = m_window.width();
  const int cy = m_window.height();
  if (cx == 0 || cy == 0) return;
  m_clientSize = QSize(cx, cy);
  ApplyWindowShape();
  if (m_lastLayout.has_value()) {
    if (m_clientSize != m_lastLayoutSize) Relayout();
    ShowVideoAfterRestore();
  }
  m_window.update();
}

// Layout

void WindowFrame::Relayout() { m_window.LayoutControls(m_clientSize.width(), m_clientSize.height()); }

void WindowFrame::KeepLayout(LayoutResult layout, QSize size) {
  m_lastLayout = std::move(layout);
  m_lastLayoutSize = size;
}

// Full screen

void WindowFrame::OnToggleFullScreen() {
  // Only a playing video is paused for the switch and resumed after it: a
  // stopped player must not start, a paused one stays paused.
  if (m_window.Library().Recordings().empty()) return;
  CPlaybackController& playback = m_window.Playback();
  const bool wasPlaying = playback.PauseIfPlaying();

  if (!m_fullScreen) {
    RememberPlace();
    const QRect monitor = MonitorRect();
    const int mw = monitor.width();
    const int mh = monitor.height();
    m_maximized = false;
    m_fullScreen = true;
    ShowControls(false);
    // A window that already spans the monitor in one direction gets one
    // pixel less height, as the window this layout was made for did.
    const int h = (mw == m_clientSize.width() || mh == m_clientSize.height()) ? mh - 1 : mh;
    m_window.setGeometry(monitor.left(), monitor.top(), mw, h);
    m_window.raise();
    m_window.show();
    // The size event may not come (same size as before): shape, layout and
    // title follow the mode here in any case.
    ApplyWindowShape();
    m_window.LayoutControls(m_window.width(), m_window.height());
    m_window.update();
    m_window.Ui().m_play.setFocus();
    m_window.Ui().m_video.repaint();
  } else {
    m_fullScreen = false;
    ShowControls(true);
    ReturnToSavedPlace();
    ApplyWindowShape();
    // The last normal layout may have been for this very size, so the size
    // event would not lay out again; the controls come back from the
    // full-screen places now.
    m_window.LayoutControls(m_window.width(), m_window.height());
    if (m_window.IsMapEnabled()) RepaintMapHost();
    m_window.update();
  }

  if (wasPlaying) playback.Play();
}

void WindowFrame::ShowControls(bool show) {
  WindowControls& ui = m_window.Ui();
  ui.m_gsensor.setVisible(show && m_window.IsGSensorEnabled());
  QWidget* const controls[] = {
      &ui.m_play,     &ui.m_stop,     &ui.m_slow,           &ui.m_fast,         &ui.m_del,     &ui.m_save,
      &ui.m_snap,     &ui.m_open,     &ui.m_loop,           &ui.m_flip,         &ui.m_kml,     &ui.m_mapButton,
      &ui.m_gsr,      &ui.m_lock,     &ui.m_positionSlider, &ui.m_volumeSlider, &ui.m_gpsIcon, &ui.m_close,
      &ui.m_maximize, &ui.m_minimize, &ui.m_about,          &ui.m_volume,       &ui.m_car,     &ui.m_groupList,
      &ui.m_fileList, &ui.m_speed,    &ui.m_sizeS,          &ui.m_sizeM,        &ui.m_sizeL,
  };
  for (QWidget* control : controls) control->setVisible(show);
  ui.m_progressBoard.hide();
  if (CHtmlMapDlg* map = m_window.MapDlg()) {
    if (m_window.IsMapEnabled() && show) {
      map->show();
    } else {
      // Parked, not hidden: the page keeps running behind the video.
      map->setGeometry(0, 0, 1, 1);
    }
  }
}

// Mouse on the window's own background

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
