// libFuzzer target: the settings file. The input is the whole INI file; the
// settings object reads every key the program reads, then writes keys the way
// the program does and reads them back.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/CSettings.h"
#include "FuzzSupport.h"
#include "settings/IniFile.h"
#include "settings/Languages.h"

namespace {

// The settings object lives in a private folder on a memory file system, so
// that the writes' sync costs nothing. The object takes the current directory
// when it is made; the fuzzer's own directory is restored right after.
CSettings& Settings() {
  static CSettings* settings = [] {
    std::string folder = "/dev/shm/trk-fuzz-settings-XXXXXX";
    if (!::mkdtemp(folder.data())) {
      folder = "/tmp/trk-fuzz-settings-XXXXXX";
      Require(::mkdtemp(folder.data()) != nullptr, "mkdtemp failed");
    }
    const int here = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Require(here >= 0 && ::chdir(folder.c_str()) == 0, "cannot enter the settings folder");
    // A file in the folder keeps the settings there, away from the user's own.
    const int fd = ::open(CSettings::kFileName, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    Require(fd >= 0, "cannot create the settings file");
    ::close(fd);
    CSettings* made = &CSettings::Instance();
    Require(::fchdir(here) == 0, "cannot return to the fuzzer's folder");
    ::close(here);
    return made;
  }();
  return *settings;
}

void WriteFile(const std::string& path, const uint8_t* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Require(fd >= 0, "cannot write the settings file");
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    Require(n > 0, "write failed");
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

void CheckRect(const CSettings& s, int32_t screenW, int32_t screenH) {
  WindowRect r;
  Require(s.ReadWindowRect(r, screenW, screenH), "ReadWindowRect returned false");
  const int64_t w = int64_t{r.right} - r.left;
  const int64_t h = int64_t{r.bottom} - r.top;
  // On a screen at least as large as the smallest window, the window is at
  // least that large and lies wholly on the screen.
  if (screenW >= 800)
    Require(w >= 800 && w <= screenW && r.left >= 0 && r.right <= screenW, "window not on screen (x)");
  if (screenH >= 560)
    Require(h >= 560 && h <= screenH && r.top >= 0 && r.bottom <= screenH, "window not on screen (y)");
}

bool PlainValue(const std::string& v) {
  if (v.empty()) return false;
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
  if (blank(v.front()) || blank(v.back())) return false;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) return false;
  return v.find('\n') == std::string::npos && v.find('\r') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  CSettings& s = Settings();
  const std::string& ini = s.IniPath();
  WriteFile(ini, data, size);

  // Every read the program makes.
  s.ReadLanguage();
  Require(s.LanguageIndex() >= 0 && s.LanguageIndex() < LanguageCount(), "language index outside the table");
  Require(s.LangId() == LanguageAt(s.LanguageIndex()).LangId(), "language id does not match the index");
  const int32_t map = s.ReadMapProvider();
  Require(map == 0 || map == 1, "map provider outside 0..1");
  s.ReadInt("UI", "MAP_ENABLE", 1);
  s.ReadInt("UI", "GSNR_ENABLE", 1);
  Require(s.ReadString("UI", "LANGID", "ENG", 63).size() <= 63, "LANGID longer than its buffer");
  Require(s.ReadString("UI", "Folder", "", 1023).size() <= 1023, "Folder longer than its buffer");
  s.ReadLastFolder();
  CheckRect(s, 1920, 1080);
  CheckRect(s, 800, 560);
  CheckRect(s, 640, 480);
  ProfileStringToInt(std::string(reinterpret_cast<const char*>(data), size));

  // A write touches its own key only, and reads back.
  const std::string folderBefore = s.ReadString("UI", "Folder", "", 1023);
  const int32_t value = static_cast<int32_t>(size * 2654435761u);
  const bool leftWritten = s.WriteInt("WINPOS", "LEFT", value);
  if (leftWritten) {
    Require(s.ReadInt("WINPOS", "LEFT", 0) == value, "written integer does not read back");
    Require(s.ReadString("UI", "Folder", "", 1023) == folderBefore, "writing WINPOS changed UI/Folder");
  }
  const std::string folder(reinterpret_cast<const char*>(data), size < 48 ? size : 48);
  if (s.WriteString("UI", "Folder", folder)) {
    Require(folder.find_first_of("\r\n") == std::string::npos, "a line break was written");
    if (PlainValue(folder))
      Require(s.ReadString("UI", "Folder", "", 1023) == folder, "written text does not read back");
    if (leftWritten) Require(s.ReadInt("WINPOS", "LEFT", 0) == value, "writing UI changed WINPOS");
  }
  return 0;
}
