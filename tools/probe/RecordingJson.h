#pragma once
// JSON for the recording records, shared by the probe's modes.
#include <string>

#include "Json.h"
#include "container/RecordingTypes.h"
#include "container/SampleLoader.h"

// "avi" or "mov" from a name ending in ".AVI" / ".MOV" or ".MP4" in any case,
// as the library decides; nullptr for any other name.
const char* ContainerOfName(const std::string& pathOrName);

// The twelve summary fields under their own names, as one object.
void WriteSummaryJson(JsonWriter& json, const RecordingSummary& summary);

// One GPS record: raw fields, "valid" after the zero rule, and "lat"/"lon" in
// decimal degrees when the position is usable.
void WriteGpsSampleJson(JsonWriter& json, const GpsSample& sample);

// "gpsRate", "gsensorRate", "gsensorRange", "gps" and "gsensor" fields of the
// object being written.
void WriteSampleFields(JsonWriter& json, const RecordingSummary& summary, const LoadedBlocks& blocks);
