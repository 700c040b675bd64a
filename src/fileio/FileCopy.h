#pragma once
// Copy of one file that never leaves a half-written file under the
// destination's name and never destroys an existing destination before its
// replacement is complete.
#include <string>

// Writes `source` to a temporary file in the destination's folder, checks the
// size, carries over the permission bits and times, syncs it and renames it
// over `destination`. False with errno in `error` on any failure; the
// destination is then untouched and no temporary file is left.
bool SafeCopyFile(const std::string& source, const std::string& destination, int& error);

// Both paths name the same file (same device and inode).
bool IsSameFile(const std::string& a, const std::string& b);
