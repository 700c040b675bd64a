#include "ProcessMemory.h"

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

// The parent's id from /proc/<pid>/stat: after the command name, which is in
// parentheses and may hold blanks.
pid_t ParentOf(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* file = std::fopen(path, "r");
  if (file == nullptr) return 0;
  char line[1024] = {};
  const size_t got = std::fread(line, 1, sizeof line - 1, file);
  std::fclose(file);
  line[got] = '\0';
  const char* close = std::strrchr(line, ')');
  if (close == nullptr) return 0;
  char state = 0;
  int parent = 0;
  if (std::sscanf(close + 1, " %c %d", &state, &parent) != 2) return 0;
  return static_cast<pid_t>(parent);
}

}  // namespace

ProcessMemoryKb MemoryKb(pid_t pid) {
  // smaps_rollup: the sums over every mapping, PSS included (which status lacks).
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/smaps_rollup", static_cast<int>(pid));
  FILE* file = std::fopen(path, "r");
  if (file == nullptr) return {};
  ProcessMemoryKb memory;
  char line[256];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    long long value = 0;
    if (std::sscanf(line, "Rss: %lld kB", &value) == 1) memory.resident = value;
    if (std::sscanf(line, "Pss: %lld kB", &value) == 1) memory.proportional = value;
  }
  std::fclose(file);
  return memory;
}

ProcessMemoryKb ProcessTreeMemoryKb(pid_t root) {
  std::map<pid_t, pid_t> parents;
  if (DIR* proc = opendir("/proc")) {
    while (const dirent* entry = readdir(proc)) {
      char* end = nullptr;
      const long pid = std::strtol(entry->d_name, &end, 10);
      if (end == entry->d_name || *end != '\0' || pid <= 0) continue;
      parents[static_cast<pid_t>(pid)] = ParentOf(static_cast<pid_t>(pid));
    }
    closedir(proc);
  }
  ProcessMemoryKb total;
  for (const auto& [pid, parent] : parents) {
    // Up the parent chain to root (or to the top).
    pid_t p = pid;
    for (int depth = 0; depth < 64 && p > 1; ++depth) {
      if (p == root) {
        const ProcessMemoryKb memory = MemoryKb(pid);
        total.resident += memory.resident;
        total.proportional += memory.proportional;
        break;
      }
      const auto it = parents.find(p);
      if (it == parents.end()) break;
      p = it->second;
    }
  }
  return total;
}
