#include "ScriptText.h"

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

std::string PlotCall(const char* function, double latitude, double longitude) {
  std::string text(function);
  text += '(';
  AppendFixed6(text, latitude);
  text += ',';
  AppendFixed6(text, longitude);
  text += ')';
  return text;
}

std::string MovPosCall(double latitude, double longitude) {
  std::string text("movpos(");
  AppendFixed6(text, latitude);
  text += ", ";
  AppendFixed6(text, longitude);
  text += ')';
  return text;
}
