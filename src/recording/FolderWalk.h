#pragma once
// Depth-first, pre-order walk of a folder tree with an explicit stack (no
// recursion). Entries come in the order the file system lists them.
//
// Skipped: "." and "..", hidden entries (name beginning with '.', or the FAT
// hidden attribute) and system entries (FAT system attribute), with everything
// below them. Symbolic links to folders are not followed, so the walk cannot
// loop; links to files are reported as files. A folder that cannot be listed
// contributes nothing, and folders nested deeper than kMaxFolderLevels listings
// (the root being the first) are reported but not entered.
#include <cstdint>
#include <string>

constexpr int kMaxFolderLevels = 40;

// What the walk knows about one entry (the "find data").
struct FolderEntryData {
  bool isFolder = false;
  bool isRegularFile = false;     // after following a link to a file
  bool onFatFileSystem = false;   // the folder's file system answers the FAT ioctl
  bool hasFatAttributes = false;  // ... and answered it for this entry
  uint32_t fatAttributes = 0;
};

// root ends with '/', relativeFolder is empty or ends with '/'. The result is
// ignored.
using FolderEntryCallback = int (*)(const std::string& root, const std::string& relativeFolder,
                                    const std::string& name, const FolderEntryData& data,
                                    int isFolder, void* context);

// 0 when root does not exist (nothing is reported), else 1 (also when root
// could not be listed).
int EnumerateFolder(const std::string& root, void* context, FolderEntryCallback callback);
