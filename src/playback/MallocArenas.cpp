#include "playback/MallocArenas.h"

#include <malloc.h>

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
