#pragma once
// An OPEN scan or a start from a list is under way: a second OPEN and the
// lists' double-clicks wait for it. The player's first time report after a
// start lets go (from the media library's thread, through Flag()); after
// kBusyGuardMs without one the guard lets go in any case.
#include <QTimer>
#include <atomic>
#include <cstdint>

// The guard holds at most this long.
inline constexpr int kBusyGuardMs = 100000;

class BusyGuard {
 public:
  BusyGuard();
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

  // Busy from now until Release, the player's first time report or the timeout.
  void Hold();
  void Release() { m_flag.store(0); }
  bool IsHeld() const { return m_flag.load() != 0; }
  // The timeout of the last Hold is still to come.
  bool IsTimeoutArmed() const { return m_timeout.isActive(); }
  // The flag itself, for the player that lets go from its own thread.
  std::atomic<int32_t>& Flag() { return m_flag; }

 private:
  std::atomic<int32_t> m_flag{0};
  QTimer m_timeout;
};
