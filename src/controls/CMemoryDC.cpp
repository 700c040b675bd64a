#include "controls/CMemoryDC.h"

#include <QPaintDevice>

CMemoryDC::CMemoryDC(QPainter& target, const QRect& area) : m_targetDC(&target), m_area(area) {
  QPaintDevice* device = target.device();
  m_offscreen = device == nullptr || device->devType() != QInternal::Printer;
  if (!m_offscreen) return;
  if (m_area.isEmpty()) {
    if (target.hasClipping()) {
      m_area = target.clipBoundingRect().toAlignedRect();
    } else if (device != nullptr) {
      m_area = QRect(0, 0, device->width(), device->height());
    }
  }
  const qreal ratio = device != nullptr ? device->devicePixelRatioF() : 1.0;
  m_bitmap = QImage(m_area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
  m_bitmap.setDevicePixelRatio(ratio);
  m_bitmap.fill(Qt::transparent);
  m_painter.emplace(&m_bitmap);
  m_painter->translate(-m_area.topLeft());
}

CMemoryDC::~CMemoryDC() {
  if (!m_offscreen) return;
  m_painter->end();
  m_painter.reset();
  const QPainter::CompositionMode mode = m_targetDC->compositionMode();
  m_targetDC->setCompositionMode(QPainter::CompositionMode_Source);
  m_targetDC->drawImage(m_area.topLeft(), m_bitmap);
  m_targetDC->setCompositionMode(mode);
}
