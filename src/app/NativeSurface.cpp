#include "NativeSurface.h"

#include <QOpenGLWidget>

void MakeNativeSurface(QWidget* widget) {
  if (widget == nullptr || widget->findChild<QOpenGLWidget*>(QStringLiteral("surfaceAnchor"))) return;
  // Owned by `widget` (Qt parent), never shown.
  auto* anchor = new QOpenGLWidget(widget);
  anchor->setObjectName(QStringLiteral("surfaceAnchor"));
  anchor->setGeometry(0, 0, 1, 1);
  anchor->hide();
  widget->setAttribute(Qt::WA_NativeWindow);
}
