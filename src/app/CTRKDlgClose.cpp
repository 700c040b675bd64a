// Close path and destruction of the main window.
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "app/CTRKDlg.h"
#include "app/ClipWorker.h"

void CTRKDlg::closeEvent(QCloseEvent* event) {
  if (!m_closed) {
    if (m_playback->IsLoaded()) m_playback->Stop();
    m_frame->WriteWindowRect();
    m_closed = true;
  }
  event->accept();
  emit Closed();
}

void CTRKDlg::OnCancel() {
  if (m_playback->IsLoaded()) m_playback->Stop();
  m_frame->WriteWindowRect();
}

CTRKDlg::~CTRKDlg() {
  qApp->removeEventFilter(this);
  m_timers.clear();
  // The player must not draw into the surface's window once it is gone.
  if (m_playback->IsLoaded()) m_playback->Stop();
  m_trackDisplay.SetMap(nullptr);
  m_systemMenu.reset();
  // The controls go next in reverse declaration order; the session has
  // taken the library's views and the map host back before.
}
