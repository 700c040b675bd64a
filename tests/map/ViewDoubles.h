#pragma once
// Recording doubles of the views the track functions drive.
#include <cstdint>
#include <string>
#include <vector>

#include "library/LibraryViews.h"
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

class OwnerDouble : public IOwnerView {
 public:
  void SetHeading(int32_t degrees) override { calls.push_back("SetHeading(" + std::to_string(degrees) + ")"); }
  void ClearHeading() override { calls.push_back("ClearHeading()"); }
  void SetSpeed(bool valid, uint16_t kmh) override {
    calls.push_back("SetSpeed(" + std::to_string(valid) + "," + std::to_string(kmh) + ")");
  }
  bool ConfirmOverwrite(const std::string&) override { return false; }
  void ShowCopyProgress(int, const std::string&) override {}
  void HideCopyProgress() override {}
  std::vector<std::string> calls;
};

class CurveDouble : public IGSensorView {
 public:
  void Clear() override { calls.push_back("Clear()"); }
  void Repaint() override { calls.push_back("Repaint()"); }
  void SetScale(double fullScale, double range) override {
    calls.push_back("SetScale(" + FormatFixed6(fullScale) + "," + FormatFixed6(range) + ")");
  }
  void LoadSamples(int32_t count, const GSensorSample* samples) override {
    calls.push_back("LoadSamples(" + std::to_string(count) + ")");
    if (count > 0) firstX = samples[0].x;
  }
  void UpdateTimeAxis() override { calls.push_back("UpdateTimeAxis()"); }
  void SetCursor(int32_t ms) override { calls.push_back("SetCursor(" + std::to_string(ms) + ")"); }
  void SetSamplesPerMs(double samplesPerMs) override {
    calls.push_back("SetSamplesPerMs(" + FormatFixed6(samplesPerMs) + ")");
  }
  void SetIdle(bool idle) override { calls.push_back("SetIdle(" + std::to_string(idle) + ")"); }
  std::vector<std::string> calls;
  int firstX = 0;
};

}  // namespace trk_test
