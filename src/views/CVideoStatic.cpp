#include "views/CVideoStatic.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

#include "controls/ControlId.h"
#include "controls/GlowText.h"
#include "controls/TrkFonts.h"

namespace {

const GlowLayers& CounterGlow() {
  static const GlowLayers layers = [] {
    GlowLayers glow;
    glow.outline = QColor::fromRgba(0x9BD7D7D7u);
    glow.outlineWidth = 3.0;
    glow.halo = QColor::fromRgba(0x500A96DCu);
    glow.haloCount = 8;
    glow.fill = {QPointF(0, 0), QPointF(0, 90), QColor::fromRgba(0xC81478F0u), QColor::fromRgba(0xFF1478F0u)};
    glow.gloss = {QPointF(0, 10), QPointF(0, 120), QColor::fromRgba(0xFF50BCFAu), QColor::fromRgba(0x9650509Bu)};
    return glow;
  }();
  return layers;
}

}  // namespace

CVideoStatic::CVideoStatic(QWidget* parent, int controlId) : QWidget(parent) {
  if (controlId != 0) SetControlId(this, controlId);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent, true);
}

CVideoStatic::~CVideoStatic() = default;

void CVideoStatic::ShowScanCount(int32_t count) {
  m_counter = count;
  repaint();
}

void CVideoStatic::ShowStill(const QImage& still) {
  m_still = still;
  m_scaledStill = QImage();
  update();
}

void CVideoStatic::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!m_still.isNull() && m_busyPicture != 1) {
    // libvlc's output fits the picture into its window keeping the aspect
    // ratio, centred, on black.
    const QSize fitted = m_still.size().scaled(size(), Qt::KeepAspectRatio);
    if (m_scaledStill.size() != fitted)
      m_scaledStill = m_still.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), m_scaledStill);
    return;
  }
  painter.fillRect(rect(), m_brush);
  if (m_busyPicture != 1) return;
  char text[32];
  std::snprintf(text, sizeof text, "%d\n", static_cast<int>(m_counter));
  DrawGlowPath(painter, GlyphPath(QString::fromLatin1(text), ArialFont(72), 10, 10), CounterGlow());
}

void CVideoStatic::mouseDoubleClickEvent(QMouseEvent* event) {
  // Only the left button switches; a right double-click does nothing.
  if (event->button() != Qt::LeftButton) {
    event->accept();
    return;
  }
  emit FullScreenToggleRequested();
  event->accept();
}

CVideoStaticBg::CVideoStaticBg(QWidget* parent, int controlId) : QWidget(parent) {
  if (controlId != 0) SetControlId(this, controlId);
  setFocusPolicy(Qt::NoFocus);
}

CVideoStaticBg::~CVideoStaticBg() = default;

void CVideoStaticBg::paintEvent(QPaintEvent*) {}

void CVideoStaticBg::mouseDoubleClickEvent(QMouseEvent* event) {
  // Only the left button switches; a right double-click does nothing.
  if (event->button() != Qt::LeftButton) {
    event->accept();
    return;
  }
  emit FullScreenToggleRequested();
  event->accept();
}
