#pragma once
// Where a clip goes: never onto the card it was cut from, into a folder of
// its own that no earlier clip holds, and gone again when the clip fails.
#include <string>
#include <vector>

#include "clip/ClipTypes.h"

// The folders one clip made, removed (deepest first, only while empty) unless
// Keep was called.
class ClipFolders {
 public:
  ClipFolders() = default;
  ~ClipFolders();
  ClipFolders(const ClipFolders&) = delete;
  ClipFolders& operator=(const ClipFolders&) = delete;

  // Makes `output` and the folders above it that are missing. Refuses a
  // folder that is, or lies inside, `cardRoot` (compared as the same file,
  // so another spelling, a link or a bind mount of the card is caught too).
  ClipFailure PrepareOutput(const std::string& output, const std::string& cardRoot, std::string& detail);
  // Makes "<output>/<stem>", or "<stem> (2)" and so on when that name is
  // taken; `folder` receives its path with a trailing '/'.
  ClipFailure MakeOwnFolder(const std::string& output, const std::string& stem, std::string& folder,
                            std::string& detail);
  void Keep() { m_made.clear(); }

 private:
  std::vector<std::string> m_made;
};

// Whether `path` (existing or not) is `root` or lies below it.
bool PathInside(const std::string& path, const std::string& root);
// DestinationUnwritable for a refusing or full destination, else WriteFailed.
ClipFailure DestinationFailure(int error);
