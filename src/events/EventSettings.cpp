#include "settings/CSettings.h"
#include "events/DrivingEvents.h"

namespace {
constexpr const char* kSection = "UI";
constexpr const char* kKey = "EVENT_SENSITIVITY";
}  // namespace

EventSensitivity ReadEventSensitivity(const CSettings& settings) {
  const int32_t value = settings.ReadInt(kSection, kKey, static_cast<int32_t>(EventSensitivity::Normal));
  if (value < static_cast<int32_t>(EventSensitivity::Low) || value > static_cast<int32_t>(EventSensitivity::High))
    return EventSensitivity::Normal;
  return static_cast<EventSensitivity>(value);
}

bool WriteEventSensitivity(CSettings& settings, EventSensitivity sensitivity) {
  return settings.WriteInt(kSection, kKey, static_cast<int32_t>(sensitivity));
}
