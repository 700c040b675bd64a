#include "settings/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "fileio/AtomicReplace.h"
#include "fileio/UniqueFd.h"

namespace {

struct Line {
  std::string text;  // without its line end
  std::string end;   // "\n", "\r\n" or "" for a last line without one
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

enum class FileRead { Whole, Missing, Failed };

// Reads the settings file whole. Missing: nothing is under its name (or a
// link under it leads nowhere). Failed: something is there but could not be
// read to its end (no permission, an I/O error part-way, a folder, a pipe or
// a device under its name, which would block the start-up or never end).
FileRead ReadSettingsFile(const std::string& path, std::string& content) {
  content.clear();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
  if (!S_ISREG(st.st_mode)) return FileRead::Failed;
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (!file.Valid()) return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(file.Get(), buffer, sizeof buffer);
    if (n == 0) return FileRead::Whole;
    if (n < 0) {
      if (errno == EINTR) continue;
      content.clear();
      return FileRead::Failed;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  return ReadSettingsFile(path, content) == FileRead::Whole;
}

std::vector<Line> SplitLines(const std::string& content) {
  std::vector<Line> lines;
  std::size_t start = 0;
  // A byte-order mark is not part of the first section name or key.
  const bool bom = content.compare(0, 3, "\xEF\xBB\xBF") == 0;
  while (start < content.size()) {
    const std::size_t nl = content.find('\n', start);
    Line line;
    if (nl == std::string::npos) {
      line.text = content.substr(start);
      start = content.size();
    } else {
      std::size_t textEnd = nl;
      if (textEnd > start && content[textEnd - 1] == '\r') --textEnd;
      line.text = content.substr(start, textEnd - start);
      line.end = content.substr(textEnd, nl + 1 - textEnd);
      start = nl + 1;
    }
    lines.push_back(std::move(line));
  }
  if (bom && !lines.empty()) lines[0].text.erase(0, 3);
  return lines;
}

// The section named by a "[name]" line, or false.
bool SectionName(const std::string& text, std::string& name) {
  const std::string t = Trim(text);
  if (t.empty() || t[0] != '[') return false;
  const std::size_t close = t.find(']');
  name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// The key of a "key=value" line and its value, or false.
bool KeyValue(const std::string& text, std::string& key, std::string& value) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(text.substr(0, eq));
  value = Trim(text.substr(eq + 1));
  return true;
}

// Index of the first "[section]" line, or -1.
long FindSection(const std::vector<Line>& lines, const std::string& section) {
  std::string name;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (SectionName(lines[i].text, name) && SameName(name, section)) return static_cast<long>(i);
  return -1;
}

// Looks the key up; `value` gets the raw (trimmed) value text.
bool FindValue(const std::string& path, const std::string& section, const std::string& key, std::string& value) {
  std::string content;
  if (!ReadWholeFile(path, content)) return false;
  const std::vector<Line> lines = SplitLines(content);
  const long header = FindSection(lines, section);
  if (header < 0) return false;
  std::string name;
  for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines.size(); ++i) {
    if (SectionName(lines[i].text, name)) break;
    std::string k;
    std::string v;
    if (KeyValue(lines[i].text, k, v) && SameName(k, key)) {
      value = v;
      return true;
    }
  }
  return false;
}

bool WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool ReplaceFile(const std::string& path, const std::string& content) {
  struct stat st {};
  const bool exists = ::lstat(path.c_str(), &st) == 0;
  // A link is written through, in place; so is a file in a folder we cannot
  // create files in.
  if (!(exists && S_ISLNK(st.st_mode))) {
    AtomicReplace replace;
    int error = 0;
    if (replace.Begin(path, error)) {
      mode_t mode = 0;
      if (exists) {
        mode = st.st_mode & 07777;
      } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
      }
      if (WriteAll(replace.Fd(), content) && ::fchmod(replace.Fd(), mode) == 0) return replace.Commit(error);
    }
  }
  UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!file.Valid()) return false;
  const bool ok = WriteAll(file.Get(), content);
  return (file.Close() == 0) && ok;
}

}  // namespace

int32_t ProfileStringToInt(const std::string& text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool minus = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    minus = text[i] == '-';
    ++i;
  }
  unsigned base = 10;
  if (i + 1 < n && text[i] == '0') {
    if (text[i + 1] == 'x')
      base = 16;
    else if (text[i + 1] == 'o')
      base = 8;
    else if (text[i + 1] == 'b')
      base = 2;
    if (base != 10) i += 2;
  }
  uint32_t total = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    unsigned digit = 99;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'z')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'Z')
      digit = static_cast<unsigned>(c - 'A' + 10);
    if (digit >= base) break;
    total = total * base + digit;
  }
  if (minus) total = 0u - total;
  return static_cast<int32_t>(total);
}

std::string IniReadString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t maxChars) {
  std::string value;
  if (FindValue(path, section, key, value)) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
  } else {
    value = defaultValue;
    while (!value.empty() && value.back() == ' ') value.pop_back();
  }
  if (value.size() > maxChars) value.resize(maxChars);
  return value;
}

int32_t IniReadInt(const std::string& path, const std::string& section, const std::string& key, int32_t defaultValue) {
  // Read through a buffer of 30 characters, as the platform does.
  const std::string value = IniReadString(path, section, key, std::string(), 29);
  if (value.empty()) return defaultValue;
  return ProfileStringToInt(value);
}

bool IniWriteString(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& value) {
  auto hasBreak = [](const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; };
  if (hasBreak(section) || hasBreak(key) || hasBreak(value)) return false;
  if (section.find(']') != std::string::npos || key.find('=') != std::string::npos) return false;
  if (Trim(key).empty()) return false;

  // A missing file is simply empty; one that is there but cannot be read
  // whole is never replaced, or every other setting in it would be lost.
  std::string content;
  if (ReadSettingsFile(path, content) == FileRead::Failed) return false;
  const bool bom = content.compare(0, 3, "\xEF\xBB\xBF") == 0;
  std::vector<Line> lines = SplitLines(content);

  std::string eol = "\n";
  for (const Line& line : lines)
    if (!line.end.empty()) {
      eol = line.end;
      break;
    }
  const std::string newLine = Trim(key) + "=" + value;

  const long header = FindSection(lines, section);
  if (header < 0) {
    if (!lines.empty() && lines.back().end.empty()) lines.back().end = eol;
    lines.push_back({"[" + section + "]", eol});
    lines.push_back({newLine, eol});
  } else {
    std::size_t lastEntry = static_cast<std::size_t>(header);
    bool replaced = false;
    std::string name;
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines.size(); ++i) {
      if (SectionName(lines[i].text, name)) break;
      std::string k;
      std::string v;
      if (KeyValue(lines[i].text, k, v) && SameName(k, key)) {
        lines[i].text = k + "=" + value;  // the key keeps its spelling in the file
        replaced = true;
        break;
      }
      if (!Trim(lines[i].text).empty()) lastEntry = i;
    }
    if (!replaced) {
      if (lines[lastEntry].end.empty()) lines[lastEntry].end = eol;
      lines.insert(lines.begin() + static_cast<long>(lastEntry) + 1, Line{newLine, eol});
    }
  }

  std::string out = bom ? "\xEF\xBB\xBF" : "";
  for (const Line& line : lines) out += line.text + line.end;
  return ReplaceFile(path, out);
}
