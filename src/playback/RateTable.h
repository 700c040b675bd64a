#pragma once
// The playback rates FAST and SLOW step through, with the label the speed
// marquee shows for each. Steps are 0.1 below 1.0, 0.2 up to 2.0 and 0.4
// above; index 7 is the normal rate.
#include <array>
#include <cstdint>

struct RateEntry {
  double rate;
  const char* label;
};

inline constexpr std::array<RateEntry, 18> RateTable = {{
    {0.3, "0.3 X"},
    {0.4, "0.4 X"},
    {0.5, "0.5 X"},
    {0.6, "0.6 X"},
    {0.7, "0.7 X"},
    {0.8, "0.8 X"},
    {0.9, "0.9 X"},
    {1.0, "1.0 X"},
    {1.2, "1.2 X"},
    {1.4, "1.4 X"},
    {1.6, "1.6 X"},
    {1.8, "1.8 X"},
    {2.0, "2.0 X"},
    {2.4, "2.4 X"},
    {2.8, "2.8 X"},
    {3.2, "3.2 X"},
    {3.6, "3.6 X"},
    {4.0, "4.0 X"},
}};

inline constexpr int32_t kNormalRateIndex = 7;
inline constexpr int32_t kLastRateIndex = static_cast<int32_t>(RateTable.size()) - 1;

// Marquee text size for a picture height: a tenth of it, truncated toward
// zero; 48 when the height is not known.
inline int32_t MarqueeSizeFor(uint16_t pictureHeight) {
  return pictureHeight != 0 ? static_cast<int32_t>(pictureHeight * 0.1) : 48;
}

// Seek target for a slider position: the length is divided first, in signed
// 64-bit integers, so a length below a second (or -1: no media library) gives 0.
inline int64_t SeekTargetFor(int32_t sliderPosition, int64_t lengthMs) {
  return static_cast<int64_t>(sliderPosition) * (lengthMs / 1000);
}

// Position slider (0..1000) for a play time: truncated in floating point, 0
// when the length is not known.
inline int32_t SliderPositionFor(int64_t timeMs, int64_t lengthMs) {
  if (lengthMs <= 0) return 0;
  const double position = static_cast<double>(timeMs) / static_cast<double>(lengthMs) * 1000.0;
  if (!(position > 0.0)) return 0;
  return position >= 1000.0 ? 1000 : static_cast<int32_t>(position);
}
