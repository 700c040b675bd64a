#include "views/CPngCompassStatic.h"

#include <QPainter>

#include "controls/ColorMatrix.h"
#include "controls/ControlId.h"

CPngCompassStatic::CPngCompassStatic(QWidget* parent, int controlId) : QWidget(parent) {
  if (controlId != 0) SetControlId(this, controlId);
}

CPngCompassStatic::~CPngCompassStatic() = default;

bool CPngCompassStatic::AddPicture(uint32_t pngId) {
  auto picture = std::make_unique<CGdiPlusBitmapResource>();
  if (!picture->Load(pngId, "PNG")) return false;
  m_pictures.push_back(std::move(picture));
  return true;
}

int32_t CPngCompassStatic::PictureForHeading(int32_t heading, int32_t count) {
  if (count <= 0) return 0;
  // The angle by which north is turned clockwise from the top, 0..359.
  int64_t angle = (360 - static_cast<int64_t>(heading)) % 360;
  if (angle < 0) angle += 360;
  const int64_t steps = angle / 45;
  const int64_t rest = angle - 45 * steps;
  return static_cast<int32_t>((steps + (rest > 22 ? 1 : 0)) % count + 1);
}

int CPngCompassStatic::SetHeading(int32_t heading) {
  ShowPicture(PictureForHeading(heading, static_cast<int32_t>(m_pictures.size())));
  return 1;
}

void CPngCompassStatic::ClearHeading() { ShowPicture(0); }

void CPngCompassStatic::ShowPicture(int32_t picture) {
  // Most headings of a drive fall on the picture already shown.
  if (picture == m_current) return;
  m_current = picture;
  update();
}

void CPngCompassStatic::paintEvent(QPaintEvent*) {
  if (m_current < 0 || m_current > static_cast<int32_t>(m_pictures.size())) return;
  const size_t index = m_current == 0 ? 0 : static_cast<size_t>(m_current - 1);
  if (index >= m_pictures.size() || m_pictures[index]->IsEmpty()) return;
  QPainter painter(this);
  PaintCompassPicture(painter, rect(), *m_pictures[index]->Bitmap(), m_current == 0);
}

void PaintCompassPicture(QPainter& painter, const QRect& area, const QImage& picture, bool grey) {
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(area, grey ? ApplyColorMatrix(GreyMatrix(), picture) : picture);
}
