#pragma once
// The application icon for the desktop (menu, dock, window): the car of the
// about page on a dark rounded tile, painted on a 256 x 256 grid at any size.
#include <QImage>
#include <QPainter>
#include <QString>

void PaintAppIcon(QPainter& painter);
QImage AppIcon(int side);
// The same drawing as a scalable SVG file; false when it cannot be written.
bool WriteAppIconSvg(const QString& path);
