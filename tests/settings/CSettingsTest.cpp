#include "settings/CSettings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "settings/Languages.h"
#include "TempFolder.h"

namespace {

// Each test gets its own current directory, home folder and settings object.
// The current directory holds a settings file (a portable set-up), so the
// object uses it; the location tests remove it.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Remember("HOME");
    Remember("XDG_CONFIG_HOME");
    ::setenv("HOME", m_home.Path().c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    WriteText(Ini(), "");
    CSettings::ResetForTesting();
  }
  void TearDown() override {
    CSettings::ResetForTesting();
    for (const auto& [name, value] : m_saved) {
      if (value.first)
        ::setenv(name.c_str(), value.second.c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  void Remember(const char* name) {
    const char* value = std::getenv(name);
    m_saved.push_back({name, {value != nullptr, value ? value : ""}});
  }
  std::string Ini() const { return m_cwd / "KTR-XM_DireV.ini"; }
  WindowRect Rect(int32_t w = 1920, int32_t h = 1080) {
    WindowRect r;
    EXPECT_TRUE(CSettings::Instance().ReadWindowRect(r, w, h));
    return r;
  }

  TempFolder m_cwd{true};
  TempFolder m_home;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> m_saved;
};

void ExpectRect(const WindowRect& r, int32_t l, int32_t t, int32_t rr, int32_t b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, rr);
  EXPECT_EQ(r.bottom, b);
}

}  // namespace

TEST_F(SettingsTest, WithoutAFileEveryKeyReadsItsDefault) {
  std::filesystem::remove(Ini());
  CSettings& s = CSettings::Instance();
  const std::string configIni = m_home / ".config/trk-viewer/KTR-XM_DireV.ini";
  EXPECT_EQ(s.IniPath(), configIni);
  ExpectRect(Rect(), 0, 0, 800, 560);
  EXPECT_EQ(s.ReadMapProvider(), 0);
  EXPECT_EQ(s.ReadInt("UI", "MAP_ENABLE", 1), 1);
  EXPECT_EQ(s.ReadInt("UI", "GSNR_ENABLE", 1), 1);
  EXPECT_EQ(s.ReadLastFolder(), "");
  EXPECT_EQ(s.LanguageIndex(), 0);
  EXPECT_EQ(s.LangId(), 0x0411);
  // Reading never creates the file nor its folder.
  EXPECT_FALSE(std::filesystem::exists(Ini()));
  EXPECT_FALSE(std::filesystem::exists(m_home / ".config"));
}

TEST_F(SettingsTest, TheFileIsTheCurrentDirectorysAtCreation) {
  CSettings& s = CSettings::Instance();
  const std::string path = s.IniPath();
  EXPECT_EQ(path, Ini());
  TempFolder elsewhere(true);  // a later change of directory does not move it
  WriteText(elsewhere / "KTR-XM_DireV.ini", "");
  EXPECT_EQ(CSettings::Instance().IniPath(), path);
  CSettings::ResetForTesting();
  EXPECT_EQ(CSettings::Instance().IniPath(), elsewhere / "KTR-XM_DireV.ini");
}

TEST_F(SettingsTest, WindowRectangleIsFittedToTheScreen) {
  CSettings& s = CSettings::Instance();
  auto store = [&](int l, int t, int r, int b) {
    s.WriteInt("WINPOS", "LEFT", l);
    s.WriteInt("WINPOS", "TOP", t);
    s.WriteInt("WINPOS", "RIGHT", r);
    s.WriteInt("WINPOS", "BOTTOM", b);
  };
  store(100, 50, 400, 700);  // 300 wide: widened to the minimum
  ExpectRect(Rect(), 100, 50, 900, 700);
  store(-50, -10, 750, 550);
  ExpectRect(Rect(), 0, 0, 800, 560);
  store(5000, 0, 5800, 560);
  ExpectRect(Rect(), 1120, 0, 1920, 560);
  store(300, 200, 3300, 2200);  // larger than the screen
  ExpectRect(Rect(), 0, 0, 1920, 1080);
  store(10, 10, 900, 600);  // a screen narrower than the minimum
  ExpectRect(Rect(640, 480), 0, 0, 640, 480);
  // Extreme stored numbers are fitted, not overflowed.
  store(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  ExpectRect(Rect(), 0, 0, 1920, 1080);
  store(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
  ExpectRect(Rect(), 1120, 520, 1920, 1080);
}

TEST_F(SettingsTest, MapProviderIsClampedAndRemembered) {
  CSettings& s = CSettings::Instance();
  WriteText(Ini(), "[UI]\nMAP=7\n");
  EXPECT_EQ(s.ReadMapProvider(), 1);
  EXPECT_EQ(s.MapProvider(), 1);
  WriteText(Ini(), "[UI]\nMAP=-2\n");
  EXPECT_EQ(s.ReadMapProvider(), 0);
  EXPECT_EQ(s.MapProvider(), 0);
  s.WriteInt("UI", "MAP", 1);
  EXPECT_EQ(s.MapProvider(), 1);
  EXPECT_EQ(s.ReadInt("UI", "MAP", 0), 1);
}

TEST_F(SettingsTest, WrittenFileLooksLikeTheSystemsOwn) {
  CSettings& s = CSettings::Instance();
  ASSERT_TRUE(s.SetLanguage(0));
  s.WriteInt("UI", "MAP", 0);
  s.WriteInt("UI", "MAP_ENABLE", 1);
  s.WriteInt("UI", "GSNR_ENABLE", 1);
  s.WriteString("UI", "Folder", "/media/card");
  s.WriteInt("WINPOS", "LEFT", 120);
  s.WriteInt("WINPOS", "TOP", 80);
  s.WriteInt("WINPOS", "RIGHT", 920);
  s.WriteInt("WINPOS", "BOTTOM", 640);
  // A toggle writes exactly 0 or 1.
  s.WriteInt("UI", "MAP_ENABLE", 0);
  s.WriteInt("UI", "MAP_ENABLE", 1);
  s.WriteInt("UI", "GSNR_ENABLE", 0);
  EXPECT_EQ(ReadText(Ini()),
            "[UI]\nLANGID=JPN\nMAP=0\nMAP_ENABLE=1\nGSNR_ENABLE=0\nFolder=/media/card\n"
            "[WINPOS]\nLEFT=120\nTOP=80\nRIGHT=920\nBOTTOM=640\n");
}

TEST_F(SettingsTest, LastFolderThatVanishedReadsEmpty) {
  CSettings& s = CSettings::Instance();
  const std::string folder = m_home / "card";
  std::filesystem::create_directory(folder);
  s.WriteString("UI", "Folder", folder);
  EXPECT_EQ(s.ReadLastFolder(), folder);
  std::filesystem::remove(folder);
  EXPECT_EQ(s.ReadLastFolder(), "");
}

TEST_F(SettingsTest, LastFolderIsKeptWholeOrNotReplaced) {
  CSettings& s = CSettings::Instance();
  auto folderOf = [&](const std::string& component, int levels) {
    std::string path = m_home.Path();
    for (int i = 0; i < levels; ++i) path += "/" + component;
    std::filesystem::create_directories(path);
    return path;
  };
  std::string kana;
  for (int i = 0; i < 80; ++i) kana += "\xE3\x81\x82";  // 80 characters, 240 bytes
  // About 430 characters in more than 1,200 bytes: it fits, and comes back whole.
  const std::string japanese = folderOf(kana, 5);
  ASSERT_GT(japanese.size(), 1023u);
  s.WriteString("UI", "Folder", japanese);
  EXPECT_EQ(s.ReadLastFolder(), japanese);
  ASSERT_TRUE(s.WriteLastFolder(japanese));
  EXPECT_EQ(s.ReadLastFolder(), japanese);

  // More than 1,023 characters does not fit: the folder stored before stays.
  const std::string tooLong = folderOf(std::string(250, 'd'), 4);
  ASSERT_GT(tooLong.size(), 1023u);
  EXPECT_FALSE(s.WriteLastFolder(tooLong));
  EXPECT_EQ(s.ReadLastFolder(), japanese);

  // A longer value written by hand is cut on a character boundary, not
  // inside one (here: to a folder that does not exist, so it reads empty).
  EXPECT_EQ(BytesOfCharacters(std::string(1022, 'a') + "\xE3\x81\x82" + "b", 1023), 1025u);
  EXPECT_EQ(BytesOfCharacters("a\xE3\x81", 2), 2u);  // a cut-off sequence counts byte by byte
  EXPECT_EQ(BytesOfCharacters("\xFF\xFEx", 2), 2u);
  WriteText(Ini(), "[UI]\nFolder=" + tooLong + "\n");
  EXPECT_EQ(s.ReadLastFolder(), "");
}

TEST_F(SettingsTest, GpsLogFolderIsCreatedInTheDocumentsFolder) {
  CSettings& s = CSettings::Instance();
  std::string path;
  // No user-dirs file: $HOME/Documents, created with its parents.
  ASSERT_TRUE(s.GetGpsLogFolder(path));
  EXPECT_EQ(path, m_home / "Documents/GPSLOG/");
  EXPECT_TRUE(std::filesystem::is_directory(path));
  ASSERT_TRUE(s.GetGpsLogFolder(path));  // already there: still true

  // The XDG documents folder, "$HOME" expanded; a trailing '/' is not doubled.
  std::filesystem::create_directories(m_home / ".config");
  WriteText(m_home / ".config/user-dirs.dirs",
            "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
            "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente/\"\n");
  ASSERT_TRUE(s.GetGpsLogFolder(path));
  EXPECT_EQ(path, m_home / "Dokumente/GPSLOG/");
  EXPECT_TRUE(std::filesystem::is_directory(path));

  // XDG_CONFIG_HOME is honoured; absolute paths are taken as they are.
  TempFolder config;
  TempFolder documents;
  WriteText(config / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"" + documents.Path() + "\"\n");
  ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
  ASSERT_TRUE(s.GetGpsLogFolder(path));
  EXPECT_EQ(path, documents / "GPSLOG/");

  // A file in the way of GPSLOG: no folder, false.
  std::filesystem::remove_all(documents / "GPSLOG");
  WriteText(documents / "GPSLOG", "x");
  EXPECT_FALSE(s.GetGpsLogFolder(path));
}

TEST_F(SettingsTest, UserDocumentsFolderIgnoresRelativeEntries) {
  std::filesystem::create_directories(m_home / ".config");
  WriteText(m_home / ".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"relative/docs\"\n");
  std::string path;
  ASSERT_TRUE(UserDocumentsFolder(path));
  EXPECT_EQ(path, m_home / "Documents");
}

TEST_F(SettingsTest, TheFileLivesInTheConfigurationFolderUnlessTheCurrentDirectoryHasOne) {
  std::filesystem::remove(Ini());
  TempFolder config;
  const std::string homeIni = m_home / ".config/trk-viewer/KTR-XM_DireV.ini";
  const std::string configIni = config / "trk-viewer/KTR-XM_DireV.ini";
  struct Case {
    const char* what;
    bool fileHere;
    const char* configHome;  // nullptr: unset
    std::string expected;
  };
  const Case cases[] = {
      {"file in the current directory wins", true, config.Path().c_str(), Ini()},
      {"XDG_CONFIG_HOME set", false, config.Path().c_str(), configIni},
      {"XDG_CONFIG_HOME unset", false, nullptr, homeIni},
      {"XDG_CONFIG_HOME empty", false, "", homeIni},
      {"XDG_CONFIG_HOME relative: ignored", false, "relative/config", homeIni},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(m_home / ".config");
    std::filesystem::remove_all(config / "trk-viewer");
    if (c.fileHere)
      WriteText(Ini(), "[UI]\nMAP=1\n");
    else
      std::filesystem::remove(Ini());
    if (c.configHome)
      ::setenv("XDG_CONFIG_HOME", c.configHome, 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
    CSettings::ResetForTesting();
    CSettings& s = CSettings::Instance();
    EXPECT_EQ(s.IniPath(), c.expected);
    EXPECT_EQ(s.ReadMapProvider(), c.fileHere ? 1 : 0);

    // The first write creates the missing folders, private to the user, and
    // the file has the format and keys it always had.
    ASSERT_TRUE(s.SetLanguage(0));
    ASSERT_TRUE(s.WriteInt("WINPOS", "LEFT", 120));
    const std::string folder = std::filesystem::path(c.expected).parent_path();
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    if (!c.fileHere) {
      EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    EXPECT_EQ(ReadText(c.expected),
              std::string(c.fileHere ? "[UI]\nMAP=1\nLANGID=JPN\n" : "[UI]\nLANGID=JPN\n") + "[WINPOS]\nLEFT=120\n");
    if (!c.fileHere) {
      EXPECT_FALSE(std::filesystem::exists(Ini()));
    }
  }
  // A missing ~/.config is made private as well.
  std::filesystem::remove(Ini());
  ::unsetenv("XDG_CONFIG_HOME");
  std::filesystem::remove_all(m_home / ".config");
  CSettings::ResetForTesting();
  ASSERT_TRUE(CSettings::Instance().WriteInt("UI", "MAP", 0));
  struct stat st {};
  ASSERT_EQ(::stat((m_home / ".config").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}
