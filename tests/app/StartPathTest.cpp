#include <gtest/gtest.h>

#include "app/StartPath.h"

TEST(StartPath, PathsAndFileUrisOfThisMachineBecomeBytes) {
  const std::pair<const char*, const char*> rows[] = {
      // argument, local path (null: none)
      {"card/n\xff/", "card/n\xff/"},
      {"file:///media/n%FF/", "/media/n\xff/"},
      {"FILE://LocalHost/tmp/a%20b/", "/tmp/a b/"},
      {"file:/tmp/%e6%97%a5%2523", "/tmp/\xe6\x97\xa5%23"},
      {"file:///tmp/100%/x%4", "/tmp/100%/x%4"},
      {"file:///tmp/a%23b?x=1#frag", "/tmp/a#b"},
      {"file://otherhost/tmp/a", nullptr},
      {"file://localhostx/tmp/a", nullptr},
      {"file://localhost", nullptr},
      {"file:relative", nullptr},
      {"file:///tmp/a%00b", nullptr},
      {"https://example.org/a.AVI", nullptr},
  };
  for (const auto& [argument, local] : rows) {
    std::string path = "stale";
    EXPECT_EQ(LocalPathOfArgument(argument, path), local != nullptr) << argument;
    EXPECT_EQ(path, local ? local : "") << argument;
  }
}
