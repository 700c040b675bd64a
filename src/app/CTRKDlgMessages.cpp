// Window input, the settings the config dialog applies, timers.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QDropEvent>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QTimer>
#include <memory>

#include "map/CHtmlMapDlg.h"
#include "settings/CSettings.h"
#include "app/CTRKDlg.h"
#include "map/MapReload.h"
#include "app/QtTranslations.h"
#include "app/TitleMenu.h"

namespace {

bool IsWindowInputEvent(QEvent::Type type) {
  return type == QEvent::KeyPress || type == QEvent::Wheel || type == QEvent::DragEnter || type == QEvent::DragMove ||
         type == QEvent::Drop;
}

}  // namespace

bool CTRKDlg::ShowsWidget(const QWidget* widget) const {
  // The map's web view is embedded from a window of its own.
  return widget->window() == this || (m_mapDlg != nullptr && m_mapDlg->HostsWidget(widget));
}

bool CTRKDlg::eventFilter(QObject* watched, QEvent* event) {
  // Keys, wheel turns and drops on any control of this window (dialogs are
  // windows of their own). Escape never closes the window.
  // The filter sees every event of the program, some of them sent to objects
  // still being built or torn down (the web engine's among them): the event's
  // type is asked first, the receiver only for the few events handled here.
  if (!IsWindowInputEvent(event->type()) || !watched->isWidgetType() || !ShowsWidget(static_cast<QWidget*>(watched)))
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

void CTRKDlg::OnLanguageChanged() {
  ApplyQtTranslations();
  m_ui.m_groupList.RelabelColumns();
  m_ui.m_fileList.RelabelColumns();
  if (m_toolTip) {
    m_toolTip->ResetTools();
    m_toolTip->m_tipEntries.clear();
  }
  ApplyButtonTips();
  if (m_systemMenu) RelabelTitleMenu(*m_systemMenu);
  m_ui.m_progressBoard.update();
  m_events->RelabelEvents();
}

void CTRKDlg::OnMapProviderChanged() {
  m_mapProvider = CSettings::Instance().ReadMapProvider();
  if (m_mapDlg) ReloadMapPage(*m_mapDlg, m_mapProvider, [this] { m_trackDisplay.DrawLoadedTrack(); });
}

void CTRKDlg::SetTimer(TimerId id, int periodMs) {
  std::unique_ptr<QTimer>& timer = m_timers[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    connect(timer.get(), &QTimer::timeout, this, [this, id] { OnTimer(id); });
  }
  timer->start(periodMs);
}

void CTRKDlg::KillTimer(TimerId id) {
  auto it = m_timers.find(id);
  if (it != m_timers.end()) it->second->stop();
}

bool CTRKDlg::IsTimerActive(TimerId id) const {
  auto it = m_timers.find(id);
  return it != m_timers.end() && it->second->isActive();
}

void CTRKDlg::OnTimer(TimerId id) { m_playbackPresenter->OnPlaybackTimer(id); }
