#pragma once
// Calls into the media library that must follow each other with a pause in
// between (stop, let the player settle, open the next file; play, show the
// first picture, pause) without freezing the window: the steps run in their
// order on the window thread, and a pause is a single-shot timer, so the
// window keeps painting and the player's reports keep arriving meanwhile.
//
// While steps are pending, work that must not slip in between them (the
// user's playback commands, list double-clicks, the end of a recording) can
// be held back with HoldWhileRunning; it runs in its order once the last step
// has run, as it would have after a pause that blocked the window.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <initializer_list>

class PlaybackSequence : public QObject {
  Q_OBJECT

 public:
  // A step answers false to drop the steps after it.
  using Step = std::function<bool()>;

  struct Item {
    Step step;                   // null for a pause
    int minMs = 0;               // a pause lasts at least this long
    int maxMs = 0;               // and at most this long
    std::function<bool()> done;  // ends the pause after minMs (null: at minMs)
    unsigned run = 0;            // which Run the item came from
  };

  static Item Do(Step step) { return Item{std::move(step), 0, 0, {}, 0}; }
  static Item Pause(int ms) { return Item{{}, ms, ms, {}, 0}; }
  // At least minMs, then until done() answers true or maxMs have passed.
  static Item PauseUntil(int minMs, int maxMs, std::function<bool()> done) {
    return Item{{}, minMs, maxMs, std::move(done), 0};
  }

  // alive() is asked before every step; once it answers false (the window has
  // closed) the pending steps and the held-back work are dropped.
  explicit PlaybackSequence(std::function<bool()> alive = {});
  ~PlaybackSequence() override;

  // Starts the items; when steps are still pending, they start after those.
  void Run(std::initializer_list<Item> items);
  bool IsRunning() const { return m_running; }
  // True (and `work` kept for later) while steps are pending; false when
  // nothing is pending, and the caller does the work itself at once.
  bool HoldWhileRunning(std::function<void()> work);
  // Drops the pending steps and the held-back work.
  void Cancel();

 private:
  void Advance();
  void OnTimer();
  void RunHeldWork();

  std::function<bool()> m_alive;
  std::deque<Item> m_items;
  std::deque<std::function<void()>> m_held;
  QTimer m_timer;
  QElapsedTimer m_pauseClock;
  unsigned m_runs = 0;
  bool m_running = false;
  bool m_advancing = false;
};
