// trk-synth's harsh moments read back by trk-probe --events and --library.
#include <gtest/gtest.h>
#include <string>

#include "RunCommand.h"
#include "TempFolder.h"

TEST(EventProbe, EveryMomentOfASynthesizedFileIsOneJsonLine) {
  TempFolder tmp;
  const std::string bin = TRK_BIN_DIR;
  int status = -1;
  Shell("mkdir -p " + tmp / "card", status);
  Shell(bin + "/trk-synth file " + tmp / "card/FILE0001.AVI" +
            " --size 160x96 --fps 2 --duration 110 --impact-at 12 --brake-at 30 --accelerate-at 55"
            " --turn-at 75:left --turn-at 92 >/dev/null",
        status);
  ASSERT_EQ(status, 0);
  const std::string events = Shell(bin + "/trk-probe --events " + tmp / "card/FILE0001.AVI", status);
  EXPECT_EQ(status, 0);
  const char* expected[] = {"{\"type\":\"impact\"", "{\"type\":\"harshBraking\"", "{\"type\":\"harshAcceleration\"",
                            "{\"type\":\"harshTurnLeft\"", "{\"type\":\"harshTurnRight\""};
  std::size_t at = 0;
  for (const char* line : expected) {
    at = events.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " in " << events;
  }
  EXPECT_EQ(std::count(events.begin(), events.end(), '\n'), 5);
  EXPECT_NE(events.find("\"offsetMs\":30000,\"wallClock\":"), std::string::npos) << events;
  EXPECT_NE(events.find("\"speedAfterKmh\":0,"), std::string::npos) << events;

  const std::string library = Shell(bin + "/trk-probe --library " + tmp / "card", status);
  EXPECT_NE(library.find("\"events\":{\"harshBraking\":1,\"harshAcceleration\":1,\"harshTurnLeft\":1,"
                         "\"harshTurnRight\":1,\"impact\":1}"),
            std::string::npos)
      << library;
  EXPECT_EQ(Shell(bin + "/trk-probe --events " + tmp / "card" + " --sensitivity loud 2>/dev/null", status), "");
  EXPECT_EQ(status, 2);
}
