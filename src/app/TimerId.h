#pragma once
// The main window's timers, by the ids its timer handler knows them by.
enum class TimerId : int {
  Marquee = 102,  // 300 ms: repeats of the speed marquee after a start
  Seek = 103,     // 500 ms, for the window's life: applies a pending seek
};
