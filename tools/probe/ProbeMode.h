#pragma once
// One way of running trk-probe. Each mode lives in a file of its own here,
// defines an accessor such as
//   const ProbeMode& LibraryMode() {
//     static const ProbeMode mode{"--library", "--library FOLDER", &RunLibrary};
//     return mode;
//   }
// and is listed with one line, TRK_PROBE_MODE(LibraryMode), in the mode table
// of main.cpp. RecordingJson.h has the JSON of the recording records.
#include <cstdio>
#include <string>
#include <vector>

struct ProbeMode {
  // The option that selects the mode ("--library"); nullptr for the mode that
  // takes plain file arguments.
  const char* option;
  // One usage line, for example "--library FOLDER".
  const char* usage;
  // Runs with the arguments that follow the option. Writes JSON lines to
  // `out` and messages to stderr; returns the exit status (2 = usage error).
  int (*run)(const std::vector<std::string>& args, std::FILE* out);
};

// Prints the usage of every mode to stderr and returns 2.
int ProbeUsage();
