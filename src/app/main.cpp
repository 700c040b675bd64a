// trk-viewer [FOLDER]: the dash-cam viewer; FOLDER is opened at start.
#include <QApplication>
#include <QStringList>

#include "CTRKApp.h"

int main(int argc, char** argv) {
  CTRKApp::PrepareProcess();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TRK"));
  const QStringList arguments = QApplication::arguments();
  const QString folder = arguments.size() > 1 ? arguments.at(1) : QString();
  CTRKApp theApp;
  theApp.InitInstance(folder);
  return 0;
}
