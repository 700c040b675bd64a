#include "app/ClipWorker.h"

#include <exception>
#include <utility>

ClipWorker::ClipWorker(Maker maker)
    : m_thread([this, maker = std::move(maker)] {
        ClipResult result;
        // An exception must not end the program from this thread.
        try {
          result = maker([this](double done, const std::string& stage) {
            m_done = done;
            {
              const std::lock_guard<std::mutex> lock(m_mutex);
              m_stage = stage;
            }
            return !m_cancelled.load();
          });
        } catch (const std::exception& e) {
          result.failure = ClipFailure::WriteFailed;
          result.detail = e.what();
        }
        {
          const std::lock_guard<std::mutex> lock(m_mutex);
          m_result = std::move(result);
        }
        m_finished = true;
      }) {}

ClipWorker::~ClipWorker() {
  m_cancelled = true;
  if (m_thread.joinable()) m_thread.join();
}

std::string ClipWorker::Stage() const {
  const std::lock_guard<std::mutex> lock(m_mutex);
  return m_stage;
}

ClipResult ClipWorker::TakeResult() {
  if (m_thread.joinable()) m_thread.join();
  const std::lock_guard<std::mutex> lock(m_mutex);
  return std::move(m_result);
}
