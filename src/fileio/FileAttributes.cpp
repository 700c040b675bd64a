#include "fileio/FileAttributes.h"

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cerrno>

#include "fileio/UniqueFd.h"

namespace {

// O_NONBLOCK: examining a FIFO or a device must never wait.
constexpr int kExamineFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool NoWriteBit(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

void SetError(int* error, int value) {
  if (error) *error = value;
}

}  // namespace

bool ReadFatAttributes(int fd, uint32_t& attributes) {
  __u32 value = 0;
  if (::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &value) != 0) return false;
  attributes = value;
  return true;
}

bool WriteFatAttributes(int fd, uint32_t attributes) {
  __u32 value = attributes;
  return ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &value) == 0;
}

Protection ProtectionOfFatAttributes(uint32_t attributes) {
  return (attributes & kFatAttrReadOnly) ? Protection::Protected : Protection::Writable;
}

Protection ProtectionOfMode(uint32_t mode) {
  return NoWriteBit(static_cast<mode_t>(mode)) ? Protection::Protected : Protection::Writable;
}

Protection QueryProtection(const std::string& path, int* error) {
  SetError(error, 0);
  UniqueFd fd(::open(path.c_str(), kExamineFlags));
  struct stat st {};
  if (fd.Valid()) {
    uint32_t attributes = 0;
    if (ReadFatAttributes(fd.Get(), attributes)) return ProtectionOfFatAttributes(attributes);
    if (::fstat(fd.Get(), &st) == 0) return ProtectionOfMode(st.st_mode);
  } else if (::stat(path.c_str(), &st) == 0) {
    // Not readable by us (but it exists): the mode bits still tell.
    return ProtectionOfMode(st.st_mode);
  }
  SetError(error, errno);
  return Protection::Unknown;
}

bool RemoveWriteProtection(const std::string& path, int& error) {
  error = 0;
  UniqueFd fd(::open(path.c_str(), kExamineFlags));
  struct stat st {};
  if (fd.Valid()) {
    uint32_t attributes = 0;
    if (ReadFatAttributes(fd.Get(), attributes)) {
      const uint32_t cleared = attributes & ~(kFatAttrReadOnly | kFatAttrArchive);
      if (cleared == attributes || WriteFatAttributes(fd.Get(), cleared)) return true;
      error = errno;
      return false;
    }
    if (::fstat(fd.Get(), &st) == 0) {
      if (st.st_mode & S_IWUSR) return true;
      if (::fchmod(fd.Get(), (st.st_mode & 07777) | S_IWUSR) == 0) return true;
    }
    error = errno;
    return false;
  }
  if (::stat(path.c_str(), &st) == 0) {
    if (st.st_mode & S_IWUSR) return true;
    if (::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0) return true;
  }
  error = errno;
  return false;
}
