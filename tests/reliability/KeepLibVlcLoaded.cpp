// Sanitizer builds only (see trk_sanitizer_exceptions in cmake/TrkTesting.cmake).
// libvlc unloads its plug-ins when its last instance goes, our engine
// unloads libvlc, and the OpenGL loaders unload Mesa's drivers when VLC's
// output or the web engine lets go of the display, all before
// LeakSanitizer's report at exit: what they leave allocated would then be
// reported from "<unknown module>", which no suppression can name without
// hiding our own leaks as well. Here every dlclose() of the process passes
// first, and libvlc, libvlccore, the plug-ins and the GL drivers stay loaded,
// so the report names their modules and tests/reliability/lsan.supp
// suppresses exactly those. (dlclose() is declared never to get a null handle.)
#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <initializer_list>

namespace {

bool IsKeptModule(const char* path) {
  if (path == nullptr) return false;
  for (const char* kept : {"/vlc/plugins/", "/libvlc", "/dri/", "/libGLX_mesa", "/libEGL_mesa"})
    if (std::strstr(path, kept) != nullptr) return true;
  return false;
}

}  // namespace

extern "C" int dlclose(void* handle) {
  using Close = int (*)(void*);
  static const auto next = reinterpret_cast<Close>(::dlsym(RTLD_NEXT, "dlclose"));
  link_map* module = nullptr;
  if (::dlinfo(handle, RTLD_DI_LINKMAP, &module) == 0 && module != nullptr && IsKeptModule(module->l_name)) return 0;
  return next(handle);
}
