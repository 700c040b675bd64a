#include "settings/LocaleDefaults.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace {

// The locale in force for one category: an empty variable counts as unset,
// as it does for setlocale().
std::string LocaleFor(std::initializer_list<const char*> variables) {
  for (const char* name : variables) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return std::string();
}

// Road speeds in miles per hour: the United States and their territories, the
// United Kingdom with its Crown dependencies and overseas territories,
// Liberia, Myanmar, and the Caribbean and Pacific states that kept the mile.
constexpr const char* kMilesTerritories[] = {
    "US", "PR", "GU", "VI", "AS", "MP", "UM",        // United States
    "GB", "IM", "JE", "GG",                          // United Kingdom
    "AI", "VG", "KY", "FK", "MS", "SH", "TC",        // British overseas territories
    "LR", "MM",                                      // Liberia, Myanmar
    "AG", "BS", "BZ", "DM", "GD", "KN", "LC", "VC",  // Caribbean
    "WS",                                            // Samoa
};

}  // namespace

std::string LocaleTerritory(const std::string& locale) {
  const std::size_t underscore = locale.find('_');
  if (underscore == std::string::npos) return std::string();
  const std::size_t end = locale.find_first_of(".@", underscore + 1);
  return locale.substr(underscore + 1, end == std::string::npos ? std::string::npos : end - underscore - 1);
}

std::string LocaleLanguageCode() {
  const std::string locale = LocaleFor({"LC_ALL", "LC_MESSAGES", "LANG"});
  return locale.compare(0, 2, "ja") == 0 ? "JPN" : "ENG";
}

SpeedUnit LocaleSpeedUnit() {
  const std::string territory = LocaleTerritory(LocaleFor({"LC_ALL", "LC_MEASUREMENT", "LANG"}));
  const bool miles = std::any_of(std::begin(kMilesTerritories), std::end(kMilesTerritories),
                                 [&territory](const char* code) { return territory == code; });
  return miles ? SpeedUnit::Mph : SpeedUnit::Kph;
}
