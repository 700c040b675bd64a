// Threads that allocate at once share the capped malloc arenas instead of
// taking new ones, as each recording's decoder threads did.
#include <gtest/gtest.h>
#include <malloc.h>

#include <barrier>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "playback/MallocArenas.h"

namespace {

// The arenas in use, as glibc lists them: one <heap nr=...> each.
int ArenaCount() {
  char* text = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&text, &size);
  if (stream == nullptr) return -1;
  malloc_info(0, stream);
  std::fclose(stream);
  int count = 0;
  for (std::string_view rest(text, size); rest.find("<heap nr=") != std::string_view::npos; ++count)
    rest.remove_prefix(rest.find("<heap nr=") + 1);
  std::free(text);
  return count;
}

// Sixteen threads that hold an allocation each until all of them have one.
int ArenasAfterBusyThreads() {
  constexpr int kThreads = 16;
  std::barrier all(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&all] {
      std::vector<char> block(64 * 1024, 1);
      all.arrive_and_wait();
    });
  for (std::thread& thread : threads) thread.join();
  return ArenaCount();
}

}  // namespace

TEST(MallocArenasDeathTest, BusyThreadsShareTheCappedArenas) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator has no glibc arenas";
#endif
  // A process of its own: arenas made by earlier tests would stay.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        LimitMallocArenas();
        std::exit(ArenasAfterBusyThreads());
      },
      testing::ExitedWithCode(kMaxMallocArenas), "");
}
