#pragma once
// A clip made on a thread of its own, so that the window stays responsive:
// the window polls how far it has come and takes the result at the end.
// Destroying a job that is still working cancels it and waits for it.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "clip/ClipTypes.h"

class ClipWorker {
 public:
  using Maker = std::function<ClipResult(const ClipProgress& progress)>;
  explicit ClipWorker(Maker maker);
  ~ClipWorker();
  ClipWorker(const ClipWorker&) = delete;
  ClipWorker& operator=(const ClipWorker&) = delete;

  // Asks the maker to stop at its next progress report.
  void Cancel() { m_cancelled = true; }
  bool Cancelled() const { return m_cancelled; }
  bool Finished() const { return m_finished; }
  // The share done (0..1) and the stage last reported.
  double Done() const { return m_done; }
  std::string Stage() const;
  // The maker's result once Finished() (the thread is taken back first).
  ClipResult TakeResult();

 private:
  std::atomic<bool> m_cancelled{false};
  std::atomic<bool> m_finished{false};
  std::atomic<double> m_done{0.0};
  mutable std::mutex m_mutex;  // guards m_stage and m_result
  std::string m_stage;
  ClipResult m_result;
  std::thread m_thread;  // last: started once everything above exists
};
