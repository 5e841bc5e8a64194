#pragma once
// The devices and links the start-up hands the application core after constructing it. The
// components share one copy and read it without a lock. Each link is published with release
// and read with acquire: the host link comes and goes with its client on the host thread, and
// whatever is handed over while the audio, MIDI or "CAN-RX" threads run is seen whole.
#include <atomic>

class CAudioProcess;
class CCANDev;
class CMidiDev;
class HostUIManager;
class PedalPort;

template <typename T>
class PublishedLink {
 public:
  PublishedLink() = default;
  PublishedLink(const PublishedLink&) = delete;
  PublishedLink& operator=(const PublishedLink&) = delete;
  PublishedLink& operator=(T* p) {
    ptr_.store(p, std::memory_order_release);
    return *this;
  }
  T* get() const { return ptr_.load(std::memory_order_acquire); }
  operator T*() const { return get(); }
  T* operator->() const { return get(); }

 private:
  std::atomic<T*> ptr_{nullptr};
};

struct AppLinks {
  PublishedLink<CAudioProcess> audio;
  PublishedLink<CCANDev> can;
  PublishedLink<HostUIManager> host;
  PublishedLink<CMidiDev> midi;
  PublishedLink<PedalPort> pedal;
};
