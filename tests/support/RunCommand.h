#pragma once
// A shell command's standard output, and its exit status (-1: it did not exit).
#include <sys/wait.h>

#include <cstdio>
#include <string>

inline std::string Shell(const std::string& command, int& status) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return text;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
  const int result = ::pclose(pipe);
  status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return text;
}
