#pragma once
// The main window's timers, by the ids its timer handler knows them by.
enum class TimerId : int {
  Marquee = 102,       // 300 ms: repeats of the speed marquee after a start
  Seek = 103,          // 500 ms, for the window's life: applies a pending seek
  DelayedStart = 105,  // 100 ms, for the window's life: the start after OPEN
  BusyGuard = 106,     // 100 000 ms, once: releases g_busy
};

// The busy guard of OPEN and of a list's start holds at most this long.
inline constexpr int kBusyGuardMs = 100000;
