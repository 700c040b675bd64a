// The window tests run in one QApplication prepared like the program's, with
// a home folder of their own (the KML export writes below its documents).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "app/CTRKApp.h"

int main(int argc, char** argv) {
  // Machines without a sound device still play.
  if (qEnvironmentVariableIsEmpty("TRK_LIBVLC_ARGS")) qputenv("TRK_LIBVLC_ARGS", "--aout=dummy");
  QTemporaryDir home;
  if (!home.isValid()) return 2;
  qputenv("HOME", QFile::encodeName(home.path()));
  qunsetenv("XDG_CONFIG_HOME");
  CTRKApp::PrepareProcess();
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
