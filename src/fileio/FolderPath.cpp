#include "fileio/FolderPath.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>

bool MakeFolderPath(const std::string& path) {
  if (path.empty()) return false;
  std::string full = path;
  if (full.back() != '/') full.push_back('/');

  // Every '/' closes a prefix; "/a/b/" gives "", "/a" and "/a/b". Failures on
  // the way (the root, folders that exist) do not matter: only the deepest
  // creation decides the result.
  bool lastCreated = false;
  int firstError = 0;  // the refusal that made the folders after it impossible
  for (std::size_t i = 0; i < full.size(); ++i) {
    if (full[i] != '/') continue;
    if (i > 0 && full[i - 1] == '/') continue;  // "a//b" names the same folders as "a/b"
    const std::string prefix = full.substr(0, i);
    if (prefix.empty()) {
      lastCreated = false;
      continue;
    }
    lastCreated = ::mkdir(prefix.c_str(), 0777) == 0;
    if (!lastCreated && errno != EEXIST && firstError == 0) firstError = errno;
  }
  // Callers report errno: name the first refusal (a read-only medium, no
  // permission), not the "no such folder" of every deeper level after it.
  if (!lastCreated && firstError != 0) errno = firstError;
  return lastCreated;
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool FolderExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string JoinPath(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  std::string out = a;
  std::size_t skip = 0;
  while (skip < b.size() && b[skip] == '/') ++skip;
  if (out.back() != '/') out.push_back('/');
  out.append(b, skip, std::string::npos);
  return out;
}
