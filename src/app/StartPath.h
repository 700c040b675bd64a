#pragma once
// What the command line or a file manager hands the viewer, as the bytes of
// a local path: file names on Linux are bytes, and a folder named in another
// encoding (or in none) must open as well as any other.
#include <string>
#include <string_view>

// `argument` is a path (taken as it is) or a file:// URI of this machine
// ("file:///p", "file://localhost/p", "file:/p"), whose %XX escapes become
// the bytes they stand for. False, with `path` empty, for another scheme,
// another host, a URI without a path, or an escape of a NUL byte.
bool LocalPathOfArgument(std::string_view argument, std::string& path);
