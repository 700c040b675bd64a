#include "fileio/FolderWalk.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

#include "fileio/FileAttributes.h"
#include "fileio/UniqueFd.h"

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

struct Listed {
  std::string name;
  unsigned char type = DT_UNKNOWN;
};

struct Level {
  DirHandle dir;
  std::string relative;
  bool fatAware = false;        // the folder's file system answers the FAT ioctl
  std::vector<Listed> entries;  // the whole listing, in the file system's order
  std::size_t next = 0;
};

// Reads the folder's whole listing before any of it is reported: a listing
// that breaks off part-way (an I/O error, a medium pulled out) is false, and
// the folder then contributes nothing rather than what it listed up to there.
bool ListWhole(DIR* dir, std::vector<Listed>& entries) {
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (!entry) return errno == 0;
    if (entry->d_name[0] == '.') continue;  // ".", ".." and hidden entries
    entries.push_back({entry->d_name, entry->d_type});
  }
}

// Takes `fd` (an open folder) over into the listing. False when the folder
// cannot be listed whole.
bool OpenLevel(UniqueFd fd, std::string relative, Level& level) {
  uint32_t attributes = 0;
  const bool fatAware = ReadFatAttributes(fd.Get(), attributes);
  DIR* dir = ::fdopendir(fd.Get());
  if (!dir) return false;
  fd.Release();  // the listing owns it now
  level.dir.reset(dir);
  if (!ListWhole(dir, level.entries)) return false;
  level.relative = std::move(relative);
  level.fatAware = fatAware;
  return true;
}

// Fills isFolder / isRegularFile; false when the entry is to be left out. A
// link is left out whatever it leads to: one to a folder could make the walk
// loop, and one to a file is no recording of the card (DEL would remove the
// link only, LOCK would change its target).
bool Classify(int dirFd, const char* name, unsigned char type, FolderEntryData& data) {
  if (type == DT_UNKNOWN) {
    struct stat st {};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (S_ISDIR(st.st_mode))
      type = DT_DIR;
    else if (S_ISREG(st.st_mode))
      type = DT_REG;
    else if (S_ISLNK(st.st_mode))
      type = DT_LNK;
    else
      type = DT_FIFO;  // any other kind of file
  }
  if (type == DT_LNK) return false;
  data.isFolder = type == DT_DIR;
  data.isRegularFile = type == DT_REG;
  return true;
}

}  // namespace

bool EnumerateFolder(const std::string& rootIn, void* context, FolderEntryCallback callback) {
  struct stat rootStat {};
  if (rootIn.empty() || ::stat(rootIn.c_str(), &rootStat) != 0) return false;
  std::string root = rootIn;
  if (root.back() != '/') root.push_back('/');

  std::vector<Level> stack;
  stack.reserve(kMaxFolderLevels);
  {
    UniqueFd fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.Valid()) return true;
    Level level;
    if (!OpenLevel(std::move(fd), std::string(), level)) return true;
    stack.push_back(std::move(level));
  }

  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.next == top.entries.size()) {
      // The folder is done; its parent goes on.
      stack.pop_back();
      continue;
    }
    const Listed& listed = top.entries[top.next++];
    const char* name = listed.name.c_str();

    const int dirFd = ::dirfd(top.dir.get());
    FolderEntryData data;
    if (!Classify(dirFd, name, listed.type, data)) continue;
    data.onFatFileSystem = top.fatAware;
    data.folderFd = dirFd;
    UniqueFd file;
    if (top.fatAware) {
      file.Reset(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
      if (file.Valid() && ReadFatAttributes(file.Get(), data.fatAttributes)) {
        data.hasFatAttributes = true;
        if (data.fatAttributes & (kFatAttrHidden | kFatAttrSystem)) continue;
      }
    }

    if (!data.isFolder) {
      if (file.Valid() && data.isRegularFile) data.file = &file;
      callback(root, top.relative, listed.name, data, 0, context);
      continue;
    }
    file.Reset();  // a folder is listed through a descriptor of its own
    callback(root, top.relative, listed.name, data, 1, context);
    if (static_cast<int>(stack.size()) >= kMaxFolderLevels) continue;
    UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid()) continue;  // cannot be listed: contributes nothing
    Level child;
    // `top` and `listed` are not used once the stack has grown.
    if (OpenLevel(std::move(fd), top.relative + listed.name + "/", child)) stack.push_back(std::move(child));
  }
  return true;
}
