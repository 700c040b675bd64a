#pragma once
// Replacing a file whole. The new content goes to a hidden temporary file in
// the destination's folder; Commit syncs it, renames it over the destination
// and syncs the folder, so that a crash, a full disk or a pulled card never
// leaves a half-written file under the destination's name and an existing
// destination stays as it was until its replacement is complete.
#include <string>

#include "fileio/UniqueFd.h"

class AtomicReplace {
 public:
  AtomicReplace() = default;
  // Removes the temporary file unless Commit renamed it into place.
  ~AtomicReplace();
  AtomicReplace(const AtomicReplace&) = delete;
  AtomicReplace& operator=(const AtomicReplace&) = delete;

  // Creates the temporary file ("." + the destination's name + a random
  // suffix, hidden so that a scan never takes it for a recording). False with
  // errno in `error` when the folder refuses it.
  bool Begin(const std::string& destination, int& error);
  // The temporary file, for its content, permission bits and times.
  int Fd() const { return m_file.Get(); }
  // Syncs and closes the temporary file, renames it over the destination and
  // syncs the folder. False with errno in `error`: the destination is then
  // untouched and the temporary file is removed.
  bool Commit(int& error);
  // The same for a file that must not replace anything: EEXIST when the
  // destination's name was taken meanwhile.
  bool CommitNew(int& error);
  // The temporary file's path until it is renamed.
  const std::string& TemporaryPath() const { return m_temp; }

 private:
  bool Finish(bool replace, int& error);

  std::string m_destination;
  std::string m_folder;
  std::string m_temp;  // empty once renamed (or never created)
  UniqueFd m_file;
};
