#include "app/NativeSurface.h"

#include <QWidget>

void MakeNativeSurface(QWidget* widget) {
  if (widget == nullptr) return;
  widget->setAttribute(Qt::WA_NativeWindow);
}
