#include "views/CPngStatic.h"

#include <QPainter>

#include "controls/ColorMatrix.h"
#include "controls/ControlId.h"

CPngStatic::CPngStatic(QWidget* parent, int controlId) : QWidget(parent) {
  if (controlId != 0) SetControlId(this, controlId);
}

CPngStatic::~CPngStatic() = default;

bool CPngStatic::SetPicture(uint32_t pngId) {
  auto picture = std::make_unique<CGdiPlusBitmapResource>();
  if (!picture->Load(pngId, "PNG")) {
    m_picture.reset();
    return false;
  }
  m_picture = std::move(picture);
  return true;
}

void CPngStatic::paintEvent(QPaintEvent*) {
  if (!m_picture || m_picture->IsEmpty()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const QImage& picture = *m_picture->Bitmap();
  painter.drawImage(rect(), m_state != 0 ? picture : ApplyColorMatrix(GreyMatrix(), picture));
}
