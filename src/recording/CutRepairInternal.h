#pragma once
// The two container repairs behind RepairCutRecording. Each first works out
// what can be kept, and only then writes `destination`.
#include <string>

#include "CutRepair.h"

class ByteSource;
class NewFileWriter;

RepairResult RepairAvi(ByteSource& source, const std::string& destination);
RepairResult RepairQuickTime(ByteSource& source, const std::string& path, const std::string& reference,
                             const std::string& destination);

// Failure of the write: the errno and its words go into `result`.
RepairResult& WriteFailure(RepairResult& result, const NewFileWriter& writer);
RepairResult Failure(RepairFailure failure, std::string detail);
// Checks the written copy with the reader the library uses, then gives it
// its name. On failure the result says why and no file is left.
RepairResult& CommitChecked(RepairResult& result, NewFileWriter& writer, bool quickTime);
