#pragma once
// Folder creation and the plain existence tests used by the library, the
// file operations and the settings object.
#include <string>

// Creates every missing folder along `path` ("a/b/c" creates a, a/b and a/b/c).
// True only when the deepest folder was newly created by this call; an
// existing folder and a failed creation both give false.
bool MakeFolderPath(const std::string& path);

// The path names something (a file, a folder, any other entry; symbolic links
// are followed, so a dangling link does not exist).
bool PathExists(const std::string& path);
// The path names a folder (after following symbolic links).
bool FolderExists(const std::string& path);

// `a` and `b` joined with exactly one '/' between them (nothing is added when
// either is empty).
std::string JoinPath(const std::string& a, const std::string& b);
