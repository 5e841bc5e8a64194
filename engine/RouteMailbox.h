#pragma once
// Matrix route changes posted by any thread and installed by the thread that renders the
// voice between blocks: installing a route clears destination buffers the render reads.
// Each route slot keeps only its latest change; clearing every route drops the changes
// posted before it.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/ModulationMatrix.h"
#include "platform/PiMutex.h"

class RouteMailbox {
 public:
  // Any thread; slot 0..23 (others are the caller's to refuse).
  void PostConnect(int32_t slot, int32_t source, int32_t destination, float amount, int32_t mode) {
    Lock lock(mutex_);
    connect_[slot] = {true, source, destination, amount, mode};
    amount_[slot].pending = false;
    pending_.store(true, std::memory_order_release);
  }
  void PostAmount(int32_t slot, float amount) {
    Lock lock(mutex_);
    amount_[slot] = {true, amount};
    pending_.store(true, std::memory_order_release);
  }
  void PostClearAll() {
    Lock lock(mutex_);
    for (Connect& c : connect_) c.pending = false;
    for (Amount& a : amount_) a.pending = false;
    clearAll_ = true;
    pending_.store(true, std::memory_order_release);
  }

  // Owner thread: the clear first, then the routes, then the amounts. True when every route
  // was cleared.
  bool TakeAll(ModulationMatrix& matrix) {
    // Most blocks have nothing to take and need not touch the lock.
    if (!pending_.load(std::memory_order_acquire)) return false;
    Lock lock(mutex_);
    const bool cleared = clearAll_;
    if (cleared) matrix.Connect(ModulationMatrix::kClearSlot, 0, 0, 0.0f, 0);
    for (int32_t s = 0; s < ModulationMatrix::kRoutes; ++s) {
      Connect& c = connect_[s];
      if (c.pending) matrix.Connect(s, c.source, c.destination, c.amount, c.mode);
      c.pending = false;
    }
    for (int32_t s = 0; s < ModulationMatrix::kRoutes; ++s) {
      if (amount_[s].pending) matrix.SetAmount(s, amount_[s].amount);
      amount_[s].pending = false;
    }
    clearAll_ = false;
    pending_.store(false, std::memory_order_relaxed);
    return cleared;
  }

  bool Pending() const { return pending_.load(std::memory_order_acquire); }

 private:
  struct Connect {
    bool pending;
    int32_t source;
    int32_t destination;
    float amount;
    int32_t mode;
  };
  struct Amount {
    bool pending;
    float amount;
  };
  using Lock = std::lock_guard<platform::PiMutex>;
  mutable platform::PiMutex mutex_;  // held only to copy a few words
  Connect connect_[ModulationMatrix::kRoutes] = {};
  Amount amount_[ModulationMatrix::kRoutes] = {};
  bool clearAll_ = false;
  std::atomic<bool> pending_{false};
};
