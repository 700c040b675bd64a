// Command dispatch and the window's own buttons: close, cover the monitor,
// minimise, about, configuration and the S, M and L sizes.
#include "CHtmlAboutDialog.h"
#include "CHtmlMapDlg.h"
#include "CTRKDlg.h"
#include "CTrcConfigDlg.h"

void CTRKDlg::OnCommand(int id) {
  switch (id) {
    case IDC_CLOSE:
      OnBnClickedClose();
      break;
    case IDC_MAXIMIZE:
      OnBnClickedMaximize();
      break;
    case IDC_MINIMIZE:
      OnBnClickedMinimize();
      break;
    case IDC_ABOUT:
      OnBnClickedAbout();
      break;
    case IDC_CONF:
      OnBnClickedConf();
      break;
    case IDC_SIZE_S:
      SetWindowSize(WindowSizeCommand::Small);
      break;
    case IDC_SIZE_M:
      SetWindowSize(WindowSizeCommand::Medium);
      break;
    case IDC_SIZE_L:
      SetWindowSize(WindowSizeCommand::Large);
      break;
    default:
      // The video surface's notifications need no action; the playback and
      // file commands are dispatched by their own handlers.
      break;
  }
}

void CTRKDlg::OnSysCommand(int id) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) OnBnClickedAbout();
}

void CTRKDlg::OnBnClickedClose() {
  // Posted, as a close request from outside would be.
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CTRKDlg::OnBnClickedMaximize() {
  if (!m_maximized) {
    const QRect g = geometry();
    m_savedRect = {g.top(), g.left(), m_clientWidth, m_clientHeight};
    setGeometry(MonitorRect());
    raise();
    show();
    m_maximized = 1;
  } else {
    setGeometry(m_savedRect.left, m_savedRect.top, m_savedRect.width, m_savedRect.height);
    raise();
    show();
    m_maximized = 0;
  }
  if (m_mapDlg && m_mapEnabled) RepaintMapHost();
}

void CTRKDlg::OnBnClickedMinimize() {
  showMinimized();
  m_restoreVideoPending = 1;
}

void CTRKDlg::OnBnClickedAbout() {
  CHtmlAboutDialog about(this);
  about.DoModal();
}

void CTRKDlg::OnBnClickedConf() {
  CTrcConfigDlg config(this);
  if (config.DoModal() != QDialog::Accepted) return;
  m_mapProvider = config.m_mapSelection;
  if (m_mapDlg) {
    m_mapDlg->m_mapProvider = m_mapProvider;
    m_mapDlg->LoadFromResource(143);
  }
}
