#include "playback/SharedLibrary.h"

#include <dlfcn.h>

bool SharedLibrary::Open(const std::string& name) {
  Close();
  if (name.empty()) return false;
  // RTLD_NOW: a library that cannot bind its own symbols fails here, not at
  // the first call.
  m_handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  return m_handle != nullptr;
}

void SharedLibrary::Close() {
  if (m_handle != nullptr) {
    ::dlclose(m_handle);
    m_handle = nullptr;
  }
}
