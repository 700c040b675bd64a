#pragma once
// Resident memory read from /proc, in kB.
#include <sys/types.h>

#include <cstdint>

// VmRSS of one process (0 once it has gone).
int64_t ResidentKb(pid_t pid);
// `root` and every process below it (the web engine's renderer and zygotes).
int64_t ProcessTreeResidentKb(pid_t root);
