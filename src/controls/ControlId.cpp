#include "controls/ControlId.h"

#include <QVariant>

void SetControlId(QWidget* control, int controlId) {
  if (control == nullptr) return;
  control->setProperty("controlId", controlId);
  control->setObjectName(QStringLiteral("ctl%1").arg(controlId));
}

int ControlIdOf(const QObject* control) {
  if (control == nullptr) return 0;
  bool ok = false;
  const int id = control->property("controlId").toInt(&ok);
  return ok ? id : 0;
}

QWidget* FindControl(const QWidget* parent, int controlId) {
  if (parent == nullptr) return nullptr;
  for (QObject* child : parent->children()) {
    if (child->isWidgetType() && ControlIdOf(child) == controlId) return static_cast<QWidget*>(child);
  }
  return nullptr;
}
