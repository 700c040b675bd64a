#include "controls/ColorMatrix.h"

#include <algorithm>
#include <cmath>

const ColorMatrix& BrighteningMatrix() {
  static const ColorMatrix matrix = {{
      {1.05, 0.0, 0.0, 0.0, 0.0},
      {0.0, 1.05, 0.0, 0.0, 0.0},
      {0.0, 0.0, 1.05, 0.0, 0.0},
      {0.0, 0.0, 0.0, 1.0, 0.0},
      {0.05, 0.05, 0.05, 0.0, 1.0},
  }};
  return matrix;
}

const ColorMatrix& GreyMatrix() {
  static const ColorMatrix matrix = {{
      {0.3, 0.3, 0.3, 0.0, 0.0},
      {0.59, 0.59, 0.59, 0.0, 0.0},
      {0.11, 0.11, 0.11, 0.0, 0.0},
      {0.0, 0.0, 0.0, 1.0, 0.0},
      {0.0, 0.0, 0.0, 0.0, 1.0},
  }};
  return matrix;
}

QRgb ApplyColorMatrix(const ColorMatrix& m, QRgb pixel) {
  const double in[5] = {qRed(pixel) / 255.0, qGreen(pixel) / 255.0, qBlue(pixel) / 255.0, qAlpha(pixel) / 255.0, 1.0};
  int out[4];
  for (int column = 0; column < 4; ++column) {
    double sum = 0.0;
    for (int row = 0; row < 5; ++row) sum += in[row] * static_cast<double>(m[row][column]);
    sum = std::clamp(sum, 0.0, 1.0);
    // The matrices' entries are hundredths: a result exactly halfway between
    // two steps rounds up, whatever the binary error of the entries.
    out[column] = static_cast<int>(std::floor(sum * 255.0 + 0.5 + 1e-6));
  }
  return qRgba(out[0], out[1], out[2], out[3]);
}

QImage ApplyColorMatrix(const ColorMatrix& matrix, const QImage& image) {
  QImage result = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < result.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x) line[x] = ApplyColorMatrix(matrix, line[x]);
  }
  return result;
}
