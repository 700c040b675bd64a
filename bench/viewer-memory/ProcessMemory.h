#pragma once
// Resident memory read from /proc, in kB.
#include <sys/types.h>

#include <cstdint>

struct ProcessMemoryKb {
  int64_t resident = 0;      // RSS: every page mapped, shared ones whole
  int64_t proportional = 0;  // PSS: a shared page split among the processes that map it
};

// One process (zeros once it has gone).
ProcessMemoryKb MemoryKb(pid_t pid);
// `root` and every process below it (the web engine's renderer and zygote).
ProcessMemoryKb ProcessTreeMemoryKb(pid_t root);
