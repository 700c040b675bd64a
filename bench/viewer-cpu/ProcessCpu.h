#pragma once
// CPU seconds (user + system) read from /proc: of a process tree, and of the
// calling process split into its main thread and the rest.
#include <sys/types.h>

struct ProcessCpu {
  double mainThread = 0;    // the thread that runs the event loop
  double otherThreads = 0;  // every other thread of the process, ended ones included
  double total() const { return mainThread + otherThreads; }
};

// The calling process, to be called on its main thread.
ProcessCpu SelfCpu();

// `root` and every process below it (its web engine helpers), as far as they
// are still running.
double ProcessTreeCpuSeconds(pid_t root);
