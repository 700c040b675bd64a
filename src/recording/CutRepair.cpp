#include "CutRepair.h"

#include <sys/stat.h>

#include <cstring>

#include "ByteSource.h"
#include "CutRepairInternal.h"
#include "FileCopy.h"
#include "NewFileWriter.h"
#include "CutRecording.h"
#include "RecordingFile.h"

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWith(const std::string& s, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

}  // namespace

RepairResult Failure(RepairFailure failure, std::string detail) {
  RepairResult r;
  r.failure = failure;
  r.detail = std::move(detail);
  return r;
}

RepairResult& WriteFailure(RepairResult& result, const NewFileWriter& writer) {
  result.failure = writer.Error() == EEXIST ? RepairFailure::OutputExists : RepairFailure::WriteFailed;
  result.error = writer.Error();
  result.detail = std::strerror(writer.Error());
  result.output.clear();
  return result;
}

RepairResult& CommitChecked(RepairResult& result, NewFileWriter& writer, bool quickTime) {
  if (writer.Error()) return WriteFailure(result, writer);
  // A copy the library would refuse, or find cut again, is no repair.
  RecordingFile reader;
  const int parsed = quickTime ? reader.ParseMov(writer.TemporaryPath()) : reader.ParseAvi(writer.TemporaryPath());
  if (parsed != 0 || DetectCutRecording(writer.TemporaryPath(), quickTime ? ContainerKind::QuickTime : ContainerKind::Avi, nullptr)) {
    result.failure = RepairFailure::NothingPlayable;
    result.detail = std::string("the copy would not be readable: ") + (reader.FailureReason() ? reader.FailureReason() : "still cut");
    result.output.clear();
    return result;
  }
  if (!writer.Commit()) return WriteFailure(result, writer);
  return result;
}

const char* RepairFailureName(RepairFailure failure) {
  switch (failure) {
    case RepairFailure::None: return "repaired";
    case RepairFailure::CannotRead: return "cannot read";
    case RepairFailure::NothingPlayable: return "nothing playable";
    case RepairFailure::NoReference: return "no reference";
    case RepairFailure::SameFolder: return "destination is the recording's own folder";
    case RepairFailure::OutputExists: return "destination file exists";
    case RepairFailure::WriteFailed: return "cannot write";
  }
  return "unknown";
}

RepairResult RepairCutRecording(const std::string& path, const std::string& outputFolder,
                                const std::string& reference) {
  if (IsSameFile(FolderOf(path), outputFolder))
    return Failure(RepairFailure::SameFolder, "the copy must go to another folder than the card's");
  struct stat folder {};
  if (::stat(outputFolder.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
    RepairResult r = Failure(RepairFailure::WriteFailed, "the destination is not a folder");
    r.error = ENOTDIR;
    return r;
  }
  const std::string destination =
      outputFolder + (EndsWith(outputFolder, "/") ? "" : "/") + NameOf(path);
  struct stat existing {};
  if (::lstat(destination.c_str(), &existing) == 0) {
    RepairResult r = Failure(RepairFailure::OutputExists, destination + " exists already");
    r.error = EEXIST;
    return r;
  }

  FileByteSource source;
  if (!source.Open(path)) return Failure(RepairFailure::CannotRead, std::strerror(errno));
  const bool avi = EndsWith(path, ".AVI") || EndsWith(path, ".avi");
  return avi ? RepairAvi(source, destination) : RepairQuickTime(source, path, reference, destination);
}
