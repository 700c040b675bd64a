// Sanitizer builds only (see trk_sanitizer_exceptions in cmake/TrkTesting.cmake).
// libvlc unloads its plug-ins when its last instance goes, and our engine
// unloads libvlc, all before LeakSanitizer's report at exit: what they leave
// allocated would then be reported from "<unknown module>", which no
// suppression can name without hiding our own leaks as well. Here every
// dlclose() of the process passes first, and libvlc, libvlccore and the
// plug-ins stay loaded, so the report names their modules and
// tests/reliability/lsan.supp suppresses exactly those.
#include <dlfcn.h>
#include <link.h>

#include <cstring>

namespace {

bool IsLibVlcModule(const char* path) {
  return path != nullptr && (std::strstr(path, "/vlc/plugins/") != nullptr || std::strstr(path, "/libvlc") != nullptr);
}

}  // namespace

extern "C" int dlclose(void* handle) {
  using Close = int (*)(void*);
  static const auto next = reinterpret_cast<Close>(::dlsym(RTLD_NEXT, "dlclose"));
  link_map* module = nullptr;
  if (handle != nullptr && ::dlinfo(handle, RTLD_DI_LINKMAP, &module) == 0 && module != nullptr &&
      IsLibVlcModule(module->l_name))
    return 0;
  return next(handle);
}
