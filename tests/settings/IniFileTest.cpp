#include "settings/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "TempFolder.h"

TEST(ProfileStringToInt, ConvertsLikeThePlatformIntegerRead) {
  EXPECT_EQ(ProfileStringToInt("42"), 42);
  EXPECT_EQ(ProfileStringToInt("55zz"), 55);
  EXPECT_EQ(ProfileStringToInt("abc"), 0);
  EXPECT_EQ(ProfileStringToInt("-2"), -2);
  EXPECT_EQ(ProfileStringToInt("+7"), 7);
  EXPECT_EQ(ProfileStringToInt("  \t9"), 9);
  EXPECT_EQ(ProfileStringToInt("--5"), 0);
  EXPECT_EQ(ProfileStringToInt("- 5"), 0);
  EXPECT_EQ(ProfileStringToInt("0x1F"), 31);
  EXPECT_EQ(ProfileStringToInt("0x1fg"), 31);
  EXPECT_EQ(ProfileStringToInt("0X10"), 0);  // only the lower-case prefix counts
  EXPECT_EQ(ProfileStringToInt("0o17"), 15);
  EXPECT_EQ(ProfileStringToInt("0b101"), 5);
  EXPECT_EQ(ProfileStringToInt("-0x10"), -16);
  EXPECT_EQ(ProfileStringToInt("4294967295"), -1);
  EXPECT_EQ(ProfileStringToInt("4294967296"), 0);
  EXPECT_EQ(ProfileStringToInt("2147483648"), INT32_MIN);
  EXPECT_EQ(ProfileStringToInt("99999999999999999999999"), -159383553);  // wraps, never UB
  EXPECT_EQ(ProfileStringToInt("1.9"), 1);
  EXPECT_EQ(ProfileStringToInt(""), 0);
}

TEST(IniRead, FindsKeysLikeThePrivateProfileRead) {
  TempFolder dir;
  const std::string ini = dir / "a.ini";
  WriteText(ini,
            "; comment\r\n"
            "  [ ui ]  \r\n"
            "  Map = 5 \r\n"
            "Name=\"  quoted  \"\r\n"
            "Single='x'\r\n"
            "Half=\"open\r\n"
            "Empty=\r\n"
            "Junk=55zz\r\n"
            "Hex=0x10\r\n"
            "[UI]\r\n"
            "MAP=9\r\n"
            "Other=1\r\n"
            "[WINPOS]\r\n"
            "LEFT=-50\r\n");
  // Section and key ignore case; the first section and key win.
  EXPECT_EQ(IniReadInt(ini, "UI", "MAP", 3), 5);
  EXPECT_EQ(IniReadInt(ini, "UI", "Other", 3), 3);
  EXPECT_EQ(IniReadString(ini, "UI", "name", "d", 100), "  quoted  ");
  EXPECT_EQ(IniReadString(ini, "UI", "Single", "d", 100), "x");
  EXPECT_EQ(IniReadString(ini, "UI", "Half", "d", 100), "\"open");
  EXPECT_EQ(IniReadString(ini, "UI", "Empty", "d", 100), "");
  EXPECT_EQ(IniReadInt(ini, "UI", "Empty", 7), 7);  // an empty value reads as the default
  EXPECT_EQ(IniReadInt(ini, "UI", "Junk", 7), 55);
  EXPECT_EQ(IniReadInt(ini, "UI", "Hex", 7), 16);
  EXPECT_EQ(IniReadInt(ini, "WINPOS", "LEFT", 0), -50);
  EXPECT_EQ(IniReadInt(ini, "WINPOS", "MAP", 11), 11);
  EXPECT_EQ(IniReadString(ini, "UI", "Missing", "def  ", 100), "def");  // default loses trailing blanks
  EXPECT_EQ(IniReadString(ini, "UI", "Name", "d", 4), "  qu");
  EXPECT_EQ(IniReadString(dir / "absent.ini", "UI", "MAP", "ENG", 63), "ENG");
  EXPECT_EQ(IniReadInt(dir / "absent.ini", "UI", "MAP", -4), -4);
}

TEST(IniRead, APipeUnderTheFileNameReadsAsMissingWithoutBlocking) {
  TempFolder dir;
  const std::string fifo = dir / "KTR-XM_DireV.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Nobody writes to the pipe: opening it for reading would wait forever.
  EXPECT_EQ(IniReadInt(fifo, "UI", "MAP_ENABLE", 1), 1);
  EXPECT_EQ(IniReadString(fifo, "UI", "LANGID", "ENG", 63), "ENG");
}

