#include "RepairTarget.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "fileio/ByteSource.h"
#include "repair/CutRepairInternal.h"
#include "FuzzSupport.h"
#include "container/RecordingFile.h"

void FuzzRepair(const uint8_t* data, std::size_t size, RepairedContainer container) {
  // The copies go to a folder of their own.
  static const std::string folder = [] {
    std::string pattern = std::filesystem::temp_directory_path() / "trk-fuzz-repair-XXXXXX";
    Require(::mkdtemp(pattern.data()) != nullptr, "cannot make a folder for the copies");
    return pattern;
  }();
  static MemFile cutFile, referenceFile;
  const bool quickTime = container == RepairedContainer::QuickTime;
  const std::string destination = folder + (quickTime ? "/COPY.MOV" : "/COPY.AVI");

  RepairResult result;
  if (quickTime) {
    if (size < 4) return;
    const std::size_t told = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::size_t>(data[3]) << 24;
    const std::size_t referenceSize = std::min(told, size - 4);
    referenceFile.Write(data + 4, referenceSize);
    cutFile.Write(data + 4 + referenceSize, size - 4 - referenceSize);
    MemoryByteSource source(data + 4 + referenceSize, size - 4 - referenceSize, kFuzzFileTime);
    result = RepairQuickTime(source, cutFile.Path(), referenceFile.Path(), destination);
  } else {
    MemoryByteSource source(data, size, kFuzzFileTime);
    result = RepairAvi(source, destination);
  }

  const auto entries = std::distance(std::filesystem::directory_iterator(folder), {});
  if (result.Repaired()) {
    Require(result.output == destination && result.frames > 0, "a repair without its copy or a frame");
    Require(entries == 1, "a repair left more than its copy");
    RecordingFile reader;
    Require((quickTime ? reader.ParseMov(destination) : reader.ParseAvi(destination)) == 0,
            "the reader refuses a repaired copy");
    ::unlink(destination.c_str());
  } else {
    Require(!result.detail.empty() && result.output.empty(), "a refusal without a reason, or naming a copy");
    Require(entries == 0, "a refusal left a file behind");
  }
}
