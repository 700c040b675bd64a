#include "repair/CutRepair.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <cmath>
#include <cstring>

#include "container/ByteOrder.h"
#include "fileio/ByteSource.h"
#include "repair/CutRepairInternal.h"
#include "fileio/FileCopy.h"
#include "fileio/NewFileWriter.h"
#include "container/CutRecording.h"
#include "container/RecordingFile.h"
#include "container/RecordingTypes.h"

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

// The card a recording's folder lies on: the top folder of its file system
// where that is mounted where removable media go, else the folder itself.
std::filesystem::path CardOf(const std::string& folder) {
  std::error_code error;
  const std::filesystem::path own = std::filesystem::canonical(folder, error);
  struct stat st {};
  if (error || ::stat(own.c_str(), &st) != 0) return own;
  std::filesystem::path top = own;
  while (top.has_relative_path()) {
    struct stat up {};
    if (::stat(top.parent_path().c_str(), &up) != 0 || up.st_dev != st.st_dev) break;
    top = top.parent_path();
  }
  for (const char* media : {"/media/", "/run/media/", "/mnt/"})
    if (top.string().starts_with(media)) return top;
  return own;
}

bool Inside(const std::filesystem::path& inner, const std::filesystem::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

// Why a recording cannot be read as one, before any byte is: a folder, a
// pipe, an empty file. Empty when it is a regular file with bytes.
std::optional<RepairResult> RefuseAsRecording(const std::string& path) {
  struct stat st {};
  RepairResult r;
  if (::stat(path.c_str(), &st) != 0) {
    r = Failure(RepairFailure::CannotRead, std::strerror(errno));
    r.error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    r = Failure(RepairFailure::CannotRead, "it is a folder, not a recording");
    r.error = EISDIR;
  } else if (!S_ISREG(st.st_mode)) {
    r = Failure(RepairFailure::CannotRead, "it is no regular file (a pipe, socket or device), not a recording");
  } else if (st.st_size == 0) {
    r = Failure(RepairFailure::NothingPlayable, "the file is empty: the camera wrote nothing before the cut");
  } else {
    return std::nullopt;
  }
  return r;
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

const char* UnreadableRecording(const std::string& path, bool quickTime) {
  RecordingFile reader;
  const int parsed = quickTime ? reader.ParseMov(path) : reader.ParseAvi(path);
  if (parsed != 0) return reader.FailureReason() ? reader.FailureReason() : "unreadable";
  if (DetectCutRecording(path, quickTime ? ContainerKind::QuickTime : ContainerKind::Avi, nullptr)) return "still cut";
  return nullptr;
}

RepairResult& CommitChecked(RepairResult& result, NewFileWriter& writer, bool quickTime) {
  if (writer.Error()) return WriteFailure(result, writer);
  // A copy the library would refuse, or find cut again, is no repair.
  if (const char* why = UnreadableRecording(writer.TemporaryPath(), quickTime)) {
    result.failure = RepairFailure::NothingPlayable;
    result.detail = std::string("the copy would not be readable: ") + why;
    result.output.clear();
    return result;
  }
  if (!writer.Commit()) return WriteFailure(result, writer);
  return result;
}

uint32_t RateValue(ByteSource& source, uint64_t payloadAt, uint64_t payload) {
  uint8_t b[4] = {};
  source.ReadAt(payloadAt, b, static_cast<std::size_t>(std::min<uint64_t>(payload, sizeof b)));
  return ReadLe32(b);
}

uint64_t RecordsInSpan(bool gps, uint32_t rateValue, double seconds, uint64_t held) {
  const uint32_t rate = gps ? GpsRateOf(rateValue) : GSensorRateByteOf(rateValue);
  if (rate == 0 || !(seconds > 0)) return held;
  // A record at k / rate seconds belongs to the span while k / rate < seconds.
  const double wanted = std::ceil(seconds * rate - 1e-6);
  return wanted >= static_cast<double>(held) ? held : static_cast<uint64_t>(wanted);
}

const char* RepairFailureName(RepairFailure failure) {
  switch (failure) {
    case RepairFailure::None:
      return "repaired";
    case RepairFailure::CannotRead:
      return "cannot read";
    case RepairFailure::NothingPlayable:
      return "nothing playable";
    case RepairFailure::NoReference:
      return "no reference";
    case RepairFailure::SameFolder:
      return "destination is the recording's own folder";
    case RepairFailure::OutputExists:
      return "destination file exists";
    case RepairFailure::WriteFailed:
      return "cannot write";
  }
  return "unknown";
}

const char* RepairReason(const RepairResult& result) {
  return result.notCut ? "not cut" : RepairFailureName(result.failure);
}

RepairResult RepairCutRecording(const std::string& path, const std::string& outputFolder,
                                const std::string& reference) {
  if (auto refused = RefuseAsRecording(path)) return *refused;
  const bool avi = IsAviName(path);
  // A recording the library plays as it is needs no copy (and would lose
  // what the repair cannot rebuild, such as its sound).
  RecordingSummary summary;
  RecordingFile reader(&summary);
  if ((avi ? reader.ParseAvi(path) : reader.ParseMov(path)) == 0 && summary.durationMs > 0 &&
      !DetectCutRecording(path, avi ? ContainerKind::Avi : ContainerKind::QuickTime, nullptr)) {
    RepairResult r = Failure(RepairFailure::NothingPlayable, "the recording is whole; there is nothing to repair");
    r.notCut = true;
    return r;
  }
  if (IsSameFile(FolderOf(path), outputFolder))
    return Failure(RepairFailure::SameFolder, "the copy must go to another folder than the card's");
  struct stat folder {};
  if (::stat(outputFolder.c_str(), &folder) != 0 && errno == ENOENT) {
    // Made as the exports make theirs, but never on the card.
    std::error_code error;
    const std::filesystem::path wanted =
        std::filesystem::weakly_canonical(std::filesystem::absolute(outputFolder), error);
    if (Inside(wanted, CardOf(FolderOf(path))))
      return Failure(RepairFailure::SameFolder, wanted.string() + " would lie on the card of the recording");
    std::filesystem::create_directories(wanted, error);
    if (error) {
      RepairResult r = Failure(RepairFailure::WriteFailed, "cannot make " + outputFolder + ": " + error.message());
      r.error = error.value();
      return r;
    }
  }
  if (::stat(outputFolder.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
    RepairResult r = Failure(RepairFailure::WriteFailed, "the destination is not a folder");
    r.error = ENOTDIR;
    return r;
  }
  const std::string destination = outputFolder + (EndsWith(outputFolder, "/") ? "" : "/") + NameOf(path);
  struct stat existing {};
  if (::lstat(destination.c_str(), &existing) == 0) {
    RepairResult r = Failure(RepairFailure::OutputExists, destination + " exists already");
    r.error = EEXIST;
    return r;
  }

  FileByteSource source;
  if (!source.Open(path)) return Failure(RepairFailure::CannotRead, std::strerror(errno));
  return avi ? RepairAvi(source, destination) : RepairQuickTime(source, path, reference, destination);
}
