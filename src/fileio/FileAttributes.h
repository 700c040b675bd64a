#pragma once
// The DOS attributes of a recording as far as Linux has them.
//
// On FAT file systems the kernel answers FAT_IOCTL_GET_ATTRIBUTES and we use
// the real read-only, hidden, system and archive bits. Everywhere else a file is
// write-protected when it has no write permission bit at all. Protection is
// never decided with access(W_OK): root may write to anything.
#include <cstdint>
#include <string>

constexpr uint32_t kFatAttrReadOnly = 0x01;
constexpr uint32_t kFatAttrHidden = 0x02;
constexpr uint32_t kFatAttrSystem = 0x04;
constexpr uint32_t kFatAttrArchive = 0x20;

// FAT attributes of an open file or folder; false when the file system does
// not answer (it is not FAT).
bool ReadFatAttributes(int fd, uint32_t& attributes);
bool WriteFatAttributes(int fd, uint32_t attributes);

enum class Protection {
  Writable,
  Protected,
  Unknown,  // the file could not be examined (missing, no access); see `error`
};

// Whether `path` is write-protected (FAT read-only attribute, or no write bit).
Protection QueryProtection(const std::string& path, int* error = nullptr);

// The same decision from what is already known: FAT attributes when the file
// system has them, else the permission bits of a stat.
Protection ProtectionOfFatAttributes(uint32_t attributes);
Protection ProtectionOfMode(uint32_t mode);

// Lifts the protection: clears the FAT read-only and archive attributes where
// the file system answers, else adds the owner's write permission. False (with
// errno in `error`) when the change was refused, e.g. on a read-only medium.
bool RemoveWriteProtection(const std::string& path, int& error);
