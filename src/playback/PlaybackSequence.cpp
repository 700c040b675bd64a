#include "playback/PlaybackSequence.h"

#include <algorithm>

namespace {
// How often a pause that waits for a condition looks at it.
constexpr int kPollMs = 10;
}  // namespace

PlaybackSequence::PlaybackSequence(std::function<bool()> alive) : m_alive(std::move(alive)) {
  m_timer.setSingleShot(true);
  // A pause lasts at least its time (a coarse timer may end 5 % early).
  m_timer.setTimerType(Qt::PreciseTimer);
  connect(&m_timer, &QTimer::timeout, this, &PlaybackSequence::OnTimer);
}

PlaybackSequence::~PlaybackSequence() = default;

void PlaybackSequence::Run(std::initializer_list<Item> items) {
  const unsigned run = ++m_runs;
  for (const Item& item : items) {
    m_items.push_back(item);
    m_items.back().run = run;
  }
  if (m_items.empty()) return;
  m_running = true;
  // Steps still pending go first; their pause's timer carries on from there.
  if (!m_timer.isActive()) Advance();
}

bool PlaybackSequence::HoldWhileRunning(std::function<void()> work) {
  if (!m_running) return false;
  m_held.push_back(std::move(work));
  return true;
}

void PlaybackSequence::Cancel() {
  m_timer.stop();
  m_items.clear();
  m_held.clear();
  m_running = false;
}

void PlaybackSequence::Advance() {
  // A step that starts further steps only queues them; this loop runs them.
  if (m_advancing) return;
  m_advancing = true;
  while (!m_items.empty()) {
    if (m_alive && !m_alive()) {
      Cancel();
      break;
    }
    Item& front = m_items.front();
    if (!front.step) {
      m_pauseClock.start();
      m_timer.start(std::max(0, front.minMs));
      m_advancing = false;
      return;
    }
    const Step step = std::move(front.step);
    const unsigned run = front.run;
    m_items.pop_front();
    if (!step()) {
      // The rest of this run is not wanted; runs queued behind it still are.
      while (!m_items.empty() && m_items.front().run == run) m_items.pop_front();
    }
  }
  m_advancing = false;
  m_running = false;
  RunHeldWork();
}

void PlaybackSequence::OnTimer() {
  if (m_items.empty()) return;
  const Item& pause = m_items.front();
  const qint64 elapsed = m_pauseClock.elapsed();
  if (pause.done && elapsed < pause.maxMs && !pause.done()) {
    m_timer.start(static_cast<int>(std::min<qint64>(kPollMs, pause.maxMs - elapsed)));
    return;
  }
  m_items.pop_front();
  Advance();
}

void PlaybackSequence::RunHeldWork() {
  // Held work may start steps of its own: what is held after it waits again.
  while (!m_running && !m_held.empty()) {
    std::function<void()> work = std::move(m_held.front());
    m_held.pop_front();
    if (m_alive && !m_alive()) {
      m_held.clear();
      return;
    }
    work();
  }
}
