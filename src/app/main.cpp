// trk-viewer [PATH]: the dash-cam viewer; PATH (a folder, a recording or a
// file:// URI of either) is opened at start.
#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/CTRKApp.h"
#include "app/DisplayCheck.h"
#include "TrkVersion.h"

namespace {

// --help: on standard output with status 0, as help2man expects.
void PrintHelp() {
  std::fputs(
      "Usage: trk-viewer [PATH]\n"
      "Plays the recordings of a car dash camera with the car's position and track\n"
      "on a map, its speed and heading, and the G-sensor curve.\n"
      "\n"
      "PATH is a folder of recordings (it is scanned as OPEN scans a folder), one\n"
      "recording (.AVI or .MOV: its folder is opened and that recording plays), or\n"
      "a file:// URI of either.\n"
      "\n"
      "Options:\n"
      "  -h, --help     display this help and exit\n"
      "      --version  output version information and exit\n"
      "\n"
      "Settings are kept in KTR-XM_DireV.ini: in the current folder when that file\n"
      "exists there, otherwise in $XDG_CONFIG_HOME/trk-viewer/ (~/.config/trk-viewer/\n"
      "when XDG_CONFIG_HOME is not set).\n"
      "\n"
      "The window needs a display: a desktop session, or xvfb-run without one.\n",
      stdout);
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before anything that needs a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintHelp();
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      PrintTrkVersion("trk-viewer");
      return 0;
    }
  }
  CTRKApp::PrepareProcess();
  if (!DisplayReachable()) {
    std::fprintf(stderr, "%s\n", NoDisplayMessage());
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TRK"));
  QApplication::setApplicationVersion(QStringLiteral(TRK_VERSION));
  // The dock and the task bar match the window to the menu entry by this.
  QGuiApplication::setDesktopFileName(QStringLiteral(TRK_APP_ID));
  // QApplication has taken its own options out of argv. The path is kept as
  // bytes: QApplication::arguments() would turn a name that is not UTF-8
  // into another one.
  const std::string path = argc > 1 && argv[1] != nullptr ? std::string(argv[1]) : std::string();
  CTRKApp theApp;
  theApp.InitInstance(path);
  return 0;
}
