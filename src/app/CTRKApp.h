#pragma once
// The application object: starts what the window needs, runs the session and
// its main window until the window closes and ends the process after it.
#include <string>

class CTRKApp {
 public:
  CTRKApp() = default;
  ~CTRKApp() = default;
  CTRKApp(const CTRKApp&) = delete;
  CTRKApp& operator=(const CTRKApp&) = delete;

  // Before QApplication exists: the attributes and environment the web views
  // and the native video surface need.
  static void PrepareProcess();

  // Runs the main window; `startPath` (bytes of a path or a file:// URI),
  // when not empty, is opened at start (FolderOpening::OpenPath). Always false:
  // the process then ends.
  bool InitInstance(const std::string& startPath);
};
