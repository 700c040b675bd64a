#pragma once
// Every picture of the program, painted in code. Each entry names the file it
// becomes: "<id>.png" for pictures with transparency, "<id>.bmp" for the two
// opaque bitmaps (the lock-icon strip keys magenta as transparent).
#include <QImage>
#include <QPainter>
#include <QString>
#include <functional>
#include <vector>

struct PictureEntry {
  QString fileName;
  std::function<QImage()> paint;
};

void AddButtonPictures(std::vector<PictureEntry>& pictures);
void AddInstrumentPictures(std::vector<PictureEntry>& pictures);
void AddVehiclePictures(std::vector<PictureEntry>& pictures);
void AddBitmapPictures(std::vector<PictureEntry>& pictures);

// The car in side view, facing right, on a 128 x 128 grid (pictures 157 and
// 200, and the application icon).
void PaintSideCar(QPainter& painter);
