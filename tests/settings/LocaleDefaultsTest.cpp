// The interface language and the speed unit as the settings file and the
// desktop's locale decide them.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "../ScopedLocale.h"
#include "settings/CSettings.h"
#include "settings/Languages.h"
#include "settings/SpeedUnit.h"
#include "TempFolder.h"

namespace {

struct LocaleCase {
  std::vector<ScopedLocale::Variable> environment;
  const char* ini;  // null: no settings file
  const char* language;
  SpeedUnit unit;
};

}  // namespace

TEST(LocaleDefaults, FileThenLocaleDecideLanguageAndUnit) {
  const SpeedUnit K = SpeedUnit::Kph;
  const SpeedUnit M = SpeedUnit::Mph;
  const std::vector<LocaleCase> cases = {
      // Nothing set: English and km/h.
      {{}, nullptr, "ENG", K},
      {{{"LANG", "ja_JP.UTF-8"}}, nullptr, "JPN", K},
      {{{"LANG", "ja"}}, nullptr, "JPN", K},
      {{{"LANG", "en_US.UTF-8"}}, nullptr, "ENG", M},
      {{{"LANG", "en_GB.UTF-8"}}, nullptr, "ENG", M},
      {{{"LANG", "my_MM.UTF-8"}}, nullptr, "ENG", M},
      {{{"LANG", "en_LR"}}, nullptr, "ENG", M},
      {{{"LANG", "de_DE.UTF-8"}}, nullptr, "ENG", K},
      {{{"LANG", "sr_RS@latin"}}, nullptr, "ENG", K},
      {{{"LANG", "C.UTF-8"}}, nullptr, "ENG", K},
      {{{"LANG", "POSIX"}}, nullptr, "ENG", K},
      // LC_ALL before LC_MESSAGES / LC_MEASUREMENT before LANG.
      {{{"LC_ALL", "ja_JP.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "en_US.UTF-8"}}, nullptr, "JPN", K},
      {{{"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "en_US.UTF-8"}}, nullptr, "JPN", M},
      {{{"LC_MEASUREMENT", "en_US.UTF-8"}, {"LANG", "de_DE.UTF-8"}}, nullptr, "ENG", M},
      {{{"LC_MESSAGES", "en_GB.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}, nullptr, "ENG", K},
      // An empty variable counts as unset.
      {{{"LC_ALL", ""}, {"LANG", "ja_JP.UTF-8"}}, nullptr, "JPN", K},
      // A key naming a row wins; anything else follows the locale.
      {{{"LANG", "en_US.UTF-8"}}, "[UI]\nLANGID=JPN\n", "JPN", M},
      {{{"LANG", "ja_JP.UTF-8"}}, "[UI]\nLANGID=ENG\n", "ENG", K},
      {{{"LANG", "en_US.UTF-8"}}, "[UI]\nLANGID=\n", "ENG", M},
      {{{"LANG", "ja_JP.UTF-8"}}, "[UI]\nLANGID=English\n", "JPN", K},
      {{{"LANG", "en_US.UTF-8"}}, "[UI]\nSPEED_UNIT=KPH\n", "ENG", K},
      {{{"LANG", "ja_JP.UTF-8"}}, "[UI]\nSPEED_UNIT=MPH\n", "JPN", M},
      {{{"LANG", "en_GB.UTF-8"}}, "[UI]\nSPEED_UNIT=kph\n", "ENG", M},
      {{{"LANG", "fr_FR.UTF-8"}}, "[UI]\nSPEED_UNIT=miles\n", "ENG", K},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const LocaleCase& c = cases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    TempFolder cwd(true);
    const std::string ini = cwd / CSettings::kFileName;
    if (c.ini) WriteText(ini, c.ini);
    ScopedLocale locale(c.environment);
    CSettings::ResetForTesting();
    CSettings& settings = CSettings::Instance();

    EXPECT_EQ(LanguageCodeOf(settings.LanguageIndex()), c.language);
    const uint16_t langId = LanguageAt(FindLanguage(c.language)).LangId();
    EXPECT_EQ(settings.LangId(), langId);
    EXPECT_EQ(LoadText(116), LoadTextForLanguage(116, langId));
    EXPECT_EQ(settings.ReadSpeedUnit(), c.unit);
    // What the locale suggests is never written down.
    EXPECT_EQ(std::filesystem::exists(ini) ? ReadText(ini) : "(none)", c.ini ? c.ini : "(none)");
    CSettings::ResetForTesting();
  }
}

TEST(LocaleDefaults, ChosenUnitIsWrittenAndWinsOverTheLocale) {
  TempFolder cwd(true);
  // A settings file in the current folder is the one used (and written).
  WriteText(cwd / CSettings::kFileName, "");
  ScopedLocale locale({{"LANG", "en_US.UTF-8"}});
  CSettings::ResetForTesting();
  CSettings& settings = CSettings::Instance();
  ASSERT_EQ(settings.ReadSpeedUnit(), SpeedUnit::Mph);
  ASSERT_TRUE(settings.WriteSpeedUnit(SpeedUnit::Kph));
  EXPECT_EQ(ReadText(cwd / CSettings::kFileName), "[UI]\nSPEED_UNIT=KPH\n");
  EXPECT_EQ(settings.ReadSpeedUnit(), SpeedUnit::Kph);
  ASSERT_TRUE(settings.WriteSpeedUnit(SpeedUnit::Mph));
  EXPECT_EQ(ReadText(cwd / CSettings::kFileName), "[UI]\nSPEED_UNIT=MPH\n");
  CSettings::ResetForTesting();
}

TEST(SpeedUnit, ReadingsUpToFiveShowZeroAndMilesRoundToTheNearest) {
  struct Row {
    uint16_t kmh;
    int32_t kph;
    int32_t mph;
  };
  // 5 km/h and less: 0 in both; 6 km/h is 3.73 mph, 9 km/h 5.59, 10 km/h 6.21.
  for (const Row& r : {Row{0, 0, 0}, Row{5, 0, 0}, Row{6, 6, 4}, Row{8, 8, 5}, Row{9, 9, 6}, Row{10, 10, 6},
                       Row{100, 100, 62}, Row{161, 161, 100}, Row{65535, 65535, 40722}}) {
    EXPECT_EQ(DisplayedSpeed(r.kmh, SpeedUnit::Kph), r.kph) << r.kmh;
    EXPECT_EQ(DisplayedSpeed(r.kmh, SpeedUnit::Mph), r.mph) << r.kmh;
  }
}
