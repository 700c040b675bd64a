// Repairs that cannot be done: a clear reason, and nothing left behind in the
// destination, partial or temporary.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "repair/CutRepair.h"
#include "FaultSupport.h"
#include "RepairSupport.h"

namespace {

SynthOptions Cut(int minute, double at, const std::string& layout = {}) {
  return SmallCamera(minute, 4000, 10, layout, at);
}

// Every entry of a folder, hidden ones included.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  return names;
}

}  // namespace

TEST(RepairFaults, EachRefusalHasItsReasonAndLeavesNoFile) {
  FaultTree tree;
  tree.Folder("card");
  tree.Folder("out");
  WriteSynthRecording(tree / "card/ALONE001.MOV", Cut(1, 0.5));
  WriteSynthRecording(tree / "card/EARLY001.AVI", Cut(2, 0.02));  // inside the camera blocks before movi
  WriteSynthRecording(tree / "card/EARLY002.MOV", Cut(3, 0.004, "ftyp,idit,gpsa,gsea,gps0,gsen,mdat,moov"));
  WriteSynthRecording(tree / "card/FILE0001.AVI", Cut(4, 0.5));
  tree.Folder("good");
  WriteSynthRecording(tree / "good/GOOD0001.MOV", SmallCamera(5, 4000, 10));  // whole
  ::mkfifo((tree / "card/PIPE0001.AVI").c_str(), 0600);
  tree.Folder("card/DIR00001.MOV");
  std::ofstream(tree / "card/NULL0001.AVI").flush();
  const std::vector<uint8_t> before = FileBytes(tree / "card/FILE0001.AVI");

  struct Refusal {
    std::string file, reference, folder;
    std::string reason;     // as trk-probe prints it
    std::string says = {};  // in the detail
  };
  const std::vector<Refusal> refusals = {
      {"card/ALONE001.MOV", "", "out", "no reference"},
      {"card/ALONE001.MOV", tree / "card/FILE0001.AVI", "out", "no reference"},
      {"card/ALONE001.MOV", tree / "card/ALONE001.MOV", "out", "no reference"},
      {"card/EARLY001.AVI", "", "out", "nothing playable"},
      {"card/EARLY002.MOV", "", "out", "nothing playable"},
      {"card/FILE0001.AVI", "", "card", "destination is the recording's own folder"},
      {"good/GOOD0001.MOV", "", "out", "not cut", "whole"},
      {"good/GOOD0001.MOV", tree / "good/./GOOD0001.MOV", "out", "not cut", "whole"},
      {"card/PIPE0001.AVI", "", "out", "cannot read", "pipe"},
      {"card/DIR00001.MOV", "", "out", "cannot read", "folder"},
      {"card/NULL0001.AVI", "", "out", "nothing playable", "empty"},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.file);
    const RepairResult result = RepairCutRecording(tree / r.file, tree / r.folder, r.reference);
    EXPECT_EQ(RepairReason(result), r.reason) << result.detail;
    EXPECT_FALSE(result.detail.empty());
    EXPECT_NE(result.detail.find(r.says), std::string::npos) << result.detail;
    EXPECT_TRUE(result.output.empty());
    EXPECT_TRUE(Entries(tree / "out").empty());
  }

  // A file of that name in the destination is never replaced.
  std::ofstream(tree / "out/FILE0001.AVI") << "mine";
  const RepairResult exists = RepairCutRecording(tree / "card/FILE0001.AVI", tree / "out");
  EXPECT_EQ(exists.failure, RepairFailure::OutputExists);
  EXPECT_EQ(FileBytes(tree / "out/FILE0001.AVI"), std::vector<uint8_t>({'m', 'i', 'n', 'e'}));
  EXPECT_EQ(Entries(tree / "out").size(), 1u);
  EXPECT_EQ(FileBytes(tree / "card/FILE0001.AVI"), before);

  // A destination folder that is not there yet is made, as the exports make theirs.
  const RepairResult made = RepairCutRecording(tree / "card/FILE0001.AVI", tree / "new/copies");
  EXPECT_TRUE(made.Repaired()) << made.detail;
  EXPECT_TRUE(std::filesystem::is_regular_file(tree / "new/copies/FILE0001.AVI"));
}

TEST(RepairFaults, FullOrReadOnlyDestinationIsReportedWithNothingPartialLeft) {
  FaultTree tree;
  tree.Folder("card");
  WriteSynthRecording(tree / "card/FILE0001.AVI", Cut(4, 0.8));
  if (!tree.MountTmpfs("full", "size=16k") || !tree.MountTmpfs("readonly", "ro"))
    GTEST_SKIP() << "cannot mount small or read-only tmpfs here (needs root and mount rights)";
  struct Medium {
    const char* folder;
    int error;
  };
  for (const Medium& m : {Medium{"full", ENOSPC}, Medium{"readonly", EROFS}}) {
    SCOPED_TRACE(m.folder);
    const RepairResult r = RepairCutRecording(tree / "card/FILE0001.AVI", tree / m.folder);
    EXPECT_EQ(r.failure, RepairFailure::WriteFailed);
    EXPECT_EQ(r.error, m.error) << r.detail;
    EXPECT_TRUE(r.output.empty());
    EXPECT_TRUE(Entries(tree / m.folder).empty());
  }
}
