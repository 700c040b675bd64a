#pragma once
// What the desktop's locale suggests when the settings file does not decide:
// the interface language and the speed unit. Nothing here is written to the
// settings file.
#include <string>

#include "settings/SpeedUnit.h"

// The first of LC_ALL, LC_MESSAGES and LANG that is set and not empty: one
// that starts with "ja" gives "JPN", any other (or none) "ENG".
std::string LocaleLanguageCode();

// The territory of the first of LC_ALL, LC_MEASUREMENT and LANG that is set
// and not empty ("en_US.UTF-8" -> "US"): the countries that sign road speeds
// in miles per hour give Mph, every other (or none) Kph.
SpeedUnit LocaleSpeedUnit();

// The territory part of a locale name: between "_" and "." or "@"; empty when
// the name has none.
std::string LocaleTerritory(const std::string& locale);
