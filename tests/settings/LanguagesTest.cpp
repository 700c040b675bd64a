#include "settings/Languages.h"

#include <gtest/gtest.h>

#include "../ScopedLocale.h"
#include "settings/CSettings.h"
#include "settings/StringTable.h"
#include "TempFolder.h"

namespace {

class LanguageTest : public ::testing::Test {
 protected:
  // A settings file in the current directory: the object uses it.
  void SetUp() override {
    WriteText(Ini(), "");
    CSettings::ResetForTesting();
  }
  void TearDown() override { CSettings::ResetForTesting(); }
  std::string Ini() const { return m_cwd / "KTR-XM_DireV.ini"; }
  TempFolder m_cwd{true};
};

}  // namespace

TEST(LanguageTable, HoldsJapaneseAndEnglish) {
  ASSERT_EQ(LanguageCount(), 2);
  EXPECT_EQ(FindLanguage("JPN"), 0);
  EXPECT_EQ(FindLanguage("ENG"), 1);
  EXPECT_EQ(FindLanguage("jpn"), -1);
  EXPECT_EQ(FindLanguage("JPN "), -1);
  EXPECT_EQ(FindLanguage("eng"), -1);
  EXPECT_EQ(FindLanguage(""), -1);
  EXPECT_EQ(LanguageCodeOf(0), "JPN");
  EXPECT_EQ(LanguageCodeOf(1), "ENG");
  EXPECT_EQ(LanguageCodeOf(2), "");
  EXPECT_EQ(LanguageNameOf("JPN"), "日本語");
  EXPECT_EQ(LanguageNameOf("ENG"), "English");
  EXPECT_EQ(LanguageAt(0).LangId(), 0x0411);
  EXPECT_EQ(LanguageAt(1).LangId(), 0x0409);
}

TEST(StringTable, HoldsTheWholeVocabularyInBothLanguages) {
  std::size_t count = 0;
  const StringTableRow* rows = StringTableRows(count);
  std::vector<uint32_t> ids;
  for (std::size_t i = 0; i < count; ++i) {
    ids.push_back(rows[i].id);
    EXPECT_FALSE(std::string(rows[i].english).empty()) << rows[i].id;
    EXPECT_FALSE(std::string(rows[i].japanese).empty()) << rows[i].id;
  }
  std::vector<uint32_t> expected;
  for (uint32_t id = 101; id <= 145; ++id) expected.push_back(id);
  for (uint32_t id = 179; id <= 199; ++id) expected.push_back(id);
  for (uint32_t id = 201; id <= 226; ++id) expected.push_back(id);
  for (uint32_t id = 230; id <= 241; ++id) expected.push_back(id);
  for (uint32_t id = 250; id <= 262; ++id) expected.push_back(id);
  for (uint32_t id = 280; id <= 282; ++id) expected.push_back(id);
  for (uint32_t id = 290; id <= 292; ++id) expected.push_back(id);
  expected.push_back(310);
  for (uint32_t id = 320; id <= 326; ++id) expected.push_back(id);
  for (uint32_t id = 340; id <= 357; ++id) expected.push_back(id);
  for (uint32_t id = 360; id <= 375; ++id) expected.push_back(id);
  ASSERT_EQ(count, expected.size());
  EXPECT_EQ(ids, expected);

  EXPECT_EQ(LoadTextForLanguage(103, 0x0411), "Windowsソケットの初期化に失敗しました。" + std::string(21, ' '));
  EXPECT_EQ(LoadTextForLanguage(103, 0x0409), "Windows sockets initialization failed.");
  EXPECT_EQ(LoadTextForLanguage(141, 0x0409), "File \"%s\" is already exist. Are you sure to overwrite it?");
  EXPECT_EQ(LoadTextForLanguage(141, 0x0411), "ファイル、\"%s\"はすでに存在します。このファイルを上書きしますか?");
  EXPECT_EQ(LoadTextForLanguage(135, 0x0409),
            "No seletected files. Please select some files and try this operation again.");
  EXPECT_EQ(LoadTextForLanguage(134, 0x0411), "再生／一時停止 (Space)");
  EXPECT_EQ(LoadTextForLanguage(145, 0x0409), "OK");
  EXPECT_EQ(LoadTextForLanguage(145, 0x0411), "確認");
  EXPECT_EQ(LoadTextForLanguage(199, 0x0409), "Change Speed Unit KPH/MPH.");
  EXPECT_EQ(LoadTextForLanguage(201, 0x0409), "Some files could not be copied:");
  EXPECT_EQ(LoadTextForLanguage(202, 0x0411), "削除できなかったファイルがあります:");
  EXPECT_EQ(LoadTextForLanguage(200, 0x0409), "");
  EXPECT_EQ(LoadTextForLanguage(110, 0x0407), "");  // no copy for other languages
  EXPECT_EQ(LoadTextForLanguage(146, 0x0409), "");
  EXPECT_EQ(LoadTextForLanguage(178, 0x0411), "");
}

TEST_F(LanguageTest, WithoutAFileTextsAreJapaneseOnAJapaneseDesktop) {
  ScopedLocale locale({{"LANG", "ja_JP.UTF-8"}});
  EXPECT_EQ(LoadText(110), "構成");
  EXPECT_EQ(LoadText(104), "メディアを選択");
  EXPECT_EQ(LoadText(0), "");
  EXPECT_EQ(LoadText(150), "");
  EXPECT_EQ(LoadText(61440), "");
}

TEST_F(LanguageTest, CodesOutsideTheTableFollowTheLocaleAndAreNotCorrected) {
  for (const char* value : {"", "jpn", "XYZ", "eng"}) {
    for (const auto& [lang, index] : {std::pair{"ja_JP.UTF-8", 0}, std::pair{"en_US.UTF-8", 1}}) {
      ScopedLocale locale({{"LANG", lang}});
      WriteText(Ini(), std::string("[UI]\nLANGID=") + value + "\n");
      CSettings::ResetForTesting();
      EXPECT_EQ(CSettings::Instance().LanguageIndex(), index) << value << " " << lang;
      EXPECT_EQ(LoadText(128), LoadTextForLanguage(128, LanguageAt(index).LangId())) << value;
      EXPECT_EQ(ReadText(Ini()), std::string("[UI]\nLANGID=") + value + "\n");  // not corrected
    }
  }
}

TEST_F(LanguageTest, SetLanguageWritesOnlyValidRows) {
  ScopedLocale locale({{"LANG", "ja_JP.UTF-8"}});
  CSettings& s = CSettings::Instance();
  EXPECT_FALSE(s.SetLanguage(-1));
  EXPECT_FALSE(s.SetLanguage(2));
  EXPECT_EQ(ReadText(Ini()), "");
  EXPECT_EQ(s.LanguageIndex(), 0);
  EXPECT_EQ(s.LangId(), 0x0411);
  ASSERT_TRUE(s.SetLanguage(1));
  EXPECT_EQ(ReadText(Ini()), "[UI]\nLANGID=ENG\n");
  EXPECT_EQ(s.LangId(), 0x0409);
  EXPECT_EQ(LoadText(110), "Config");
  ASSERT_TRUE(s.SetLanguage(0));
  EXPECT_EQ(ReadText(Ini()), "[UI]\nLANGID=JPN\n");
  CSettings::ResetForTesting();
  EXPECT_EQ(CSettings::Instance().LanguageIndex(), 0);
}
