// The main window's tests run in one QApplication prepared like the program's.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/CTRKApp.h"

int main(int argc, char** argv) {
  // Machines without a sound device still play.
  if (qEnvironmentVariableIsEmpty("TRK_LIBVLC_ARGS")) qputenv("TRK_LIBVLC_ARGS", "--aout=dummy");
  CTRKApp::PrepareProcess();
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
