#pragma once
// Writes a file that must not exist yet, the way a copy is written: under a
// hidden temporary name in the destination's folder, every write checked,
// synced, and only then given its name, which it never takes from a file
// that is already there. Until Commit succeeds nothing is left behind.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fileio/AtomicReplace.h"

class ByteSource;

class NewFileWriter {
 public:
  NewFileWriter() = default;
  NewFileWriter(const NewFileWriter&) = delete;
  NewFileWriter& operator=(const NewFileWriter&) = delete;

  // Each returns false on failure with the errno in Error(); later calls then
  // do nothing and return false as well.
  bool Create(const std::string& destination);
  bool Write(const void* data, std::size_t size);
  bool Write(const std::vector<uint8_t>& bytes) { return Write(bytes.data(), bytes.size()); }
  // `length` bytes of `source` from `offset`; a source that ends early is EIO.
  bool CopyFrom(ByteSource& source, uint64_t offset, uint64_t length);
  // Overwrites bytes written earlier.
  bool PatchAt(uint64_t offset, const void* data, std::size_t size);
  // Sync, then the destination name (EEXIST when the name was taken meanwhile).
  bool Commit();

  uint64_t Position() const { return m_position; }
  // The file as written so far (flushed: every write goes straight to it),
  // for a check before Commit.
  const std::string& TemporaryPath() const { return m_file.TemporaryPath(); }
  int Error() const { return m_error; }

 private:
  bool Fail(int error);

  AtomicReplace m_file;  // removes the unfinished file unless committed
  uint64_t m_position = 0;
  int m_error = 0;
};
