#pragma once
// Owner of one reference to a libvlc object (instance, player, media). The
// release function comes from the run-time function table, so the owner
// carries it along. The pointer is atomic because the media library's event
// thread reads the player while the window thread may replace it.
#include <atomic>

template <typename T>
class VlcRef {
 public:
  using ReleaseFunction = void (*)(T*);

  VlcRef() = default;
  ~VlcRef() { Reset(); }
  VlcRef(const VlcRef&) = delete;
  VlcRef& operator=(const VlcRef&) = delete;

  // Takes ownership of object (may be null) and releases the one held before.
  void Reset(T* object = nullptr, ReleaseFunction release = nullptr) {
    T* old = m_object.exchange(object, std::memory_order_acq_rel);
    ReleaseFunction oldRelease = m_release;
    m_release = object != nullptr ? release : nullptr;
    if (old != nullptr && oldRelease != nullptr) oldRelease(old);
  }

  T* Get() const { return m_object.load(std::memory_order_acquire); }
  explicit operator bool() const { return Get() != nullptr; }

 private:
  std::atomic<T*> m_object{nullptr};
  ReleaseFunction m_release = nullptr;
};
