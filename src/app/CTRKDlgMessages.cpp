// Private messages, timers and the opening of a folder.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QDropEvent>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QTimer>
#include <memory>

#include "CHtmlMapDlg.h"
#include "CSettings.h"
#include "CTRKDlg.h"
#include "PrivateMessages.h"
#include "TitleMenu.h"
#include "TrackDrawing.h"

bool CTRKDlg::event(QEvent* event) {
  if (const CPrivateEvent* message = AsPrivateEvent(event)) return OnPrivateMessage(*message);
  return QWidget::event(event);
}

bool CTRKDlg::eventFilter(QObject* watched, QEvent* event) {
  // Keys, wheel turns and drops on any control of this window (dialogs are
  // windows of their own). Escape never closes the window.
  if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this)
    return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress:
      if (OnWindowKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
      }
      break;
    case QEvent::Wheel:
      if (OnWindowWheel(static_cast<QWidget*>(watched), *static_cast<QWheelEvent*>(event))) {
        event->accept();
        return true;
      }
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      if (OnWindowDrag(*static_cast<QDropEvent*>(event))) return true;
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

bool CTRKDlg::OnPrivateMessage(const CPrivateEvent& message) {
  if (OnPlaybackMessage(message)) return true;  // playback and synchronisation
  switch (message.Message()) {
    case WM_LANGUAGE_CHANGED:
      OnLanguageChanged();
      break;
    case WM_MAP_PROVIDER_CHANGED:
      OnMapProviderChanged();
      break;
    case WM_TOGGLE_FULLSCREEN:
      OnToggleFullScreen();
      break;
    case WM_SHOW_CONTROLS:
      ShowControls(true);
      break;
    default:
      // WM_RESERVED_C03 and the messages no handler takes yet: nothing.
      break;
  }
  return true;
}

void CTRKDlg::OnLanguageChanged() {
  m_groupList.RelabelColumns();
  m_fileList.RelabelColumns();
  if (m_toolTip) {
    m_toolTip->ResetTools();
    m_toolTip->m_tipEntries.clear();
  }
  ApplyButtonTips();
  if (m_systemMenu) RelabelTitleMenu(*m_systemMenu);
  m_progressBoard.update();
}

void CTRKDlg::OnMapProviderChanged() {
  m_mapProvider = CSettings::Instance().ReadMapProvider();
  if (m_mapDlg) {
    m_mapDlg->SetMapProvider(m_mapProvider);
    m_mapDlg->LoadFromResource(143);
  }
}

void CTRKDlg::SetTimer(int id, int periodMs) {
  std::unique_ptr<QTimer>& timer = m_timers[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    connect(timer.get(), &QTimer::timeout, this, [this, id] { OnTimer(id); });
  }
  timer->start(periodMs);
}

void CTRKDlg::KillTimer(int id) {
  auto it = m_timers.find(id);
  if (it != m_timers.end()) it->second->stop();
}

bool CTRKDlg::IsTimerActive(int id) const {
  auto it = m_timers.find(id);
  return it != m_timers.end() && it->second->isActive();
}

void CTRKDlg::OnTimer(int id) {
  if (OnPlaybackTimer(id)) return;  // playback and synchronisation
  switch (id) {
    case 100:
      // Full screen was entered 800 ms ago. The key press that follows there
      // on the platform this window was made for has nothing to act on here.
      KillTimer(100);
      break;
    case 105:
      OnOpenCountdownTick();
      break;
    case 106:
      g_busy = 0;
      KillTimer(106);
      break;
    default:
      break;
  }
}

void CTRKDlg::OnOpenCountdownTick() {
  if (m_openCountdown == 0 || m_openCountdown == -1) return;
  --m_openCountdown;
  if (m_openCountdown == 0 && m_pendingIndex != -1) PlayRecording(m_pendingIndex, PlayVariant::AfterOpen);
}

