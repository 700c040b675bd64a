// The interface language on a real card: the desktop's locale decides it when
// the settings file does not, and the list headers and the KML message follow.
#include <QDir>
#include <optional>

#include "../ScopedLocale.h"
#include "CommandsSupport.h"

namespace {

struct LanguageCase {
  const char* lang;
  const char* ini;  // null: no settings file
  uint16_t langId;
};

class LocaleWindow : public e2e::WindowTest, public ::testing::WithParamInterface<LanguageCase> {
 protected:
  void SetUp() override {
    m_locale.emplace(std::vector<ScopedLocale::Variable>{{"LANG", GetParam().lang}});
    if (GetParam().ini) m_dir.WriteIni(GetParam().ini);
    WindowTest::SetUp();
  }
  void TearDown() override {
    WindowTest::TearDown();
    m_locale.reset();
  }
  QString Text(uint32_t id) const { return QString::fromStdString(LoadTextForLanguage(id, GetParam().langId)); }

  std::optional<ScopedLocale> m_locale;
};

}  // namespace

TEST_P(LocaleWindow, ListHeadersAndTheKmlMessageSpeakTheLanguage) {
  QStringList headers;
  for (int column = 0; column < 5; ++column)
    headers << dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).ColumnText(column);
  for (int column = 0; column < 6; ++column)
    headers << dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).ColumnText(column);
  QStringList expected;
  for (uint32_t id : {116, 117, 118, 119, 120, 121, 122, 118, 123, 120, 124}) expected << Text(id);
  EXPECT_EQ(headers, expected);

  OpenCard();
  ASSERT_TRUE(WaitFor([&] { return dlg().Library().GpsBytes() > 0; }));
  m_answers.Box(QMessageBox::Ok);
  Press(dlg(), IDC_KML);
  ASSERT_EQ(Boxes().size(), 1u);
  QString text = Text(125);
  text.replace("%s", QDir::homePath() + "/Documents/GPSLOG/REC0001_2024_04_12_08-30-00.KML");
  EXPECT_EQ(Boxes()[0], Text(127) + "|" + text);

  // The language the locale gave is not written down.
  EXPECT_TRUE(GetParam().ini != nullptr || !m_dir.IniText().contains("LANGID")) << m_dir.IniText().constData();
}

INSTANTIATE_TEST_SUITE_P(Desktops, LocaleWindow,
                         ::testing::Values(LanguageCase{"en_US.UTF-8", nullptr, kLangIdEnglish},
                                           LanguageCase{"ja_JP.UTF-8", nullptr, kLangIdJapanese},
                                           LanguageCase{"en_US.UTF-8", "[UI]\nLANGID=JPN\n", kLangIdJapanese}),
                         [](const ::testing::TestParamInfo<LanguageCase>& info) {
                           return std::string(info.param.lang[0] == 'e' ? "English" : "Japanese") + "Desktop" +
                                  (info.param.ini ? "WithJapaneseChosen" : "");
                         });
