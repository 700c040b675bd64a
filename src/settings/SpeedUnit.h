#pragma once
// The unit of the speed display: kilometres or miles per hour. Recordings
// always carry km/h; the display converts.
#include <cstdint>
#include <string>

enum class SpeedUnit { Kph, Mph };

// "KPH" or "MPH", as stored in "UI"/"SPEED_UNIT".
const char* SpeedUnitCode(SpeedUnit unit);
// False for any text that is not exactly one of the two codes.
bool ParseSpeedUnit(const std::string& code, SpeedUnit& unit);

// What the display shows for a reading in km/h: readings of 5 km/h and less
// show 0 (decided in km/h, before any conversion); miles per hour are rounded
// to the nearest whole number.
int32_t DisplayedSpeed(uint16_t kmh, SpeedUnit unit);

// A distance in km, or a speed in km/h, in the unit: miles (per hour) for Mph.
double InSpeedUnit(double kilometres, SpeedUnit unit);
