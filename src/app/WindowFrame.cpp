#include "app/WindowFrame.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include "app/CTRKDlg.h"
#include "app/MainWindowSkin.h"
#include "map/CHtmlMapDlg.h"
#include "settings/CSettings.h"

namespace {

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
