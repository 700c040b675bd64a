#pragma once
// Numbers in the fixed six-decimal notation with "." as decimal separator
// whatever the process locale says: the map page's script and the KML,
// GPX and CSV coordinates read them back the same way.
#include <string>

// printf "%f" of `value` in the C locale.
std::string FormatFixed6(double value);
// Appends "%f" of `value` to `out` (no allocation beyond the growth of `out`).
void AppendFixed6(std::string& out, double value);
