#include "fileio/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

int64_t ByteSource::Window(uint64_t offset, std::size_t wanted, const uint8_t** data) {
  const uint64_t size = Size();
  if (offset >= size) {
    *data = nullptr;
    return 0;
  }
  const std::size_t n =
      static_cast<std::size_t>(std::min<uint64_t>({static_cast<uint64_t>(wanted), size - offset, uint64_t{1} << 20}));
  m_scratch.resize(n);
  const int64_t got = ReadAt(offset, m_scratch.data(), n);
  *data = m_scratch.data();
  return got;
}

// ---------------------------------------------------------------------------

FileByteSource::~FileByteSource() { Close(); }

bool FileByteSource::Open(const std::string& path) {
  Close();
  // O_NONBLOCK only so that opening a FIFO by mistake does not hang; regular
  // files ignore it.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.Valid()) return false;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return false;
  m_fd = std::move(fd);
  m_size = static_cast<uint64_t>(st.st_size);
  m_bufferOffset = 0;
  m_bufferLength = 0;
  return true;
}

void FileByteSource::Close() {
  m_fd.Reset();
  m_size = 0;
  m_bufferLength = 0;
}

int64_t FileByteSource::PreadFully(uint64_t offset, uint8_t* out, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ++m_readCalls;
    const ssize_t n = ::pread(m_fd.Get(), out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;  // the file got shorter: what is there is all there is
    done += static_cast<std::size_t>(n);
  }
  return static_cast<int64_t>(done);
}

int64_t FileByteSource::Fill(uint64_t offset, std::size_t wanted) {
  // Only the first m_bufferLength bytes are ever read, so the buffer need not be zeroed
  // (zeroing 1 MiB per opened file was half of a folder scan's time).
  if (!m_buffer) m_buffer = std::make_unique_for_overwrite<uint8_t[]>(kCapacity);
  const std::size_t fill =
      static_cast<std::size_t>(std::min<uint64_t>(std::clamp(wanted, kMinFill, kCapacity), m_size - offset));
  m_bufferLength = 0;
  const int64_t got = PreadFully(offset, m_buffer.get(), fill);
  if (got < 0) return -1;
  m_bufferOffset = offset;
  m_bufferLength = static_cast<std::size_t>(got);
  return got;
}

int64_t FileByteSource::Window(uint64_t offset, std::size_t wanted, const uint8_t** data) {
  *data = nullptr;
  if (!m_fd.Valid()) return -1;
  if (offset >= m_size || wanted == 0) return 0;
  const uint64_t want = std::min<uint64_t>({wanted, m_size - offset, FileByteSource::kCapacity});
  const bool inside = offset >= m_bufferOffset && offset - m_bufferOffset < m_bufferLength &&
                      m_bufferLength - (offset - m_bufferOffset) >= want;
  if (!inside && Fill(offset, static_cast<std::size_t>(want)) < 0) return -1;
  const std::size_t at = static_cast<std::size_t>(offset - m_bufferOffset);
  if (offset < m_bufferOffset || at >= m_bufferLength) return 0;  // file shrank under us
  *data = m_buffer.get() + at;
  return static_cast<int64_t>(std::min<uint64_t>(want, m_bufferLength - at));
}

int64_t FileByteSource::ReadAt(uint64_t offset, void* buffer, std::size_t size) {
  if (!m_fd.Valid()) return -1;
  if (offset >= m_size || size == 0) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(size, m_size - offset));
  if (n > kCapacity / 2) return PreadFully(offset, static_cast<uint8_t*>(buffer), n);
  const uint8_t* data = nullptr;
  const int64_t got = Window(offset, n, &data);
  if (got > 0) std::memcpy(buffer, data, static_cast<std::size_t>(got));
  return got;
}

bool FileByteSource::ModificationTime(int64_t* seconds) {
  if (!m_fd.Valid()) return false;
  struct stat st {};
  if (::fstat(m_fd.Get(), &st) != 0) return false;
  *seconds = static_cast<int64_t>(st.st_mtime);
  return true;
}

// ---------------------------------------------------------------------------

bool ListingSource::Open(const std::string& path) {
  return Adopt(UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)));
}

bool ListingSource::OpenAt(int folderFd, const std::string& name) {
  return Adopt(UniqueFd(::openat(folderFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW)));
}

