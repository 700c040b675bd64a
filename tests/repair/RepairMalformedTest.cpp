// Whatever the bytes of the cut file or of its reference, a repair ends with
// a copy the readers accept or with a reason, and leaves nothing else behind.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "container/CutRecording.h"
#include "repair/CutRepair.h"
#include "container/RecordingFile.h"
#include "RepairSupport.h"
#include "TempFolder.h"

namespace {

// Flips a few bytes, mostly among the headers, sometimes cuts the file shorter.
std::vector<uint8_t> Mutated(std::vector<uint8_t> bytes, std::mt19937& random) {
  const int flips = 1 + static_cast<int>(random() % 8);
  for (int i = 0; i < flips; ++i) {
    const std::size_t span = random() % 4 ? std::min<std::size_t>(bytes.size(), 4096) : bytes.size();
    bytes[random() % span] = static_cast<uint8_t>(random());
  }
  if (random() % 4 == 0) bytes.resize(random() % bytes.size());
  return bytes;
}

}  // namespace

TEST(RepairMalformed, MutatedCutFilesAndReferencesGiveAPlayableCopyOrAReason) {
  TempFolder card, out;
  SynthOptions o = SmallCamera(1, 2000, 10);
  o.container = SynthContainer::Mov;
  WriteSynthRecording(card / "REF.MOV.healthy", o);
  const std::vector<uint8_t> reference = FileBytes(card / "REF.MOV.healthy");
  o.minute = 2;
  o.cutAt = 0.7;
  o.container = SynthContainer::Avi;
  WriteSynthRecording(card / "CUT.AVI.whole", o);
  o.container = SynthContainer::Mov;
  WriteSynthRecording(card / "CUT.MOV.whole", o);
  const std::vector<uint8_t> avi = FileBytes(card / "CUT.AVI.whole");
  const std::vector<uint8_t> mov = FileBytes(card / "CUT.MOV.whole");

  std::mt19937 random(18);
  int repaired = 0;
  for (int round = 0; round < 120; ++round) {
    SCOPED_TRACE(round);
    const bool quickTime = round % 2 == 1;
    const bool mutateReference = quickTime && round % 4 == 3;
    const std::string file = card / (quickTime ? "CUT.MOV" : "CUT.AVI");
    WriteBytes(file, mutateReference ? mov : Mutated(quickTime ? mov : avi, random));
    WriteBytes(card / "REF.MOV", mutateReference ? Mutated(reference, random) : reference);

    const RepairResult r = RepairCutRecording(file, out.Path(), quickTime ? card / "REF.MOV" : std::string());
    if (r.Repaired()) {
      ++repaired;
      RecordingFile reader;
      EXPECT_EQ(quickTime ? reader.ParseMov(r.output) : reader.ParseAvi(r.output), 0)
          << (reader.FailureReason() ? reader.FailureReason() : "");
      EXPECT_FALSE(DetectCutRecording(r.output, quickTime ? ContainerKind::QuickTime : ContainerKind::Avi, nullptr));
      std::filesystem::remove(r.output);
    } else {
      EXPECT_FALSE(r.detail.empty());
    }
    EXPECT_TRUE(std::filesystem::is_empty(out.Path()));
  }
  EXPECT_GT(repaired, 10);  // most mutations leave something to repair
}
