#include "settings/SpeedUnit.h"

namespace {

// One statute mile is 1.609344 km exactly.
constexpr int64_t kMetresPerMileTimes1000 = 1609344;

}  // namespace

const char* SpeedUnitCode(SpeedUnit unit) { return unit == SpeedUnit::Mph ? "MPH" : "KPH"; }

bool ParseSpeedUnit(const std::string& code, SpeedUnit& unit) {
  if (code == "KPH") {
    unit = SpeedUnit::Kph;
    return true;
  }
  if (code == "MPH") {
    unit = SpeedUnit::Mph;
    return true;
  }
  return false;
}

int32_t DisplayedSpeed(uint16_t kmh, SpeedUnit unit) {
  if (kmh <= 5) return 0;
  if (unit == SpeedUnit::Kph) return kmh;
  // Integer arithmetic: kmh * 1,000,000 / 1,609,344 rounded half up.
  const int64_t scaled = static_cast<int64_t>(kmh) * 1000000;
  return static_cast<int32_t>((scaled + kMetresPerMileTimes1000 / 2) / kMetresPerMileTimes1000);
}

double InSpeedUnit(double kilometres, SpeedUnit unit) {
  if (unit == SpeedUnit::Kph) return kilometres;
  return kilometres * 1000000.0 / static_cast<double>(kMetresPerMileTimes1000);
}