bool ListingSource::Adopt(UniqueFd fd) {
  if (!fd.Valid()) return false;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return false;
  m_fd = std::move(fd);
  m_size = static_cast<uint64_t>(st.st_size);
  m_status = st;
  m_pieces.clear();
  m_nextVictim = 1;
  return true;
}

const ListingSource::Piece* ListingSource::Fetch(uint64_t offset, std::size_t wanted) {
  for (const Piece& piece : m_pieces)
    if (offset >= piece.offset && offset - piece.offset < piece.bytes.size() &&
        piece.bytes.size() - (offset - piece.offset) >= wanted)
      return &piece;
  const std::size_t least = m_pieces.empty() && offset == 0 ? kHeadBytes : kPieceBytes;
  const auto length = static_cast<std::size_t>(std::min<uint64_t>(std::max(wanted, least), m_size - offset));
  Piece fresh;
  fresh.offset = offset;
  fresh.bytes.resize(length);
  std::size_t done = 0;
  while (done < length) {
    ++m_readCalls;
    const ssize_t n = ::pread(m_fd.Get(), fresh.bytes.data() + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return nullptr;
    if (n == 0) break;  // the file got shorter: what is there is all there is
    done += static_cast<std::size_t>(n);
  }
  m_bytesRead += done;
  fresh.bytes.resize(done);
  if (m_pieces.size() < kMaxPieces) {
    m_pieces.push_back(std::move(fresh));
    return &m_pieces.back();
  }
  // The head stays: every walk comes back to it.
  Piece& victim = m_pieces[m_nextVictim];
  m_nextVictim = m_nextVictim + 1 < kMaxPieces ? m_nextVictim + 1 : 1;
  victim = std::move(fresh);
  return &victim;
}

int64_t ListingSource::Window(uint64_t offset, std::size_t wanted, const uint8_t** data) {
  *data = nullptr;
  if (!m_fd.Valid()) return -1;
  if (offset >= m_size || wanted == 0) return 0;
  const auto want = static_cast<std::size_t>(std::min<uint64_t>({wanted, m_size - offset, FileByteSource::kCapacity}));
  const Piece* piece = Fetch(offset, want);
  if (!piece) return -1;
  const std::size_t at = static_cast<std::size_t>(offset - piece->offset);
  if (at >= piece->bytes.size()) return 0;  // file shrank under us
  *data = piece->bytes.data() + at;
  return static_cast<int64_t>(std::min(want, piece->bytes.size() - at));
}

int64_t ListingSource::ReadAt(uint64_t offset, void* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const uint8_t* data = nullptr;
    const int64_t got = Window(offset + done, size - done, &data);
    if (got < 0) return -1;
    if (got == 0) break;
    std::memcpy(static_cast<uint8_t*>(buffer) + done, data, static_cast<std::size_t>(got));
    done += static_cast<std::size_t>(got);
  }
  return static_cast<int64_t>(done);
}

bool ListingSource::ModificationTime(int64_t* seconds) {
  if (!m_fd.Valid()) return false;
  *seconds = static_cast<int64_t>(m_status.st_mtime);
  return true;
}

// ---------------------------------------------------------------------------

MemoryByteSource::MemoryByteSource(std::vector<uint8_t> bytes, std::optional<int64_t> modificationTime)
    : m_owned(std::move(bytes)), m_modificationTime(modificationTime) {
  m_data = m_owned.data();
  m_size = m_owned.size();
}

MemoryByteSource::MemoryByteSource(const uint8_t* data, std::size_t size, std::optional<int64_t> modificationTime)
    : m_data(data), m_size(size), m_modificationTime(modificationTime) {}

int64_t MemoryByteSource::ReadAt(uint64_t offset, void* buffer, std::size_t size) {
  if (offset >= m_size || size == 0) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(size, m_size - offset));
  std::memcpy(buffer, m_data + offset, n);
  return static_cast<int64_t>(n);
}

int64_t MemoryByteSource::Window(uint64_t offset, std::size_t wanted, const uint8_t** data) {
  *data = nullptr;
  if (offset >= m_size || wanted == 0) return 0;
  *data = m_data + offset;
  return static_cast<int64_t>(std::min<uint64_t>(wanted, m_size - offset));
}

bool MemoryByteSource::ModificationTime(int64_t* seconds) {
  if (!m_modificationTime) return false;
  *seconds = *m_modificationTime;
  return true;
}
