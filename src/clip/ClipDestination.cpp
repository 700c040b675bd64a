#include "clip/ClipDestination.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "export/TrackExport.h"

namespace fs = std::filesystem;

namespace {

std::string Words(int error) { return std::strerror(error); }

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

ClipFailure DestinationFailure(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOSPC:
    case EDQUOT:
    case ENOTDIR:
      return ClipFailure::DestinationUnwritable;
    default:
      return ClipFailure::WriteFailed;
  }
}

bool PathInside(const std::string& path, const std::string& root) {
  struct stat rootInfo {};
  if (root.empty() || ::stat(root.c_str(), &rootInfo) != 0) return false;
  std::error_code error;
  fs::path existing = fs::absolute(path, error);
  // The nearest folder that exists stands for the rest, which does not yet.
  while (!existing.empty() && !fs::exists(existing, error)) {
    if (existing == existing.parent_path()) break;
    existing = existing.parent_path();
  }
  fs::path at = fs::canonical(existing, error);
  if (error) return false;
  for (;;) {
    struct stat info {};
    if (::stat(at.c_str(), &info) == 0 && SameFile(info, rootInfo)) return true;
    if (at == at.parent_path()) return false;
    at = at.parent_path();
  }
}

ClipFolders::~ClipFolders() {
  for (auto it = m_made.rbegin(); it != m_made.rend(); ++it) ::rmdir(it->c_str());
}

ClipFailure ClipFolders::PrepareOutput(const std::string& output, const std::string& cardRoot, std::string& detail) {
  if (output.empty()) {
    detail = "no output folder";
    return ClipFailure::DestinationUnwritable;
  }
  if (PathInside(output, cardRoot)) {
    detail = output + " lies on the card " + cardRoot;
    return ClipFailure::DestinationOnCard;
  }
  std::error_code error;
  const fs::path target = fs::absolute(output, error).lexically_normal();
  fs::path at;
  for (const fs::path& part : target) {
    at /= part;
    if (part.empty() || fs::is_directory(at, error)) continue;
    if (::mkdir(at.c_str(), 0755) == 0) {
      m_made.push_back(at.string());
    } else if (errno != EEXIST) {
      const int code = errno;
      detail = "cannot make " + at.string() + ": " + Words(code);
      return DestinationFailure(code);
    }
  }
  if (!fs::is_directory(target, error)) {
    detail = output + ": " + Words(ENOTDIR);
    return ClipFailure::DestinationUnwritable;
  }
  return ClipFailure::None;
}

ClipFailure ClipFolders::MakeOwnFolder(const std::string& output, const std::string& stem, std::string& folder,
                                       std::string& detail) {
  const std::string base = output.empty() || output.back() == '/' ? output : output + "/";
  for (int copy = 1; copy <= kMaxExportCopies; ++copy) {
    folder = base + stem + (copy > 1 ? " (" + std::to_string(copy) + ")" : "");
    if (::mkdir(folder.c_str(), 0755) == 0) {
      m_made.push_back(folder);
      folder += '/';
      return ClipFailure::None;
    }
    if (errno != EEXIST) {
      const int code = errno;
      detail = "cannot make " + folder + ": " + Words(code);
      return DestinationFailure(code);
    }
  }
  detail = base + stem + ": every name is taken";
  return ClipFailure::NameExists;
}
