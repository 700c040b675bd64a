#include <gtest/gtest.h>

#include <string>

#include "StartPath.h"

TEST(StartPath, PathsAndFileUrisOfThisMachineBecomeBytes) {
  const struct {
    const char* argument;
    bool local;
    std::string path;
  } rows[] = {
      {"/media/n\xff/", true, "/media/n\xff/"},
      {"card/REC0001.AVI", true, "card/REC0001.AVI"},
      {"file:///media/n%FF/", true, "/media/n\xff/"},
      {"FILE://LocalHost/tmp/a%20b/", true, "/tmp/a b/"},
      {"file:/tmp/%e6%97%a5%2523", true, "/tmp/\xe6\x97\xa5%23"},
      {"file:///tmp/100%/x%4", true, "/tmp/100%/x%4"},
      {"file:///tmp/a%23b#frag", true, "/tmp/a#b"},
      {"file:///tmp/q?x=1", true, "/tmp/q"},
      {"file://otherhost/tmp/a", false, ""},
      {"file://localhostx/tmp/a", false, ""},
      {"file://localhost", false, ""},
      {"file:relative", false, ""},
      {"file:///tmp/a%00b", false, ""},
      {"https://example.org/a.AVI", false, ""},
  };
  for (const auto& row : rows) {
    std::string path = "stale";
    EXPECT_EQ(LocalPathOfArgument(row.argument, path), row.local) << row.argument;
    EXPECT_EQ(path, row.path) << row.argument;
  }
}
