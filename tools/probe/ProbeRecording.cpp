#include "ProbeRecording.h"

#include "container/RecordingFile.h"
#include "RecordingJson.h"

const char* ReadProbeRecording(const std::string& path, RecordingInfo& info) {
  const char* container = ContainerOfName(path);
  if (!container) return "not a recording name (.AVI, .MOV or .MP4)";
  const std::string::size_type slash = path.rfind('/');
  info = RecordingInfo{};
  info.name = slash == std::string::npos ? path : path.substr(slash + 1);
  info.folder = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
  RecordingFile file(&info.summary);
  int read = -1;
  if (container[0] == 'a') {
    read = file.ParseAvi(path);
  } else {
    read = file.ParseMov(path);
    if (read == 0 && info.summary.startTime == 0) file.ScanMov(path);
  }
  return read == 0 ? nullptr : "not a readable recording";
}

std::string OutputFolderArg(const std::string& arg) {
  std::string folder = arg.empty() ? std::string("./") : arg;
  if (folder.back() != '/') folder += '/';
  return folder;
}
