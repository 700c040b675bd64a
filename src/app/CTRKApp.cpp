#include "app/CTRKApp.h"

#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "app/CTRKDlg.h"
#include "app/DisplayOpenGl.h"
#include "app/FolderOpening.h"
#include "app/ViewerSession.h"
#include "app/WebEngineMemory.h"
#include "playback/MallocArenas.h"

void CTRKApp::PrepareProcess() {
  // Before the first thread.
  LimitMallocArenas();
  // The video surface is an X11 window handed to the media library.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  // The web engine's sandbox refuses to run as root.
  if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  // Web views next to the native video window: shared GL contexts, and only
  // the video surface (with its ancestors) gets a native window, else the
  // web view paints black.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  LeaveOpenGlOutOnCpuDisplays();
  TrimWebEngineMemory();
}

bool CTRKApp::InitInstance(const std::string& startPath) {
  // The window's own close ends the run, not the last message box.
  QApplication::setQuitOnLastWindowClosed(false);
  ViewerSession session;
  CTRKDlg& dlg = session.Window();
  dlg.OnInitDialog();
  dlg.show();
  QEventLoop loop;
  QObject::connect(&dlg, &CTRKDlg::Closed, &loop, &QEventLoop::quit, Qt::QueuedConnection);
  if (!startPath.empty()) session.Opening().OpenPath(startPath);
  loop.exec();
  return false;
}
