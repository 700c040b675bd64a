#pragma once
// The library tests' file helpers beside the shared temporary folder.
#include <sys/stat.h>

#include <string>

#include "TempFolder.h"

inline mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

inline void Protect(const std::string& path) { ::chmod(path.c_str(), 0444); }
