#include "app/DisplayOpenGl.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QtGlobal>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Mesa reads the variable as a boolean: set, and not one of its "false" words.
bool MesaSoftwareForced() {
  const QByteArray value = qgetenv("LIBGL_ALWAYS_SOFTWARE").toLower();
  return !value.isEmpty() && value != "0" && value != "false" && value != "no" && value != "n";
}

}  // namespace

DisplayGlFacts AskDisplayGl() {
  DisplayGlFacts facts;
  facts.softwareForced = MesaSoftwareForced();
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return facts;
  // xcb_disconnect also frees a connection that failed.
  std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(xcb_connect(nullptr, nullptr),
                                                                          &xcb_disconnect);
  if (!connection || xcb_connection_has_error(connection.get()) != 0) return facts;
  facts.reached = true;
  const struct {
    const char* name;
    bool DisplayGlFacts::*present;
  } extensions[] = {
      {"DRI3", &DisplayGlFacts::dri3}, {"DRI2", &DisplayGlFacts::dri2}, {"NV-GLX", &DisplayGlFacts::nvidiaGlx}};
  xcb_query_extension_cookie_t cookies[std::size(extensions)];
  for (std::size_t i = 0; i < std::size(extensions); ++i)
    cookies[i] = xcb_query_extension(connection.get(), static_cast<uint16_t>(std::strlen(extensions[i].name)),
                                     extensions[i].name);
  for (std::size_t i = 0; i < std::size(extensions); ++i) {
    std::unique_ptr<xcb_query_extension_reply_t, decltype(&std::free)> reply(
        xcb_query_extension_reply(connection.get(), cookies[i], nullptr), &std::free);
    facts.*extensions[i].present = reply && reply->present != 0;
  }
  return facts;
}

bool DrawsOpenGlOnCpu(const DisplayGlFacts& facts) {
  if (!facts.reached) return false;
  return facts.softwareForced || !(facts.dri3 || facts.dri2 || facts.nvidiaGlx);
}

void LeaveOpenGlOutOnCpuDisplays() {
  if (!qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) return;
  if (!qgetenv("QT_QPA_PLATFORM").startsWith("xcb")) return;
  if (!DrawsOpenGlOnCpu(AskDisplayGl())) return;
  qputenv("QT_XCB_GL_INTEGRATION", "none");
  if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) qputenv("QT_QUICK_BACKEND", "software");
}

bool ProcessWithoutOpenGl() { return qgetenv("QT_XCB_GL_INTEGRATION") == "none"; }
