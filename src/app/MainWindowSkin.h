#pragma once
// The main window's own painting: its outline, the dark background, the
// resize grip lines and the title drawn as a glyph outline with a halo and two
// gradients.
#include <QColor>
#include <QRegion>
#include <QString>

class QPainter;

constexpr QRgb kBackgroundRgb = 0xFF404040;  // RGB(64, 64, 64)
constexpr QRgb kGripRgb = 0xFF969696;        // RGB(150, 150, 150)

// Rounded rectangle with 10 x 10 corner ellipses whose top-left corner is cut
// further along the circle of radius 30 centred at (30, 30); the plain
// rectangle in full-screen mode.
QRegion MainWindowShape(int cx, int cy, bool fullScreen);

// Four grip lines in the bottom-right corner of a cx x cy client area.
void PaintResizeGrip(QPainter& painter, int cx, int cy);

// The title text as an outline path at (50, 8) with the given em size.
void PaintTitle(QPainter& painter, const QString& title, int emSize);
