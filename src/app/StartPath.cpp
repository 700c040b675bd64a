#include "app/StartPath.h"

#include <cstddef>

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A '%' that starts no escape stays as it is, as browsers and file managers
// read it.
bool PercentDecode(std::string_view text, std::string& bytes) {
  bytes.clear();
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low < 0) {
      bytes.push_back(text[i]);
      continue;
    }
    const int value = high * 16 + low;
    if (value == 0) return false;  // no path holds a NUL byte
    bytes.push_back(static_cast<char>(value));
    i += 2;
  }
  return true;
}

}  // namespace

bool LocalPathOfArgument(std::string_view argument, std::string& path) {
  path.clear();
  if (!StartsWithNoCase(argument, "file:")) {
    if (argument.find("://") != std::string_view::npos) return false;
    path.assign(argument);
    return true;
  }
  std::string_view rest = argument.substr(5);
  // Query and fragment are no part of a file's name (a '#' in one is %23).
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    const std::string_view host = rest.substr(0, slash);
    const bool thisMachine = host.empty() || (host.size() == 9 && StartsWithNoCase(host, "localhost"));
    if (!thisMachine || slash == std::string_view::npos) return false;
    rest.remove_prefix(slash);
  }
  if (rest.empty() || rest.front() != '/') return false;
  if (!PercentDecode(rest, path)) {
    path.clear();
    return false;
  }
  return true;
}
