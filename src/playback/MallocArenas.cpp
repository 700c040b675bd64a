#include "playback/MallocArenas.h"

#include <malloc.h>

#include <array>
#include <cstdio>
#include <cstring>

namespace {

// malloc_info writes some 1.5 KiB of XML per arena.
constexpr std::size_t kInfoBytes = 64u * 1024u;

}  // namespace

void LimitMallocArenas() {
  // glibc gives a thread that finds the arenas busy one of its own, up to
  // eight per core, and every arena keeps partly used pages that trimming
  // cannot return. Each recording brings new decoder and input threads, so
  // while the viewer played on, more arenas came into use and its resident
  // memory kept growing long after the first minutes. The threads that
  // allocate much (the decoders) run one after another, so two arenas cost
  // little waiting.
  mallopt(M_ARENA_MAX, kMaxMallocArenas);
}

int MallocArenasInUse() {
  std::array<char, kInfoBytes> info{};
  FILE* stream = fmemopen(info.data(), info.size() - 1, "w");
  if (stream == nullptr) return -1;
  const bool written = malloc_info(0, stream) == 0;
  std::fclose(stream);
  if (!written) return -1;
  int arenas = 0;
  for (const char* at = info.data(); (at = std::strstr(at, "<heap nr=")) != nullptr; ++at) ++arenas;
  return arenas;
}
