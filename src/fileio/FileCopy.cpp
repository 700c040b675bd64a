#include "fileio/FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fileio/AtomicReplace.h"
#include "fileio/UniqueFd.h"

namespace {

constexpr std::size_t kChunk = 1u << 20;

// Copies until end of file; the number of bytes copied or -1 (errno set).
int64_t CopyContent(int in, int out) {
  int64_t total = 0;
  bool kernelCopy = true;
  std::vector<char> buffer;
  for (;;) {
    if (kernelCopy) {
      const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
      if (n > 0) {
        total += n;
        continue;
      }
      if (n == 0) return total;
      if (errno == EINTR) continue;
      // Not offered between these two files: copy by hand from where we are.
      if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF) {
        kernelCopy = false;
        buffer.resize(kChunk);
        continue;
      }
      return -1;
    }
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return total;
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    ssize_t written = 0;
    while (written < n) {
      const ssize_t w = ::write(out, buffer.data() + written, static_cast<std::size_t>(n - written));
      if (w < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      written += w;
    }
    total += n;
  }
}

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool SafeCopyFile(const std::string& source, const std::string& destination, int& error) {
  error = 0;
  auto fail = [&error](int code) {
    error = code;
    return false;
  };

  // O_NONBLOCK: a pipe that took the recording's name must be refused below,
  // not waited on for a writer. Regular files ignore the flag.
  UniqueFd in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!in.Valid()) return fail(errno);
  struct stat sourceStat {};
  if (::fstat(in.Get(), &sourceStat) != 0) return fail(errno);
  if (!S_ISREG(sourceStat.st_mode)) return fail(EINVAL);

  AtomicReplace replace;
  if (!replace.Begin(destination, error)) return false;
  const int out = replace.Fd();
  const int64_t copied = CopyContent(in.Get(), out);
  if (copied < 0) return fail(errno);
  struct stat written {};
  if (::fstat(out, &written) != 0) return fail(errno);
  if (copied != sourceStat.st_size || written.st_size != sourceStat.st_size) return fail(EIO);

  // Like the copy of the platform this replaces: a protected recording stays
  // protected at its destination and keeps its time stamps.
  if (::fchmod(out, sourceStat.st_mode & 07777) != 0) return fail(errno);
  const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
  ::futimens(out, times);
  return replace.Commit(error);
}
