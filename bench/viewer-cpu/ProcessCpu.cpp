#include "ProcessCpu.h"

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace {

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

struct ProcStat {
  pid_t parent = 0;
  double cpu = 0;
};

// /proc/<pid>/stat: the command name is in parentheses and may hold blanks,
// so the fields are counted from the last ')'.
bool ReadStat(pid_t pid, ProcStat& out) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* file = std::fopen(path, "r");
  if (file == nullptr) return false;
  char line[1024];
  const size_t size = std::fread(line, 1, sizeof line - 1, file);
  std::fclose(file);
  line[size] = '\0';
  const char* close = std::strrchr(line, ')');
  if (close == nullptr) return false;
  // After ')': state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime stime
  char state = 0;
  int ppid = 0;
  unsigned long long utime = 0, stime = 0;
  if (std::sscanf(close + 1, " %c %d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &state, &ppid, &utime, &stime) !=
      4)
    return false;
  const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  out.parent = ppid;
  out.cpu = static_cast<double>(utime + stime) / tick;
  return true;
}

}  // namespace

ProcessCpu SelfCpu() {
  rusage self{};
  rusage thread{};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_THREAD, &thread);
  ProcessCpu cpu;
  cpu.mainThread = Seconds(thread.ru_utime) + Seconds(thread.ru_stime);
  cpu.otherThreads = Seconds(self.ru_utime) + Seconds(self.ru_stime) - cpu.mainThread;
  return cpu;
}

double ProcessTreeCpuSeconds(pid_t root) {
  std::map<pid_t, ProcStat> all;
  if (DIR* proc = opendir("/proc")) {
    while (const dirent* entry = readdir(proc)) {
      char* end = nullptr;
      const long pid = std::strtol(entry->d_name, &end, 10);
      if (end == entry->d_name || *end != '\0' || pid <= 0) continue;
      ProcStat stat;
      if (ReadStat(static_cast<pid_t>(pid), stat)) all[static_cast<pid_t>(pid)] = stat;
    }
    closedir(proc);
  }
  double total = 0;
  for (const auto& [pid, stat] : all) {
    // Up the parent chain to root (or to the top).
    pid_t p = pid;
    for (int depth = 0; depth < 64 && p > 1; ++depth) {
      if (p == root) {
        total += stat.cpu;
        break;
      }
      const auto it = all.find(p);
      if (it == all.end()) break;
      p = it->second.parent;
    }
  }
  return total;
}
