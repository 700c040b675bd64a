// The trk-probe and trk-synth command lines.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "Synth.h"
#include "TempFolder.h"

namespace {

struct Output {
  int status = -1;
  std::string text;
};

Output Shell(const std::string& command) {
  Output o;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return o;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) o.text.append(buf, n);
  const int status = ::pclose(pipe);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return o;
}

const std::string kProbe = std::string(TRK_BIN_DIR) + "/trk-probe";
const std::string kSynth = std::string(TRK_BIN_DIR) + "/trk-synth";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(ProbeTool, OneJsonLinePerFile) {
  TempFolder tmp;
  SynthOptions o;
  o.durationMs = 2000;
  o.width = 160;
  o.height = 120;
  const SynthReport avi = WriteSynthRecording(tmp / "A.AVI", o);
  o.layout = "ftyp,datetext,gpsa,gsea,gps0,gsen,mdat,moov";
  o.idit = SynthIdit::None;
  o.gpsClock = false;
  WriteSynthRecording(tmp / "B.MOV", o);
  std::filesystem::copy_file(tmp / "A.AVI", tmp / "c.avi");
  std::filesystem::copy_file(tmp / "A.AVI", tmp / "X\xff\"q.AVI");
  std::ofstream(tmp / "BAD.AVI") << "plain text";
  const Output out = Shell(kProbe + " '" + (tmp / "A.AVI") + "' '" + (tmp / "B.MOV") + "' '" + (tmp / "c.avi") + "' '" +
                           (tmp / "X\xff\"q.AVI") + "' '" + (tmp / "missing.MOV") + "' '" + (tmp / "BAD.AVI") + "'");
  ASSERT_EQ(out.status, 0);
  const auto lines = Lines(out.text);
  ASSERT_EQ(lines.size(), 6u) << out.text;
  EXPECT_NE(lines[0].find("\"container\":\"avi\",\"walks\":[\"ParseAvi\"]"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("\"result\":0"), std::string::npos);
  EXPECT_NE(lines[0].find("\"gpsSize\":" + std::to_string(avi.gpsSize) + ","), std::string::npos);
  EXPECT_NE(lines[0].find("\"width\":160,\"height\":120"), std::string::npos);
  for (const char* field : {"gpsOffset", "gpsSize", "gsensorOffset", "gsensorSize", "width", "height", "startTime",
                            "durationSeconds", "durationMs", "fileSize", "gpsaValue", "gseaValue"})
    EXPECT_EQ(Count(lines[0], std::string("\"") + field + "\":"), 1u) << field;
  EXPECT_NE(lines[1].find("\"walks\":[\"ParseMov\",\"ScanMov\"]"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("\"container\":\"avi\""), std::string::npos) << lines[2];  // any case
  EXPECT_NE(lines[2].find("\"result\":0"), std::string::npos);
  EXPECT_NE(lines[3].find("X\\u00ff\\\"q.AVI\""), std::string::npos) << lines[3];
  EXPECT_NE(lines[3].find("\"result\":0"), std::string::npos);
  EXPECT_NE(lines[4].find("\"error\":\"cannot open\""), std::string::npos) << lines[4];
  EXPECT_NE(lines[5].find("\"error\":\"not a RIFF file\""), std::string::npos) << lines[5];
}

TEST(ProbeTool, SamplesListEveryRecord) {
  TempFolder tmp;
  SynthOptions o;
  o.durationMs = 3000;
  o.width = 160;
  o.height = 120;
  o.gpsRate = 5;
  o.noFixRecords = 4;
  const SynthReport r = WriteSynthRecording(tmp / "S.MOV", o);
  const Output out = Shell(kProbe + " --samples '" + (tmp / "S.MOV") + "'");
  ASSERT_EQ(out.status, 0);
  EXPECT_EQ(Count(out.text, "\"valid\":"), r.gps.size());
  EXPECT_EQ(Count(out.text, "\"valid\":false"), 4u);
  EXPECT_EQ(Count(out.text, "\"lat\":"), r.gps.size() - 4);
  EXPECT_EQ(Count(out.text, "],["), r.gsensor.size() - 1);
  EXPECT_NE(out.text.find("\"gpsRate\":5,\"gsensorRate\":10,\"gsensorRange\":8"), std::string::npos);
}

TEST(ProbeTool, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Shell(kProbe + " 2>/dev/null").status, 2);
  EXPECT_EQ(Shell(kProbe + " --samples 2>/dev/null").status, 2);
  EXPECT_EQ(Shell(kProbe + " --bogus x.AVI 2>/dev/null").status, 2);
  EXPECT_EQ(Shell(kProbe + " /nonexistent/only.AVI").status, 0);  // unreadable files are data, not usage
  EXPECT_EQ(Shell(kSynth + " 2>/dev/null").status, 2);
  EXPECT_EQ(Shell(kSynth + " file X.AVI --idit nope 2>/dev/null").status, 2);
  TempFolder tmp;
  const Output made = Shell(kSynth + " file '" + (tmp / "T.AVI") + "' --duration 1 --size 160x120 --gps-rate 2");
  EXPECT_EQ(made.status, 0);
  EXPECT_NE(Shell(kProbe + " '" + (tmp / "T.AVI") + "'").text.find("\"gpsaValue\":2"), std::string::npos);
}
