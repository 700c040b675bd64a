// What listing a card costs in opens, counted by the preloaded io-count
// library around trk-probe --library, and what a card opened again reads.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "RunCommand.h"
#include "TempFolder.h"

namespace {

struct Probed {
  std::string out;
  int status = -1;
  unsigned long long opens = 0;
};

class CardIo : public ::testing::Test {
 protected:
  void SetUp() override {
    int status = -1;
    Shell(Bin("trk-synth") + " card " + card + " --recordings 3 --cheap >/dev/null", status);
    ASSERT_EQ(status, 0);
    // A drive of its own with a moment of every kind, so that its events count.
    Shell(Bin("trk-synth") + " file " + card + "/DRIVE.AVI --start '2025-01-02 10:00:00' --size 160x96 --fps 2" +
              " --duration 60 --impact-at 12 --brake-at 30 --turn-at 45:left >/dev/null",
          status);
    ASSERT_EQ(status, 0);
  }
  static std::string Bin(const char* name) { return std::string(TRK_BIN_DIR) + "/" + name; }
  Probed Probe(const std::string& args, const std::string& env = "") {
    Probed p;
    const std::string report = work / "report";
    p.out =
        Shell("env XDG_CACHE_HOME=" + work.Path() + " LD_PRELOAD=" TRK_IO_COUNT_LIB " TRK_IO_ROOT=" + card +
                  " TRK_IO_REPORT=" + report + " " + env + " " + Bin("trk-probe") + " --library " + card + " " + args,
              p.status);
    std::ifstream in(report);
    std::string word;
    in >> word >> p.opens;
    return p;
  }
  TempFolder work;
  std::string card = work / "card";
};

// On FAT the walk opens each file for its attributes; the listing reads
// through that descriptor: one open per recording, and the same listing.
TEST_F(CardIo, AFatCardCostsOneOpenPerRecording) {
  const Probed plain = Probe("--no-index --no-events");
  const Probed fat = Probe("--no-index --no-events", "TRK_IO_FAT=1");
  ASSERT_EQ(fat.status, 0);
  EXPECT_EQ(fat.out, plain.out);
  EXPECT_NE(fat.out.find("\"scanCount\":4,"), std::string::npos) << fat.out;
  EXPECT_EQ(fat.opens, 4u);
}

// Opened again, the card is listed with its events without opening a file;
// a recording changed on disk is read again, events and all.
TEST_F(CardIo, ACardOpenedAgainTakesItsEventsFromTheIndex) {
  const Probed fresh = Probe("--no-index");
  EXPECT_NE(fresh.out.find("\"harshBraking\":1,\"harshAcceleration\":0,\"harshTurnLeft\":1,"), std::string::npos)
      << fresh.out;
  const Probed first = Probe("");
  const Probed again = Probe("");
  ASSERT_EQ(again.status, 0);
  EXPECT_EQ(first.out, fresh.out);
  EXPECT_EQ(again.out, fresh.out);
  EXPECT_EQ(again.opens, 0u);

  int status = -1;
  Shell(Bin("trk-synth") + " file " + card + "/DRIVE.AVI --start '2025-01-02 10:00:00' --size 160x96 --fps 2" +
            " --duration 60 --accelerate-at 20 >/dev/null",
        status);
  const Probed changed = Probe("");
  EXPECT_EQ(changed.out, Probe("--no-index").out);
  EXPECT_NE(changed.out.find("\"harshBraking\":0,\"harshAcceleration\":1,"), std::string::npos) << changed.out;
  EXPECT_EQ(changed.opens, 2u);  // its listing, then its samples
}

}  // namespace
