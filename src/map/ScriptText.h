#pragma once
// The script texts sent to the map page. Numbers use the fixed six-decimal
// notation with "." as decimal separator whatever the process locale says.
#include <string>

// printf "%f" of `value` in the C locale.
std::string FormatFixed6(double value);
// Appends "%f" of `value` to `out` (no allocation beyond the growth of `out`).
void AppendFixed6(std::string& out, double value);

// "name(%f,%f)" and "name(%f, %f)" call texts.
std::string PlotCall(const char* function, double latitude, double longitude);
std::string MovPosCall(double latitude, double longitude);
