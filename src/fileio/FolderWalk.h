#pragma once
// Depth-first, pre-order walk of a folder tree with an explicit stack (no
// recursion). Entries come in the order the file system lists them.
//
// Skipped: "." and "..", hidden entries (name beginning with '.', or the FAT
// hidden attribute) and system entries (FAT system attribute), with everything
// below them, and symbolic links, whatever they lead to (a card holds none:
// a link to a folder could make the walk loop, one to a file is no recording
// of the card). Each folder is listed whole before any of its entries is
// reported; a folder that cannot be listed, or whose listing breaks off
// part-way, contributes nothing. Folders nested deeper than kMaxFolderLevels
// listings (the root being the first) are reported but not entered.
#include <cstdint>
#include <string>

#include "fileio/UniqueFd.h"

constexpr int kMaxFolderLevels = 40;

// What the walk knows about one entry (the "find data").
struct FolderEntryData {
  bool isFolder = false;
  bool isRegularFile = false;
  bool onFatFileSystem = false;   // the folder's file system answers the FAT ioctl
  bool hasFatAttributes = false;  // ... and answered it for this entry
  uint32_t fatAttributes = 0;
  // A regular file the walk opened (read-only, not following links, never
  // blocking) to ask its FAT attributes; null elsewhere. The callback may take
  // it, so that reading the file costs no second open.
  UniqueFd* file = nullptr;
  // The folder being listed, open for the callback's reports (borrowed), so
  // that an entry is reached by its name without walking the whole path again.
  int folderFd = -1;
};

// root ends with '/', relativeFolder is empty or ends with '/'. The result is
// ignored.
using FolderEntryCallback = int (*)(const std::string& root, const std::string& relativeFolder, const std::string& name,
                                    const FolderEntryData& data, int isFolder, void* context);

// False when root does not exist (nothing is reported), else true (also when
// root could not be listed).
bool EnumerateFolder(const std::string& root, void* context, FolderEntryCallback callback);
