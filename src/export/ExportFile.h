#pragma once
// One file of an export, written the way settings and repairs are: under a
// hidden temporary name in the destination's folder and given its name only
// once it is complete, so that a failed export (full disk, file-size limit)
// never leaves a truncated file and never harms one that stood there.
#include <functional>
#include <iosfwd>
#include <string>

#include "fileio/AtomicReplace.h"

class PendingExportFile {
 public:
  PendingExportFile() = default;
  PendingExportFile(const PendingExportFile&) = delete;
  PendingExportFile& operator=(const PendingExportFile&) = delete;

  // Creates the temporary file beside `path` and lets `write` fill it. False
  // when it cannot be made, `write` returns false or a write fails.
  bool Write(const std::string& path, const std::function<bool(std::ostream&)>& write);
  // Gives the written file its name: over a file of that name when `replace`,
  // else only when the name is free (EEXIST in `error` when it is taken).
  // Until then, and after a failure, nothing of it is left on disk.
  bool Commit(bool replace, int& error);

 private:
  AtomicReplace m_file;
  bool m_written = false;
};
