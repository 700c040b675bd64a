#include "ColorMatrix.h"

#include <algorithm>
#include <cmath>

const ColorMatrix& BrighteningMatrix() {
  static const ColorMatrix matrix = {{
      {1.05f, 0.0f, 0.0f, 0.0f, 0.0f},
      {0.0f, 1.05f, 0.0f, 0.0f, 0.0f},
      {0.0f, 0.0f, 1.05f, 0.0f, 0.0f},
      {0.0f, 0.0f, 0.0f, 1.0f, 0.0f},
      {0.05f, 0.05f, 0.05f, 0.0f, 1.0f},
  }};
  return matrix;
}

const ColorMatrix& GreyMatrix() {
  static const ColorMatrix matrix = {{
      {0.3f, 0.3f, 0.3f, 0.0f, 0.0f},
      {0.59f, 0.59f, 0.59f, 0.0f, 0.0f},
      {0.11f, 0.11f, 0.11f, 0.0f, 0.0f},
      {0.0f, 0.0f, 0.0f, 1.0f, 0.0f},
      {0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
  }};
  return matrix;
}

QRgb ApplyColorMatrix(const ColorMatrix& m, QRgb pixel) {
  const float in[5] = {qRed(pixel) / 255.0f, qGreen(pixel) / 255.0f, qBlue(pixel) / 255.0f,
                       qAlpha(pixel) / 255.0f, 1.0f};
  int out[4];
  for (int column = 0; column < 4; ++column) {
    float sum = 0.0f;
    for (int row = 0; row < 5; ++row) sum += in[row] * m[row][column];
    sum = std::clamp(sum, 0.0f, 1.0f);
    out[column] = static_cast<int>(std::lround(sum * 255.0f));
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
