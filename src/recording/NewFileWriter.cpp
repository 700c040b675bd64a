#include "NewFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "ByteSource.h"

namespace {

constexpr std::size_t kCopyBlock = 1u << 20;

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

NewFileWriter::~NewFileWriter() {
  if (!m_temp.empty() && !m_committed) {
    m_fd.Reset();
    ::unlink(m_temp.c_str());
  }
}

bool NewFileWriter::Fail(int error) {
  if (m_error == 0) m_error = error ? error : EIO;
  return false;
}

bool NewFileWriter::Create(const std::string& destination) {
  if (m_error) return false;
  m_destination = destination;
  const std::size_t slash = destination.rfind('/');
  m_folder = slash == std::string::npos ? std::string(".") : destination.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? destination : destination.substr(slash + 1);
  if (base.empty()) return Fail(EISDIR);
  struct stat st {};
  if (::lstat(destination.c_str(), &st) == 0) return Fail(EEXIST);
  if (base.size() > 200) base.resize(200);  // room for the dot and the suffix within NAME_MAX
  // Hidden, so that a scan never takes the unfinished file for a recording.
  std::string temp = m_folder + (m_folder.back() == '/' ? "" : "/") + "." + base + ".XXXXXX";
  m_fd.Reset(::mkostemp(temp.data(), O_CLOEXEC));
  if (!m_fd.Valid()) return Fail(errno);
  m_temp = temp;
  return true;
}

bool NewFileWriter::Write(const void* data, std::size_t size) {
  if (m_error || !m_fd.Valid()) return Fail(m_error ? m_error : EBADF);
  const auto* p = static_cast<const uint8_t*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(m_fd.Get(), p + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (n == 0) return Fail(ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  m_position += size;
  return true;
}

bool NewFileWriter::CopyFrom(ByteSource& source, uint64_t offset, uint64_t length) {
  std::vector<uint8_t> block(static_cast<std::size_t>(std::min<uint64_t>(length, kCopyBlock)));
  while (length > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(length, block.size()));
    const int64_t got = source.ReadAt(offset, block.data(), want);
    if (got != static_cast<int64_t>(want)) return Fail(EIO);
    if (!Write(block.data(), want)) return false;
    offset += want;
    length -= want;
  }
  return !m_error;
}

bool NewFileWriter::PatchAt(uint64_t offset, const void* data, std::size_t size) {
  if (m_error || !m_fd.Valid()) return Fail(m_error ? m_error : EBADF);
  if (offset + size > m_position) return Fail(EINVAL);
  const auto* p = static_cast<const uint8_t*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(m_fd.Get(), p + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (n == 0) return Fail(EIO);
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool NewFileWriter::Commit() {
  if (m_error || !m_fd.Valid()) return Fail(m_error ? m_error : EBADF);
  struct stat written {};
  if (::fstat(m_fd.Get(), &written) != 0) return Fail(errno);
  if (static_cast<uint64_t>(written.st_size) != m_position) return Fail(EIO);
  if (::fchmod(m_fd.Get(), 0644) != 0) return Fail(errno);
  if (::fsync(m_fd.Get()) != 0) return Fail(errno);
  if (m_fd.Close() != 0) return Fail(errno);
  const int rc = RenameNoReplace(m_temp, m_destination);
  if (rc != 0) return Fail(rc);
  m_committed = true;
  UniqueFd dir(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Valid()) ::fsync(dir.Get());
  return true;
}
