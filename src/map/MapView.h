#pragma once
// The map page as the track drawing sees it: every script call of the page
// goes through here. The page host implements it; tests record the calls.
#include <cstdint>
#include <string>

class IMapView {
 public:
  virtual ~IMapView() = default;
  virtual bool RunScript(const std::string& code) = 0;
  // latitude / longitude in degrees-and-decimal-minutes form (dd.mmmm).
  virtual bool MovePosition(int32_t heading, double latitude, double longitude) = 0;
};
