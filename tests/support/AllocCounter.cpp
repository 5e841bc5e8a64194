#include "tests/support/AllocCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace testing_support {
namespace {
thread_local bool t_armed = false;
std::atomic<std::size_t> g_count{0};

void Note() {
  if (t_armed) g_count.fetch_add(1, std::memory_order_relaxed);
}

void* Allocate(std::size_t n, std::size_t align) {
  Note();
  if (n == 0) n = 1;
  void* p = nullptr;
  if (align > alignof(std::max_align_t)) {
    n = (n + align - 1) / align * align;
    p = std::aligned_alloc(align, n);
  } else {
    p = std::malloc(n);
  }
  if (!p) throw std::bad_alloc();
  return p;
}
}  // namespace

void ArmAllocCounter() { t_armed = true; }
void DisarmAllocCounter() { t_armed = false; }
std::size_t AllocCount() { return g_count.load(std::memory_order_relaxed); }
void ResetAllocCount() { g_count.store(0, std::memory_order_relaxed); }

}  // namespace testing_support

using testing_support::Allocate;

void* operator new(std::size_t n) { return Allocate(n, 0); }
void* operator new[](std::size_t n) { return Allocate(n, 0); }
void* operator new(std::size_t n, std::align_val_t a) { return Allocate(n, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return Allocate(n, static_cast<std::size_t>(a)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try { return Allocate(n, 0); } catch (...) { return nullptr; }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  try { return Allocate(n, 0); } catch (...) { return nullptr; }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
