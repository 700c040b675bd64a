#pragma once
// What the parent window paints behind a control: the parent's background and
// its own painting (not its other children) over the control's rectangle.
#include <QImage>

class QWidget;

// Null image when the control has no parent or no size.
QImage CaptureParentPixels(const QWidget* control);
