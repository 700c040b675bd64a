#pragma once
// One recording named on the command line, read as the library reads it.
#include <string>

#include "container/RecordingTypes.h"

// Fills `info` (name, folder, summary) from the file at `path`. Returns
// nullptr on success, else the reason as a JSON-ready text.
const char* ReadProbeRecording(const std::string& path, RecordingInfo& info);
// An output folder argument with a trailing separator ("./" when empty).
std::string OutputFolderArg(const std::string& arg);
