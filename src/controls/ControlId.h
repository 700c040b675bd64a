#pragma once
// Numeric control ids. Every control of the main window carries its id as the
// dynamic property "controlId" (and the object name "ctl<id>"), so the window
// can address its children by number.
#include <QWidget>

void SetControlId(QWidget* control, int controlId);
// The control's id, 0 when it has none.
int ControlIdOf(const QObject* control);
// The first direct child of `parent` with that id, or null.
QWidget* FindControl(const QWidget* parent, int controlId);

template <class T>
T* FindControlAs(const QWidget* parent, int controlId) {
  return qobject_cast<T*>(FindControl(parent, controlId));
}
