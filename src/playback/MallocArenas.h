#pragma once
// How many malloc arenas the process's threads share.

// The most arenas the viewer's threads allocate in.
inline constexpr int kMaxMallocArenas = 2;

// Caps the arenas at kMaxMallocArenas. Call first thing in main, before any
// thread starts: an arena made before stays.
void LimitMallocArenas();

// The arenas made so far, as the C library lists them (-1 when it cannot
// say). An arena is never given back, so this only grows.
int MallocArenasInUse();
