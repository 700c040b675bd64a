#include "fileio/AtomicReplace.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Gives `from` the name `to` unless `to` exists. File systems without the
// no-replace rename (some FUSE ones) get a hard link; FAT has neither, and
// there the name is checked just before the plain rename.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST) return EEXIST;
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

AtomicReplace::~AtomicReplace() {
  m_file.Reset();
  if (!m_temp.empty()) ::unlink(m_temp.c_str());
}

bool AtomicReplace::Begin(const std::string& destination, int& error) {
  error = 0;
  const std::size_t slash = destination.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : destination.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? destination : destination.substr(slash + 1);
  if (base.empty()) {
    error = EISDIR;
    return false;
  }
  if (base.size() > 200) base.resize(200);  // room for the dot and the suffix within NAME_MAX
  std::string temp = folder + (folder.back() == '/' ? "" : "/") + "." + base + ".XXXXXX";
  m_file.Reset(::mkostemp(temp.data(), O_CLOEXEC));
  if (!m_file.Valid()) {
    error = errno;
    return false;
  }
  m_destination = destination;
  m_folder = folder;
  m_temp = std::move(temp);
  return true;
}

bool AtomicReplace::Commit(int& error) { return Finish(true, error); }

bool AtomicReplace::CommitNew(int& error) { return Finish(false, error); }

bool AtomicReplace::Finish(bool replace, int& error) {
  error = 0;
  if (m_temp.empty() || !m_file.Valid()) {
    error = EBADF;
    return false;
  }
  if (::fsync(m_file.Get()) != 0 || m_file.Close() != 0) {
    error = errno;
    return false;
  }
  if (replace) {
    if (::rename(m_temp.c_str(), m_destination.c_str()) != 0) error = errno;
  } else {
    error = RenameNoReplace(m_temp, m_destination);
  }
  if (error != 0) return false;
  m_temp.clear();
  // The rename itself lives in the folder: sync it too, or a power cut may
  // bring back the old name.
  UniqueFd folder(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Valid()) ::fsync(folder.Get());
  return true;
}
