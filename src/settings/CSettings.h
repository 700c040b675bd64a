#pragma once
// The one settings object: the INI file's path, the interface language and the
// map provider. Every other key is read from the file at the moment it is needed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/SpeedUnit.h"

struct WindowRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

class CSettings {
  struct PassKey {
    explicit PassKey() = default;
  };

 public:
  // The settings file's name. A file of this name in the current directory
  // is used (a portable set-up); otherwise the file lives in kAppFolder below
  // the user's configuration folder (SettingsFilePath).
  static constexpr const char* kFileName = "KTR-XM_DireV.ini";
  static constexpr const char* kAppFolder = "trk-viewer";

  static CSettings& Instance();
  // Forgets the one object so the next Instance() finds the file's place
  // again (tests only).
  static void ResetForTesting();

  explicit CSettings(PassKey);  // only Instance() can make one
  CSettings(const CSettings&) = delete;
  CSettings& operator=(const CSettings&) = delete;

  const std::string& IniPath() const { return m_iniPath; }
  int32_t LanguageIndex() const { return m_languageIndex; }
  uint16_t LangId() const { return m_langId; }
  int32_t MapProvider() const { return m_mapProvider; }

  // Private-profile access on the settings file (IniFile.h tells the rules).
  // ReadString cuts the value to maxChars bytes.
  int32_t ReadInt(const std::string& section, const std::string& key, int32_t defaultValue) const;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultValue,
                         std::size_t maxChars) const;
  // False when the value could not be stored (the folder cannot be made,
  // the file not written); the object then remembers that a write failed.
  bool WriteInt(const std::string& section, const std::string& key, int32_t value);
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  // True once a run: at the first call after a write has failed, so that a
  // window says once that the user's choices are not kept; false before
  // any failure and ever after.
  bool TakeUnreportedWriteFailure();

  // "UI"/"MAP" clamped to 0..1, stored in the object.
  int32_t ReadMapProvider();
  void SetMapProvider(int32_t provider) { m_mapProvider = provider; }
  // The four "WINPOS" keys fitted to a screen of the given size.
  bool ReadWindowRect(WindowRect& rect, int32_t screenWidth, int32_t screenHeight) const;
  // "UI"/"Folder" holds at most this many characters.
  static constexpr std::size_t kLastFolderMaxChars = 1023;
  // "UI"/"Folder", or empty when that path no longer exists.
  std::string ReadLastFolder() const;
  // Stores "UI"/"Folder"; false, keeping the folder stored before, when the
  // path has more than kLastFolderMaxChars characters or the write fails.
  bool WriteLastFolder(const std::string& folder);
  // <documents>/GPSLOG/, created when missing.
  bool GetGpsLogFolder(std::string& path) const;

  // "UI"/"LANGID" when it names a row of the language table, else the
  // language the desktop's locale suggests (nothing is written for that).
  void ReadLanguage();
  bool SetLanguage(int32_t index);

  // "UI"/"SPEED_UNIT" ("KPH" or "MPH"); a missing or unknown value follows
  // the locale's territory.
  SpeedUnit ReadSpeedUnit() const;
  bool WriteSpeedUnit(SpeedUnit unit);

 private:
  // The file's folder, created (mode 0700) when missing, before a write.
  bool PrepareFolder() const;

  std::string m_iniPath;
  int32_t m_languageIndex = 0;
  uint16_t m_langId = 0;
  int32_t m_mapProvider = 0;
  bool m_writeFailed = false;
  bool m_writeFailureReported = false;
};

// The number of leading bytes of `text` that hold at most `maxChars` UTF-8
// characters, ending on a character boundary; a byte that starts no valid
// sequence counts as one character.
std::size_t BytesOfCharacters(const std::string& text, std::size_t maxChars);

// Where the settings file is for a process started in `currentDirectory`:
// <currentDirectory>/KTR-XM_DireV.ini when that exists, else
// $XDG_CONFIG_HOME/trk-viewer/KTR-XM_DireV.ini ($XDG_CONFIG_HOME when it is
// absolute, else ~/.config); the current directory's path when there is no
// home folder either.
std::string SettingsFilePath(const std::string& currentDirectory);

// The user's documents folder: XDG_DOCUMENTS_DIR from user-dirs.dirs in
// $XDG_CONFIG_HOME (else ~/.config), "$HOME" expanded, else $HOME/Documents.
// False when there is no home folder to start from.
bool UserDocumentsFolder(std::string& path);
