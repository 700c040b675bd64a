#include <gtest/gtest.h>

#include <barrier>
#include <thread>
#include <vector>

#include "playback/MallocArenas.h"

// Threads allocating at once share the capped arenas, as recording after
// recording's decoder threads must (in a process of its own: arenas stay).
#ifndef __SANITIZE_ADDRESS__  // whose allocator has no arenas
TEST(MallocArenasDeathTest, BusyThreadsShareTheCappedArenas) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto arenasAfterSixteenThreads = [] {
    LimitMallocArenas();
    std::barrier all(16);
    std::vector<std::jthread> threads;
    const auto allocateAndWait = [&all] {
      const std::vector<char> held(65536);
      all.arrive_and_wait();
    };
    for (int i = 0; i < 16; ++i) threads.emplace_back(allocateAndWait);
    threads.clear();
    return MallocArenasInUse();
  };
  EXPECT_EXIT(std::exit(arenasAfterSixteenThreads()), testing::ExitedWithCode(kMaxMallocArenas), "");
}
#endif
