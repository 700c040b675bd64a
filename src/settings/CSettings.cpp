#include "settings/CSettings.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

#include "fileio/FolderPath.h"
#include "settings/IniFile.h"
#include "settings/Languages.h"
#include "settings/LocaleDefaults.h"

namespace {

std::unique_ptr<CSettings>& Slot() {
  static std::unique_ptr<CSettings> settings;
  return settings;
}

std::string CurrentDirectory() {
  std::vector<char> buffer(1024);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size())) return buffer.data();
    if (errno != ERANGE || buffer.size() > (1u << 20)) return ".";
    buffer.resize(buffer.size() * 2);
  }
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  struct passwd entry {};
  struct passwd* result = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result && result->pw_dir &&
      *result->pw_dir)
    return result->pw_dir;
  return std::string();
}

// The value of XDG_DOCUMENTS_DIR in a user-dirs.dirs file: a quoted text that
// is either "$HOME/relative" or an absolute path, with backslash escapes.
bool ReadXdgDocuments(const std::string& file, const std::string& home, std::string& path) {
  std::ifstream in(file);
  std::string line;
  bool found = false;
  while (std::getline(in, line)) {
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] == '#') continue;
    static const std::string kKey = "XDG_DOCUMENTS_DIR=";
    if (line.compare(i, kKey.size(), kKey) != 0) continue;
    i += kKey.size();
    if (i >= line.size() || line[i] != '"') continue;
    std::string value;
    bool closed = false;
    for (++i; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        value.push_back(line[++i]);
      } else if (line[i] == '"') {
        closed = true;
        break;
      } else {
        value.push_back(line[i]);
      }
    }
    if (!closed) continue;
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
      if (home.empty()) continue;
      value = home + value.substr(5);
    }
    if (value.empty() || value[0] != '/') continue;
    path = value;
    found = true;  // the last assignment wins, as when the shell reads the file
  }
  return found;
}

// $XDG_CONFIG_HOME when it is an absolute path (a relative one is ignored, as
// the XDG rules say), else ~/.config; empty without a home folder.
std::string UserConfigHome() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome && configHome[0] == '/') return configHome;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/.config";
}

// Creates every missing folder of `path` with mode 0700: the settings folder
// and a missing ~/.config are the user's own.
bool MakePrivateFolderPath(const std::string& path) {
  if (path.empty()) return false;
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return FolderExists(path);
}

}  // namespace

std::string SettingsFilePath(const std::string& currentDirectory) {
  const std::string local = JoinPath(currentDirectory, CSettings::kFileName);
  if (PathExists(local)) return local;
  const std::string config = UserConfigHome();
  if (config.empty()) return local;
  return JoinPath(JoinPath(config, CSettings::kAppFolder), CSettings::kFileName);
}

bool UserDocumentsFolder(std::string& path) {
  const std::string home = HomeFolder();
  const std::string config = UserConfigHome();
  if (!config.empty() && ReadXdgDocuments(config + "/user-dirs.dirs", home, path)) return true;
  if (home.empty()) return false;
  path = JoinPath(home, "Documents");
  return true;
}

CSettings& CSettings::Instance() {
  std::unique_ptr<CSettings>& settings = Slot();
  if (!settings) settings = std::make_unique<CSettings>(PassKey{});
  return *settings;
}

void CSettings::ResetForTesting() { Slot().reset(); }

CSettings::CSettings(PassKey) {
  m_languageIndex = FindLanguage(kDefaultLanguageCode);
  m_langId = LanguageAt(m_languageIndex).LangId();
  m_iniPath = SettingsFilePath(CurrentDirectory());
  ReadLanguage();
}

int32_t CSettings::ReadInt(const std::string& section, const std::string& key, int32_t defaultValue) const {
  return IniReadInt(m_iniPath, section, key, defaultValue);
}

std::string CSettings::ReadString(const std::string& section, const std::string& key, const std::string& defaultValue,
                                  std::size_t maxChars) const {
  return IniReadString(m_iniPath, section, key, defaultValue, maxChars);
}

bool CSettings::WriteInt(const std::string& section, const std::string& key, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  if (section == "UI" && key == "MAP") m_mapProvider = value;
  return WriteString(section, key, text);
}

bool CSettings::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  const bool written = PrepareFolder() && IniWriteString(m_iniPath, section, key, value);
  if (!written) m_writeFailed = true;
  return written;
}

