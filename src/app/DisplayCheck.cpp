#include "app/DisplayCheck.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QtGlobal>

bool DisplayReachable() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty() || platform.startsWith("xcb")) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reached = connection != nullptr && xcb_connection_has_error(connection) == 0;
    if (connection != nullptr) xcb_disconnect(connection);  // also frees a failed connection
    return reached;
  }
  if (platform.startsWith("wayland")) return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  return true;
}

const char* NoDisplayMessage() {
  return "trk-viewer: no display to show its window on (DISPLAY is not set or cannot be reached); "
         "start it in a desktop session, or under xvfb-run.";
}
