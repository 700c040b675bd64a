// Layout, video fit and painting of the main window.
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

#include "map/CHtmlMapDlg.h"
#include "app/CTRKDlg.h"
#include "app/MainWindowSkin.h"

namespace {

// Height of the title area, above every panel.
constexpr int kTitleAreaHeight = 48;

QRect ToQRect(const LayoutRect& r) { return QRect(r.x, r.y, r.width, r.height); }

}  // namespace

void CTRKDlg::LayoutControls(int cx, int cy) {
  if (m_frame->IsFullScreen()) {
    const QRect monitor = m_frame->MonitorRect();
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
  input.wishes = m_frame->Wishes();
  LayoutResult result = ComputeLayout(input);

  for (const ControlPlace& place : result.places) {
    if (QWidget* control = Control(place.id)) control->setGeometry(ToQRect(place.rect));
  }
  if (m_mapDlg) m_mapDlg->setGeometry(ToQRect(result.mapHost));
  // With the map hidden there is no gap under it to drag: the frame takes
  // the gaps of this layout, none kept from before.
  m_frame->KeepLayout(std::move(result), QSize(cx, cy));
  FitVideo();
}

void CTRKDlg::FitVideo() {
  const QRect bg = m_ui.m_videoBg.geometry();
  const LayoutRect area = VideoAreaInside({bg.x(), bg.y(), bg.width(), bg.height()}, m_frame->IsFullScreen());
  uint16_t vw = 0;
  uint16_t vh = 0;
  if (!m_library.GetCurrentFrameSize(&vw, &vh)) vw = vh = 0;
  m_ui.m_video.setGeometry(ToQRect(FitVideoRect(area, vw, vh)));
  m_ui.m_video.update();
}

void CTRKDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), m_background);
  const int cx = width();
  const int cy = height();
  PaintResizeGrip(painter, cx, cy);
  if (!m_frame->IsFullScreen()) PaintTitle(painter, m_title, m_titleSize);
}

void CTRKDlg::contextMenuEvent(QContextMenuEvent* event) {
  // The title area carries the window's menu (About).
  if (event->pos().y() < kTitleAreaHeight && m_systemMenu && !m_systemMenu->isEmpty()) {
    m_systemMenu->exec(event->globalPos());
    return;
  }
  QWidget::contextMenuEvent(event);
}
