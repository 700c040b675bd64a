#include "playback/LibVlcApi.h"

#include <dlfcn.h>

namespace {

// The one place where an untyped symbol becomes a typed function pointer.
template <typename Function>
bool BindSymbol(void* module, const char* name, Function& slot) {
  void* symbol = ::dlsym(module, name);
  if (symbol == nullptr) return false;
  slot = reinterpret_cast<Function>(symbol);
  return true;
}

}  // namespace

bool LibVlcApi::Resolve(void* module, const char** missing) {
  LibVlcApi table;
  if (module == nullptr) {
    if (missing != nullptr) *missing = "";
    return false;
  }
#define TRK_LIBVLC_BIND(name)                   \
  if (!BindSymbol(module, #name, table.name)) { \
    if (missing != nullptr) *missing = #name;   \
    *this = LibVlcApi{};                        \
    return false;                               \
  }
  TRK_LIBVLC_FUNCTIONS(TRK_LIBVLC_BIND)
#undef TRK_LIBVLC_BIND
  *this = table;
  return true;
}
