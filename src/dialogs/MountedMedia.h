#pragma once
// The removable media the user has mounted: the block-device mounts listed in
// the mounts table whose mount point lies directly below /media/$USER,
// /run/media/$USER, /media or /mnt. Plain C++ and POSIX.
#include <string>
#include <vector>

struct MountedMedium {
  std::string mountPoint;
  std::string label;  // the volume label, else the mount point's own name
};

// Reads `mountsFile` (the format of /proc/self/mounts) afresh; `user` names
// the per-user mount folders. Mounts in table order, one per mount point (a
// mount over another replaces it).
std::vector<MountedMedium> ListMountedMedia(const std::string& mountsFile, const std::string& user);
// The same for /proc/self/mounts and the user running the program.
std::vector<MountedMedium> ListMountedMedia();

// The volume label of a block device: the udev link in /dev/disk/by-label
// that leads to it, else the file system's own label where the device can be
// read; empty when neither is known.
std::string VolumeLabelOf(const std::string& device);
