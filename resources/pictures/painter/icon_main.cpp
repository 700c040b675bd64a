// Paints the application icon into the folder given as the first argument:
// "<size>.png" for every size of the desktop's icon theme, and "scalable.svg".
// Runs at build time without a display.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "AppIcon.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.exists() && !QDir().mkpath(folder.path())) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  int failures = 0;
  for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString path = folder.filePath(QStringLiteral("%1.png").arg(side));
    if (!AppIcon(side).save(path)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      ++failures;
    }
  }
  if (!WriteAppIconSvg(folder.filePath(QStringLiteral("scalable.svg")))) {
    std::fprintf(stderr, "cannot write the SVG icon\n");
    ++failures;
  }
  return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
