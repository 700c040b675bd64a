#include "dialogs/MountedMedia.h"

#include <blkid/blkid.h>
#include <dirent.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace {

// Deleters of their own: a pointer to a function declared nonnull would lose
// that attribute as a template argument.
struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};
struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
struct ProbeFreer {
  void operator()(blkid_probe probe) const { ::blkid_free_probe(probe); }
};

// A field of the mounts table: blanks, tabs, newlines and backslashes are
// written as three octal digits after a backslash.
std::string UnescapeMountField(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string digits = field.substr(i + 1, 3);
      if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        out.push_back(static_cast<char>(std::stoi(digits, nullptr, 8)));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

// A name in /dev/disk/by-label: udev writes unsafe bytes as "\xHH".
std::string UnescapeUdevName(const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
        std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
      out.push_back(static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16)));
      i += 3;
      continue;
    }
    out.push_back(name[i]);
  }
  return out;
}

std::string RealPath(const std::string& path) {
  const std::unique_ptr<char, FreeDeleter> resolved(::realpath(path.c_str(), nullptr));
  return resolved ? std::string(resolved.get()) : std::string();
}

std::string LabelFromUdevLinks(const std::string& device) {
  const std::string target = RealPath(device);
  if (target.empty()) return std::string();
  static const std::string kFolder = "/dev/disk/by-label";
  const std::unique_ptr<DIR, DirCloser> dir(::opendir(kFolder.c_str()));
  if (!dir) return std::string();
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (RealPath(kFolder + "/" + name) == target) return UnescapeUdevName(name);
  }
  return std::string();
}

std::string LabelFromSuperblock(const std::string& device) {
  const std::unique_ptr<blkid_struct_probe, ProbeFreer> probe(::blkid_new_probe_from_filename(device.c_str()));
  if (!probe) return std::string();  // not readable by this user: the usual case on a desktop
  ::blkid_probe_enable_superblocks(probe.get(), 1);
  ::blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL);
  if (::blkid_do_safeprobe(probe.get()) != 0) return std::string();
  const char* value = nullptr;
  std::size_t length = 0;
  if (::blkid_probe_lookup_value(probe.get(), "LABEL", &value, &length) != 0 || value == nullptr) return std::string();
  return std::string(value, ::strnlen(value, length));
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return slash == 0 ? "/" : std::string();
  return path.substr(0, slash);
}

std::string CurrentUserName() {
  const char* user = std::getenv("USER");
  if (user != nullptr && *user != '\0') return user;
  struct passwd entry {};
  struct passwd* result = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result && result->pw_name)
    return result->pw_name;
  return std::string();
}

}  // namespace

std::string VolumeLabelOf(const std::string& device) {
  std::string label = LabelFromUdevLinks(device);
  if (label.empty()) label = LabelFromSuperblock(device);
  return label;
}

std::vector<MountedMedium> ListMountedMedia(const std::string& mountsFile, const std::string& user) {
  std::vector<std::string> roots = {"/media", "/mnt"};
  if (!user.empty() && user.find('/') == std::string::npos) {
    roots.push_back("/media/" + user);
    roots.push_back("/run/media/" + user);
  }
  std::vector<MountedMedium> media;
  std::ifstream in(mountsFile);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string source;
    std::string mountPoint;
    if (!(fields >> source >> mountPoint)) continue;
    source = UnescapeMountField(source);
    mountPoint = UnescapeMountField(mountPoint);
    // Cards are block devices; tmpfs, fuse and bind mounts of folders are not media.
    if (source.compare(0, 5, "/dev/") != 0) continue;
    if (std::find(roots.begin(), roots.end(), ParentOf(mountPoint)) == roots.end()) continue;
    media.erase(std::remove_if(media.begin(), media.end(),
                               [&mountPoint](const MountedMedium& m) { return m.mountPoint == mountPoint; }),
                media.end());
    std::string label = VolumeLabelOf(source);
    if (label.empty()) label = mountPoint.substr(mountPoint.find_last_of('/') + 1);
    media.push_back({mountPoint, label});
  }
  return media;
}

std::vector<MountedMedium> ListMountedMedia() { return ListMountedMedia("/proc/self/mounts", CurrentUserName()); }