TEST(IniWrite, KeepsEveryOtherLineAndCreatesWhatIsMissing) {
  TempFolder dir;
  const std::string ini = dir / "b.ini";
  // A missing file is created with the section.
  ASSERT_TRUE(IniWriteString(ini, "UI", "LANGID", "JPN"));
  EXPECT_EQ(ReadText(ini), "[UI]\nLANGID=JPN\n");
  ASSERT_TRUE(IniWriteString(ini, "UI", "MAP", "0"));
  ASSERT_TRUE(IniWriteString(ini, "WINPOS", "LEFT", "120"));
  ASSERT_TRUE(IniWriteString(ini, "UI", "MAP_ENABLE", "1"));
  ASSERT_TRUE(IniWriteString(ini, "ui", "langid", "ENG"));
  EXPECT_EQ(ReadText(ini), "[UI]\nLANGID=ENG\nMAP=0\nMAP_ENABLE=1\n[WINPOS]\nLEFT=120\n");

  // Comments, blank lines, foreign sections and CRLF ends survive; a new key
  // goes after the section's last entry, before its trailing blank lines.
  const std::string before =
      "\xEF\xBB\xBF; settings\r\n"
      "[UI]\r\n"
      "; keep me\r\n"
      "  Map = 1   ; not a comment to the reader\r\n"
      "\r\n"
      "[Other]\r\n"
      "x=y\r\n"
      "[WINPOS]\r\n"
      "TOP=3";
  WriteText(ini, before);
  ASSERT_TRUE(IniWriteString(ini, "UI", "MAP", "0"));
  ASSERT_TRUE(IniWriteString(ini, "UI", "Folder", "/media/card/DCIM"));
  ASSERT_TRUE(IniWriteString(ini, "WINPOS", "LEFT", "5"));
  ASSERT_TRUE(IniWriteString(ini, "New", "k", "v"));
  EXPECT_EQ(ReadText(ini),
            "\xEF\xBB\xBF; settings\r\n"
            "[UI]\r\n"
            "; keep me\r\n"
            "Map=0\r\n"
            "Folder=/media/card/DCIM\r\n"
            "\r\n"
            "[Other]\r\n"
            "x=y\r\n"
            "[WINPOS]\r\n"
            "TOP=3\r\n"
            "LEFT=5\r\n"
            "[New]\r\n"
            "k=v\r\n");
  EXPECT_EQ(IniReadString(ini, "UI", "Folder", "", 1023), "/media/card/DCIM");
}

TEST(IniWrite, RefusesWhatWouldChangeTheStructureAndReportsFailures) {
  TempFolder dir;
  const std::string ini = dir / "c.ini";
  ASSERT_TRUE(IniWriteString(ini, "UI", "Folder", "/a"));
  // A folder name may hold a line break on Linux; written as is it would
  // inject a section into the file.
  EXPECT_FALSE(IniWriteString(ini, "UI", "Folder", "/tmp/x\n[WINPOS]\nLEFT=9999"));
  EXPECT_FALSE(IniWriteString(ini, "UI", "A=B", "1"));
  EXPECT_FALSE(IniWriteString(ini, "U]I", "A", "1"));
  EXPECT_EQ(ReadText(ini), "[UI]\nFolder=/a\n");
  EXPECT_FALSE(IniWriteString(dir / "no/such/folder/d.ini", "UI", "MAP", "1"));
  // A path with non-UTF-8 bytes is kept byte for byte.
  const std::string bytes = "/m\xff\xfe/\xe3\x81\x82";
  ASSERT_TRUE(IniWriteString(ini, "UI", "Folder", bytes));
  EXPECT_EQ(IniReadString(ini, "UI", "Folder", "", 1023), bytes);
  // No temporary file is left next to the settings file.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST(IniWrite, AFileThatCannotBeReadWholeIsNeverReplaced) {
  TempFolder dir;
  // The folder is open to everybody, so only the file itself can refuse.
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
  const std::string settings = "[UI]\nLANGID=JPN\nMAP_ENABLE=0\n[WINPOS]\nLEFT=120\n";
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;
    std::function<std::string(const std::string&)> content;  // what must still be there
  };
  const Case cases[] = {
      {"no permission to read",
       [&](const std::string& ini) {
         WriteText(ini, settings);
         ::chmod(ini.c_str(), 0000);
       },
       [](const std::string& ini) { return ReadText(ini); }},
      {"a folder under its name", [](const std::string& ini) { std::filesystem::create_directory(ini); },
       [](const std::string& ini) { return std::filesystem::is_directory(ini) ? std::string("folder") : ""; }},
      {"a pipe under its name", [](const std::string& ini) { ::mkfifo(ini.c_str(), 0666); },
       [](const std::string& ini) { return std::filesystem::is_fifo(ini) ? std::string("pipe") : ""; }},
      {"a link into a file that fails to read",
       [](const std::string& ini) { std::filesystem::create_symlink("/proc/self/mem", ini); },
       [](const std::string& ini) { return std::filesystem::is_symlink(ini) ? std::string("link") : ""; }},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string ini = dir / ("s" + std::to_string(n++) + ".ini");
    c.make(ini);
    const std::string before = c.content(ini);
    ASSERT_FALSE(before.empty());
    bool written = true;
    // Root reads every file: the write is tried as the user "nobody".
    const bool root = ::geteuid() == 0;
    if (root) {
      ASSERT_EQ(::seteuid(65534), 0);
    }
    written = IniWriteString(ini, "UI", "MAP", "1");
    // Reading goes on with the defaults.
    const int32_t map = IniReadInt(ini, "UI", "MAP_ENABLE", 1);
    if (root) {
      ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(map, 1);
    ::chmod(ini.c_str(), 0644);
    EXPECT_EQ(c.content(ini), before);
  }
  // Nothing was left next to them either (temporary files are hidden).
  int temporaries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    temporaries += entry.path().filename().string().rfind('.', 0) == 0;
  EXPECT_EQ(temporaries, 0);
}
