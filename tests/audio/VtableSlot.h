#pragma once
// The vtable slot a pointer to a virtual member function names, or -1 for a non-virtual
// one: for classes whose virtual operations must keep a fixed order.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vtable_test {

// The ARM C++ ABI keeps the virtual flag in the adjustment word, the generic Itanium ABI in
// the low bit of the offset.
template <typename F>
std::ptrdiff_t SlotOf(F f) {
  struct {
    std::uintptr_t ptr;
    std::ptrdiff_t adj;
  } rep;
  static_assert(sizeof(F) == sizeof rep);
  std::memcpy(&rep, &f, sizeof rep);
#if defined(__arm__) || defined(__aarch64__)
  if (!(rep.adj & 1)) return -1;
  return static_cast<std::ptrdiff_t>(rep.ptr / sizeof(void*));
#else
  if (!(rep.ptr & 1)) return -1;
  return static_cast<std::ptrdiff_t>((rep.ptr - 1) / sizeof(void*));
#endif
}

}  // namespace vtable_test
