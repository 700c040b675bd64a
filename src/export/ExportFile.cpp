#include "export/ExportFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ostream>
#include <streambuf>

namespace {

// An unbuffered stream onto the temporary file: the writers hand over text
// in large batches already.
class FdStreamBuf : public std::streambuf {
 public:
  explicit FdStreamBuf(int fd) : m_fd(fd) {}

 protected:
  std::streamsize xsputn(const char* data, std::streamsize size) override {
    return WriteAll(data, static_cast<std::size_t>(size)) ? size : 0;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return WriteAll(&byte, 1) ? c : traits_type::eof();
  }

 private:
  bool WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
      const ssize_t n = ::write(m_fd, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }
  int m_fd;
};

}  // namespace

bool PendingExportFile::Write(const std::string& path, const std::function<bool(std::ostream&)>& write) {
  int error = 0;
  if (m_written || !m_file.Begin(path, error)) return false;
  // The temporary file is private (0600); an export is an ordinary document.
  if (::fchmod(m_file.Fd(), 0644) != 0) return false;
  FdStreamBuf buffer(m_file.Fd());
  std::ostream stream(&buffer);
  m_written = write(stream) && stream.flush();
  return m_written;
}

bool PendingExportFile::Commit(bool replace, int& error) {
  if (!m_written) {
    error = EBADF;
    return false;
  }
  return replace ? m_file.Commit(error) : m_file.CommitNew(error);
}
