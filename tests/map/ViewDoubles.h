#pragma once
// A recording double of the map page the track drawing drives.
#include <cstdint>
#include <string>
#include <vector>

#include "map/MapView.h"
#include "map/ScriptText.h"

namespace trk_test {

// Every script text in order; MovePosition is logged as "MovePosition(h,lat,lon)".
class MapDouble : public IMapView {
 public:
  bool RunScript(const std::string& code) override {
    calls.push_back(code);
    return true;
  }
  bool MovePosition(int32_t heading, double latitude, double longitude) override {
    calls.push_back("MovePosition(" + std::to_string(heading) + "," + FormatFixed6(latitude) + "," +
                    FormatFixed6(longitude) + ")");
    return true;
  }
  std::vector<std::string> calls;
};

}  // namespace trk_test
