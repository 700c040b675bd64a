#include "controls/ParentPixels.h"

#include <QRegion>
#include <QWidget>

QImage CaptureParentPixels(const QWidget* control) {
  if (control == nullptr) return QImage();
  QWidget* parent = control->parentWidget();
  const QRect area = control->geometry();
  if (parent == nullptr || area.isEmpty()) return QImage();
  QImage pixels(area.size(), QImage::Format_ARGB32_Premultiplied);
  pixels.fill(parent->palette().color(parent->backgroundRole()));
  // Without DrawChildren the control itself is not painted again, so this is
  // safe from inside the control's own paint event.
  parent->render(&pixels, QPoint(0, 0), QRegion(area), QWidget::DrawWindowBackground);
  return pixels;
}
