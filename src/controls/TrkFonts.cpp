#include "controls/TrkFonts.h"

#include <QFontMetricsF>
#include <QStringList>
#include <algorithm>
#include <cmath>

QString ArialFamily() { return QStringLiteral("Liberation Sans"); }
QString ArialBlackFamily() { return QStringLiteral("DejaVu Sans"); }

QFont ArialFont(int pixelSize, int weight) {
  QFont font;
  font.setFamilies(
      {ArialFamily(), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK JP")});
  font.setPixelSize(std::max(1, pixelSize));
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QFont ArialBlackFont(int pixelSize) {
  QFont font;
  font.setFamilies({ArialBlackFamily(), QStringLiteral("Arial Black"), ArialFamily()});
  font.setPixelSize(std::max(1, pixelSize));
  font.setWeight(QFont::Bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QFont CellHeightFont(const QFont& font, int cellHeight) {
  QFont probe = font;
  probe.setPixelSize(100);
  const QFontMetricsF metrics(probe);
  const qreal cellPer100 = metrics.ascent() + metrics.descent();
  QFont result = font;
  const int pixels = cellPer100 > 0 ? static_cast<int>(std::lround(cellHeight * 100.0 / cellPer100)) : cellHeight;
  result.setPixelSize(std::max(1, pixels));
  return result;
}
