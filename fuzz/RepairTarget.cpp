#include "RepairTarget.h"

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "ByteSource.h"
#include "CutRepairInternal.h"
#include "FuzzSupport.h"
#include "RecordingFile.h"

namespace {

// A folder of its own for the copies, in memory where the system has one.
class OutputFolder {
 public:
  OutputFolder() {
    for (const char* base : {"/dev/shm", "/tmp"}) {
      std::string pattern = std::string(base) + "/trk-fuzz-repair-XXXXXX";
      if (::mkdtemp(pattern.data()) != nullptr) {
        m_path = pattern;
        return;
      }
    }
    Require(false, "cannot make a folder for the copies");
  }
  ~OutputFolder() { ::rmdir(m_path.c_str()); }
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  const std::string& Path() const { return m_path; }
  int Entries() const {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(m_path.c_str()), &::closedir);
    Require(dir != nullptr, "the folder of the copies went away");
    int n = 0;
    while (const dirent* e = ::readdir(dir.get())) n += e->d_name[0] != '.' || (e->d_name[1] != '\0' && e->d_name[1] != '.');
    return n;
  }

 private:
  std::string m_path;
};

}  // namespace

void FuzzRepair(const uint8_t* data, std::size_t size, RepairedContainer container) {
  static OutputFolder folder;
  static MemFile cutFile, referenceFile;
  const bool quickTime = container == RepairedContainer::QuickTime;
  const std::string destination = folder.Path() + (quickTime ? "/COPY.MOV" : "/COPY.AVI");

  RepairResult result;
  if (quickTime) {
    if (size < 4) return;
    const std::size_t told = static_cast<std::size_t>(data[0]) | static_cast<std::size_t>(data[1]) << 8 |
                             static_cast<std::size_t>(data[2]) << 16 | static_cast<std::size_t>(data[3]) << 24;
    const std::size_t referenceSize = told < size - 4 ? told : size - 4;
    referenceFile.Write(data + 4, referenceSize);
    const uint8_t* cut = data + 4 + referenceSize;
    const std::size_t cutSize = size - 4 - referenceSize;
    cutFile.Write(cut, cutSize);
    MemoryByteSource source(cut, cutSize, kFuzzFileTime);
    result = RepairQuickTime(source, cutFile.Path(), referenceFile.Path(), destination);
  } else {
    MemoryByteSource source(data, size, kFuzzFileTime);
    result = RepairAvi(source, destination);
  }

  if (result.Repaired()) {
    Require(result.output == destination, "a repair names another copy");
    Require(result.frames > 0, "a repair without a frame");
    Require(folder.Entries() == 1, "a repair left more than its copy");
    RecordingFile reader;
    Require((quickTime ? reader.ParseMov(destination) : reader.ParseAvi(destination)) == 0,
            "the reader refuses a repaired copy");
    ::unlink(destination.c_str());
  } else {
    Require(!result.detail.empty(), "a refusal without a reason");
    Require(result.output.empty(), "a refusal names a copy");
    Require(folder.Entries() == 0, "a refusal left a file behind");
  }
}
