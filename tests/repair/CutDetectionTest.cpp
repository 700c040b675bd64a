// The scan lists the recordings cut off by power loss beside the recordings,
// which stay as the readers take them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>

#include "library/RecordingLibrary.h"
#include "RepairSupport.h"
#include "TempFolder.h"

namespace {

SynthOptions Small(int minute, const std::string& layout = {}, double cutAt = 0) {
  return SmallCamera(minute, 2000, 5, layout, cutAt);
}

// Sets the "has an index" flag of the main AVI header (RIFF 12 + LIST hdrl 12
// + avih header 8 bytes, then the flags at 12).
void ClaimIndex(const std::string& path) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(12 + 12 + 8 + 12);
  const char flags[4] = {0x10, 0, 0, 0};
  f.write(flags, 4);
}

struct Case {
  const char* name;
  SynthOptions options;
  const char* reason;  // nullptr: not cut
  bool recording;      // still taken by the reader's walk
};

}  // namespace

TEST(CutDetection, CutFilesAreListedWithTheirReasonAndRecordingsStayAsTheReadersTakeThem) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  const std::vector<Case> cases = {
      {"CUT0001.AVI", Small(1, {}, 0.6), "movi list runs past the end of the file", false},
      {"CUT0002.AVI", Small(2, {}, 0.999), "RIFF size runs past the end of the file", true},
      {"NOIDX001.AVI", Small(3, "hdrl,gpsa,gsea,gps0,gsen,movi"), nullptr, true},
      {"LOSTIDX1.AVI", Small(4, "hdrl,gpsa,gsea,gps0,gsen,movi"), "index missing", true},
      {"WHOLE001.AVI", Small(5), nullptr, true},
      {"CUT0003.MOV", Small(6, {}, 0.6), "mdat without moov", true},
      {"CUT0004.MOV", Small(7, "ftyp,moov,idit,gpsa,gsea,gps0,gsen,mdat", 0.6), "mdat runs past the end of the file",
       true},
      {"ZERO0001.MOV", Small(8, "ftyp,idit,gpsa,gsea,gps0,gsen,moov,mdat0"), nullptr, true},
      {"WHOLE002.MOV", Small(9), nullptr, true},
  };
  TempFolder tmp;
  std::map<std::string, std::string> expectedCut;
  std::vector<std::string> expectedRecordings;
  for (const Case& c : cases) {
    WriteSynthRecording(tmp / c.name, c.options);
    if (std::string(c.name) == "LOSTIDX1.AVI") ClaimIndex(tmp / c.name);
    if (c.reason) expectedCut[tmp / c.name] = c.reason;
    if (c.recording) expectedRecordings.push_back(c.name);
  }

  RecordingLibrary library;
  ASSERT_EQ(library.OpenRecordings(tmp.Path()), 1);
  std::map<std::string, std::string> cut;
  for (const CutRecording& c : library.CutRecordings()) {
    cut[c.path] = c.reason;
    struct stat st {};
    ASSERT_EQ(::stat(c.path.c_str(), &st), 0);
    EXPECT_EQ(c.size, static_cast<uint64_t>(st.st_size)) << c.path;
  }
  EXPECT_EQ(cut, expectedCut);
  std::vector<std::string> names;
  for (const RecordingInfo& r : library.Recordings()) names.push_back(r.name);
  std::sort(names.begin(), names.end());
  std::sort(expectedRecordings.begin(), expectedRecordings.end());
  EXPECT_EQ(names, expectedRecordings);

  // trk-probe --library shows the same list.
  const std::string json = ShellOutput(std::string(TRK_BIN_DIR) + "/trk-probe --library '" + tmp.Path() + "'");
  const std::size_t at = json.find("\"cut\":[");
  ASSERT_NE(at, std::string::npos) << json;
  for (const auto& [path, reason] : expectedCut) {
    EXPECT_NE(json.find("{\"path\":\"" + path + "\",", at), std::string::npos) << path;
    EXPECT_NE(json.find("\"reason\":\"" + reason + "\"", at), std::string::npos) << reason;
  }

  // A new scan forgets the cut files of the last.
  ASSERT_EQ(library.OpenRecordings(tmp / "missing"), 0);
  EXPECT_TRUE(library.CutRecordings().empty());
}

TEST(CutDetection, SynthCardWithCutAddsOneCutAviAndOneCutMovAndTheDemoCardHasNone) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  TempFolder tmp;
  SynthCardOptions o;
  o.cheapVideo = true;
  o.withCut = true;
  const auto files = WriteSynthCard(tmp / "card", o);
  std::vector<std::string> cutFiles;
  for (const SynthCardFile& f : files)
    if (f.cut) cutFiles.push_back(f.relativePath);
  ASSERT_EQ(cutFiles.size(), 2u);
  RecordingLibrary library;
  library.OpenRecordings(tmp / "card");
  ASSERT_EQ(library.CutRecordings().size(), 2u);
  EXPECT_TRUE(library.CutRecordings()[0].path.ends_with(".AVI") != library.CutRecordings()[1].path.ends_with(".AVI"));

  o.withCut = false;
  WriteSynthCard(tmp / "demo", o);
  library.OpenRecordings(tmp / "demo");
  EXPECT_TRUE(library.CutRecordings().empty());
}
