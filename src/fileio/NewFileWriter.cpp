#include "fileio/NewFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "fileio/ByteSource.h"

namespace {

constexpr std::size_t kCopyBlock = 1u << 20;

}  // namespace

bool NewFileWriter::Fail(int error) {
  if (m_error == 0) m_error = error ? error : EIO;
  return false;
}

bool NewFileWriter::Create(const std::string& destination) {
  if (m_error) return false;
  // A name ending in '/' is left to Begin, which refuses it (EISDIR).
  const std::size_t slash = destination.rfind('/');
  struct stat st {};
  if (slash + 1 < destination.size() && ::lstat(destination.c_str(), &st) == 0) return Fail(EEXIST);
  int error = 0;
  if (!m_file.Begin(destination, error)) return Fail(error);
  return true;
}

bool NewFileWriter::Write(const void* data, std::size_t size) {
  if (m_error || m_file.Fd() < 0) return Fail(m_error ? m_error : EBADF);
  const auto* p = static_cast<const uint8_t*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(m_file.Fd(), p + done, size - done);
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
  if (m_error || m_file.Fd() < 0) return Fail(m_error ? m_error : EBADF);
  if (offset + size > m_position) return Fail(EINVAL);
  const auto* p = static_cast<const uint8_t*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(m_file.Fd(), p + done, size - done, static_cast<off_t>(offset + done));
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
  if (m_error || m_file.Fd() < 0) return Fail(m_error ? m_error : EBADF);
  struct stat written {};
  if (::fstat(m_file.Fd(), &written) != 0) return Fail(errno);
  if (static_cast<uint64_t>(written.st_size) != m_position) return Fail(EIO);
  if (::fchmod(m_file.Fd(), 0644) != 0) return Fail(errno);
  int error = 0;
  if (!m_file.CommitNew(error)) return Fail(error);
  return true;
}
