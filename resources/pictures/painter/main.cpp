// Paints every picture of the program into the folder given as the first
// argument. Runs at build time without a display.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "Pictures.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [NAME...]\n", argv[0]);
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.exists() && !QDir().mkpath(folder.path())) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  std::vector<PictureEntry> pictures;
  AddButtonPictures(pictures);
  AddInstrumentPictures(pictures);
  AddVehiclePictures(pictures);
  AddBitmapPictures(pictures);
  int failures = 0;
  for (const PictureEntry& entry : pictures) {
    const QImage image = entry.paint();
    const QString path = folder.filePath(entry.fileName);
    if (image.isNull() || !image.save(path)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      ++failures;
    }
  }
  return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
