#include "FolderWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

#include "FileAttributes.h"
#include "UniqueFd.h"

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

struct Level {
  DirHandle dir;
  std::string relative;
  bool fatAware = false;  // the folder's file system answers the FAT ioctl
};

// Takes ownership of `fd` (an open folder).
bool OpenLevel(int fd, std::string relative, Level& level) {
  uint32_t attributes = 0;
  const bool fatAware = ReadFatAttributes(fd, attributes);
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return false;
  }
  level.dir.reset(dir);
  level.relative = std::move(relative);
  level.fatAware = fatAware;
  return true;
}

// Fills isFolder / isRegularFile; false when the entry is to be left out (a
// link to a folder, a dangling link, an entry that vanished).
bool Classify(int dirFd, const char* name, unsigned char type, FolderEntryData& data) {
  struct stat st {};
  if (type == DT_UNKNOWN) {
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (S_ISDIR(st.st_mode)) type = DT_DIR;
    else if (S_ISREG(st.st_mode)) type = DT_REG;
    else if (S_ISLNK(st.st_mode)) type = DT_LNK;
    else type = DT_FIFO;  // any other kind of file
  }
  if (type == DT_LNK) {
    if (::fstatat(dirFd, name, &st, 0) != 0) return false;
    if (S_ISDIR(st.st_mode)) return false;
    data.isRegularFile = S_ISREG(st.st_mode);
    return true;
  }
  data.isFolder = type == DT_DIR;
  data.isRegularFile = type == DT_REG;
  return true;
}

}  // namespace

int EnumerateFolder(const std::string& rootIn, void* context, FolderEntryCallback callback) {
  struct stat rootStat {};
  if (rootIn.empty() || ::stat(rootIn.c_str(), &rootStat) != 0) return 0;
  std::string root = rootIn;
  if (root.back() != '/') root.push_back('/');

  std::vector<Level> stack;
  stack.reserve(kMaxFolderLevels);
  {
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 1;
    Level level;
    if (!OpenLevel(fd, std::string(), level)) return 1;
    stack.push_back(std::move(level));
  }

  while (!stack.empty()) {
    Level& top = stack.back();
    const dirent* entry = ::readdir(top.dir.get());
    if (!entry) {
      // End of the listing, or a listing that broke off: either way the
      // folder contributes what it listed so far and its parent goes on.
      stack.pop_back();
      continue;
    }
    const char* name = entry->d_name;
    if (name[0] == '.') continue;  // ".", ".." and hidden entries

    const int dirFd = ::dirfd(top.dir.get());
    FolderEntryData data;
    if (!Classify(dirFd, name, entry->d_type, data)) continue;
    data.onFatFileSystem = top.fatAware;
    if (top.fatAware) {
      UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
      if (fd.Valid() && ReadFatAttributes(fd.Get(), data.fatAttributes)) {
        data.hasFatAttributes = true;
        if (data.fatAttributes & (kFatAttrHidden | kFatAttrSystem)) continue;
      }
    }

    const std::string entryName(name);
    if (!data.isFolder) {
      callback(root, top.relative, entryName, data, 0, context);
      continue;
    }
    callback(root, top.relative, entryName, data, 1, context);
    if (static_cast<int>(stack.size()) >= kMaxFolderLevels) continue;
    const int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;  // cannot be listed: contributes nothing
    Level child;
    if (OpenLevel(fd, top.relative + entryName + "/", child)) stack.push_back(std::move(child));
  }
  return 1;
}