bool CSettings::TakeUnreportedWriteFailure() {
  if (!m_writeFailed || m_writeFailureReported) return false;
  m_writeFailureReported = true;
  return true;
}

bool CSettings::PrepareFolder() const {
  const std::size_t slash = m_iniPath.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  const std::string folder = m_iniPath.substr(0, slash);
  return FolderExists(folder) || MakePrivateFolderPath(folder);
}

int32_t CSettings::ReadMapProvider() {
  const int32_t value = ReadInt("UI", "MAP", 0);
  m_mapProvider = std::clamp(value, 0, 1);
  return m_mapProvider;
}

bool CSettings::ReadWindowRect(WindowRect& rect, int32_t screenWidth, int32_t screenHeight) const {
  // Stored values may be anything: compute in 64 bits.
  int64_t left = ReadInt("WINPOS", "LEFT", 0);
  int64_t top = ReadInt("WINPOS", "TOP", 0);
  const int64_t right = ReadInt("WINPOS", "RIGHT", 800);
  const int64_t bottom = ReadInt("WINPOS", "BOTTOM", 560);

  int64_t width = std::max<int64_t>(right - left, 800);
  int64_t height = std::max<int64_t>(bottom - top, 560);
  width = std::min<int64_t>(width, screenWidth);
  height = std::min<int64_t>(height, screenHeight);

  if (left > screenWidth - width)
    left = screenWidth - width;
  else if (left < 0)
    left = 0;
  if (top > screenHeight - height)
    top = screenHeight - height;
  else if (top < 0)
    top = 0;

  rect.left = static_cast<int32_t>(left);
  rect.top = static_cast<int32_t>(top);
  rect.right = static_cast<int32_t>(left + width);
  rect.bottom = static_cast<int32_t>(top + height);
  return true;
}

std::string CSettings::ReadLastFolder() const {
  // At most 1023 characters, each of up to four bytes; a hand-made longer
  // value is cut on a character boundary, never inside one.
  std::string folder = ReadString("UI", "Folder", "", 4 * kLastFolderMaxChars);
  folder.resize(BytesOfCharacters(folder, kLastFolderMaxChars));
  return PathExists(folder) ? folder : std::string();
}

bool CSettings::WriteLastFolder(const std::string& folder) {
  // A path that does not fit would be read back as some other, missing
  // folder: the one stored before is kept instead.
  if (BytesOfCharacters(folder, kLastFolderMaxChars) != folder.size()) return false;
  return WriteString("UI", "Folder", folder);
}

std::size_t BytesOfCharacters(const std::string& text, std::size_t maxChars) {
  std::size_t i = 0;
  for (std::size_t chars = 0; i < text.size() && chars < maxChars; ++chars) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80             ? 1
                         : (lead & 0xE0) == 0xC0 ? 2
                         : (lead & 0xF0) == 0xE0 ? 3
                         : (lead & 0xF8) == 0xF0 ? 4
                                                 : 1;
    if (i + length > text.size()) length = 1;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) length = 1;
    i += length;
  }
  return i;
}

bool CSettings::GetGpsLogFolder(std::string& path) const {
  std::string documents;
  if (!UserDocumentsFolder(documents)) return false;
  if (documents.back() != '/') documents.push_back('/');
  path = documents + "GPSLOG/";
  if (FolderExists(path)) return true;
  return MakeFolderPath(path);
}

void CSettings::ReadLanguage() {
  int32_t index = FindLanguage(ReadString("UI", "LANGID", "", 63));
  if (index < 0) index = FindLanguage(LocaleLanguageCode());
  if (index >= 0) m_languageIndex = index;
  m_langId = LanguageAt(m_languageIndex).LangId();
}

bool CSettings::SetLanguage(int32_t index) {
  if (index < 0 || index >= LanguageCount()) return false;
  m_languageIndex = index;
  m_langId = LanguageAt(index).LangId();
  return WriteString("UI", "LANGID", LanguageCodeOf(index));
}

SpeedUnit CSettings::ReadSpeedUnit() const {
  SpeedUnit unit = SpeedUnit::Kph;
  if (ParseSpeedUnit(ReadString("UI", "SPEED_UNIT", "", 63), unit)) return unit;
  return LocaleSpeedUnit();
}

bool CSettings::WriteSpeedUnit(SpeedUnit unit) { return WriteString("UI", "SPEED_UNIT", SpeedUnitCode(unit)); }
