#pragma once
// The two container repairs behind RepairCutRecording. Each first works out
// what can be kept, and only then writes `destination`.
#include <cstdint>
#include <string>

#include "repair/CutRepair.h"

class ByteSource;
class NewFileWriter;

RepairResult RepairAvi(ByteSource& source, const std::string& destination);
RepairResult RepairQuickTime(ByteSource& source, const std::string& path, const std::string& reference,
                             const std::string& destination);

// The camera's rate blocks (gpsa, gsea), for the records of a kept span.
struct SpanRates {
  uint32_t gpsa = 0;
  uint32_t gsea = 0;
};
// The little-endian value of a rate block's payload (its first 4 bytes).
uint32_t RateValue(ByteSource& source, uint64_t payloadAt, uint64_t payload);
// Of `held` records of a GPS or G-sensor block, those that fall in the first
// `seconds` of the recording: the copy's data follows its video. G-sensor
// records without a rate byte are spread over the whole length: all stay.
uint64_t RecordsInSpan(bool gps, uint32_t rateValue, double seconds, uint64_t held);

// Failure of the write: the errno and its words go into `result`.
RepairResult& WriteFailure(RepairResult& result, const NewFileWriter& writer);
RepairResult Failure(RepairFailure failure, std::string detail);
// Why the library's reader would refuse the file at `path`, or find it cut;
// nullptr when it takes it as a recording.
const char* UnreadableRecording(const std::string& path, bool quickTime);
// Checks the written copy with the reader the library uses, then gives it
// its name. On failure the result says why and no file is left.
RepairResult& CommitChecked(RepairResult& result, NewFileWriter& writer, bool quickTime);
