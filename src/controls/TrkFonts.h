#pragma once
// The program draws its texts in "Arial" and its title in "Arial Black". On
// this platform they map to installed fonts: Liberation Sans (metric-compatible
// with Arial) and DejaVu Sans Bold (the widest, heaviest face installed, close
// to Arial Black's look). Japanese glyphs come from Noto Sans CJK through the
// font fallback.
#include <QFont>
#include <QString>

QString ArialFamily();
QString ArialBlackFamily();

// Font of the given em size in pixels.
QFont ArialFont(int pixelSize, int weight = QFont::Normal);
QFont ArialBlackFont(int pixelSize);

// A font whose character cell (ascent + descent) is `cellHeight` pixels, the
// way a positive height in a logical font description is meant.
QFont CellHeightFont(const QFont& font, int cellHeight);
