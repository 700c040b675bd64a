#include "export/FixedDecimal.h"

#include <charconv>

void AppendFixed6(std::string& out, double value) {
  // 309 integer digits, sign, point and six decimals fit with room to spare.
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  out.append(buffer, result.ptr);
}

std::string FormatFixed6(double value) {
  std::string text;
  AppendFixed6(text, value);
  return text;
}
