#pragma once
// 5 x 5 colour matrices applied to a picture's pixels: the row vector
// (r, g, b, a, 1) with channels in 0..1 times the matrix, each result clamped
// to 0..1. Works on straight (not premultiplied) colour, as the pictures'
// transparency must not change the result of a colour channel.
#include <QImage>
#include <array>

using ColorMatrix = std::array<std::array<double, 5>, 5>;

// 1.05 c + 0.05 for every colour channel; alpha unchanged.
const ColorMatrix& BrighteningMatrix();
// 0.3 r + 0.59 g + 0.11 b into every colour channel; alpha unchanged.
const ColorMatrix& GreyMatrix();

// One 8-bit pixel through the matrix; each result rounded to the nearest step.
QRgb ApplyColorMatrix(const ColorMatrix& matrix, QRgb pixel);
// A copy of `image` (any format) in ARGB32 with the matrix applied to every pixel.
QImage ApplyColorMatrix(const ColorMatrix& matrix, const QImage& image);
