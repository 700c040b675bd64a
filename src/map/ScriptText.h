#pragma once
// The script texts sent to the map page, their numbers in the fixed
// six-decimal notation.
#include <string>

#include "export/FixedDecimal.h"

// "name(%f,%f)" and "name(%f, %f)" call texts.
std::string PlotCall(const char* function, double latitude, double longitude);
std::string MovPosCall(double latitude, double longitude);
