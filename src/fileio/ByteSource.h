#pragma once
// Where the readers get their bytes from: a file on disk (buffered, so that a
// byte-by-byte scan does not cost a system call per offset) or a block of
// memory (tests and fuzzers). Reads are positioned; nothing keeps a cursor.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fileio/UniqueFd.h"

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Length in bytes, fixed when the source was opened.
  virtual uint64_t Size() const = 0;

  // Copies up to `size` bytes starting at `offset` into `buffer`. Returns the
  // number of bytes copied (fewer at the end, 0 at or past the end), or -1
  // when the underlying read failed.
  virtual int64_t ReadAt(uint64_t offset, void* buffer, std::size_t size) = 0;

  // Points *data at up to `wanted` bytes starting at `offset` without copying
  // them out. Returns how many bytes *data holds (at least min(wanted, 4096,
  // Size() - offset) unless the read failed), 0 at or past the end, -1 on a
  // read failure. The bytes stay valid until the next call on this source.
  virtual int64_t Window(uint64_t offset, std::size_t wanted, const uint8_t** data);

  // The last-modification time in seconds since 1970 UTC; false when the
  // source has none or it cannot be read.
  virtual bool ModificationTime(int64_t* seconds) = 0;

 private:
  std::vector<uint8_t> m_scratch;  // backs the default Window()
};

// A regular file opened read-only. Reads are served from a read-ahead window
// so that neighbouring small reads cost one system call between them.
class FileByteSource final : public ByteSource {
 public:
  FileByteSource() = default;
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  // Opens a regular file (anything else, such as a folder or a pipe, is
  // refused so that no read can block). Returns false on failure.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return m_fd.Valid(); }

  uint64_t Size() const override { return m_size; }
  int64_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override;
  int64_t Window(uint64_t offset, std::size_t wanted, const uint8_t** data) override;
  bool ModificationTime(int64_t* seconds) override;

  // Read-ahead sizes: a random read fills at least kMinFill bytes, a window
  // holds at most kCapacity bytes; larger reads bypass the window.
  static constexpr std::size_t kMinFill = 64 * 1024;
  static constexpr std::size_t kCapacity = 1024 * 1024;

  // Number of read system calls so far (for tests and benchmarks).
  uint64_t ReadCalls() const { return m_readCalls; }

 private:
  int64_t Fill(uint64_t offset, std::size_t wanted);
  int64_t PreadFully(uint64_t offset, uint8_t* out, std::size_t size);

  UniqueFd m_fd;
  uint64_t m_size = 0;
  std::unique_ptr<uint8_t[]> m_buffer;
  uint64_t m_bufferOffset = 0;
  std::size_t m_bufferLength = 0;
  uint64_t m_readCalls = 0;
};

// A regular file read the way the library's listing reads it: a few small
// pieces (the headers at the start, the first bytes of moov, the idx1 header)
// rather than read-ahead windows, because on a card in a USB reader every
// read costs about a millisecond and every byte more costs throughput. The
// cut detection, the walks and the byte scan share one open and its pieces.
class ListingSource final : public ByteSource {
 public:
  ListingSource() = default;
  ListingSource(const ListingSource&) = delete;
  ListingSource& operator=(const ListingSource&) = delete;

  // Opens a regular file read-only; false on failure (anything but a regular
  // file is refused, so no read can block).
  bool Open(const std::string& path);
  // The same for the file `name` of the open folder `folderFd` (a link is
  // refused).
  bool OpenAt(int folderFd, const std::string& name);
  // The same for a file already open read-only (it then belongs to the
  // source, also when it is refused).
  bool Adopt(UniqueFd fd);
  // The file's status as the open found it.
  const struct stat& Status() const { return m_status; }

  uint64_t Size() const override { return m_size; }
  int64_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override;
  int64_t Window(uint64_t offset, std::size_t wanted, const uint8_t** data) override;
  bool ModificationTime(int64_t* seconds) override;

  // The first read takes kHeadBytes (the camera's blocks sit right after the
  // container's headers); any other miss takes at least kPieceBytes, enough
  // for a chunk header, or for moov's headers up to the first track's.
  static constexpr std::size_t kHeadBytes = 8 * 1024;
  static constexpr std::size_t kPieceBytes = 2 * 1024;
  static constexpr std::size_t kMaxPieces = 4;

  // Read system calls and bytes read so far (for tests and benchmarks).
  uint32_t ReadCalls() const { return m_readCalls; }
  uint64_t BytesRead() const { return m_bytesRead; }

 private:
  struct Piece {
    uint64_t offset = 0;
    std::vector<uint8_t> bytes;
  };
  const Piece* Fetch(uint64_t offset, std::size_t wanted);

  UniqueFd m_fd;
  uint64_t m_size = 0;
  struct stat m_status {};
  std::vector<Piece> m_pieces;  // the head first; later misses replace the oldest other piece
  std::size_t m_nextVictim = 1;
  uint32_t m_readCalls = 0;
  uint64_t m_bytesRead = 0;
};

// A block of bytes in memory; the bytes are copied in or borrowed.
class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::vector<uint8_t> bytes, std::optional<int64_t> modificationTime = std::nullopt);
  // Borrows `size` bytes at `data`; they must outlive the source.
  MemoryByteSource(const uint8_t* data, std::size_t size, std::optional<int64_t> modificationTime = std::nullopt);

  uint64_t Size() const override { return m_size; }
  int64_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override;
  int64_t Window(uint64_t offset, std::size_t wanted, const uint8_t** data) override;
  bool ModificationTime(int64_t* seconds) override;

 private:
  std::vector<uint8_t> m_owned;
  const uint8_t* m_data = nullptr;
  std::size_t m_size = 0;
  std::optional<int64_t> m_modificationTime;
};
