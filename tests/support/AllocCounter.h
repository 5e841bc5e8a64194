#pragma once
// Counts heap allocations made through operator new / malloc-backed new on threads that
// armed the counter. Real-time tests arm it on the render thread and expect zero.
#include <cstddef>

namespace testing_support {

// Arms counting on the calling thread until Disarm.
void ArmAllocCounter();
void DisarmAllocCounter();
// Allocations counted on armed threads since the last reset.
std::size_t AllocCount();
void ResetAllocCount();

// Arms the calling thread for a scope and reports how many allocations it saw.
class AllocGuard {
 public:
  AllocGuard() {
    ResetAllocCount();
    ArmAllocCounter();
  }
  ~AllocGuard() { DisarmAllocCounter(); }
  std::size_t Count() const { return AllocCount(); }
  AllocGuard(const AllocGuard&) = delete;
  AllocGuard& operator=(const AllocGuard&) = delete;
};

}  // namespace testing_support
