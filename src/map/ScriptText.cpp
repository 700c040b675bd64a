#include "map/ScriptText.h"

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
