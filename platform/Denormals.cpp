#include "platform/Denormals.h"

#include <cstdint>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace platform {
namespace {

#if defined(__SSE2__)
constexpr unsigned kFlushBits = 0x8040;  // MXCSR FTZ | DAZ
unsigned ReadMode() { return _mm_getcsr(); }
void WriteMode(unsigned m) { _mm_setcsr(m); }
#elif defined(__arm__)
constexpr unsigned kFlushBits = 1u << 24;  // FPSCR.FZ
unsigned ReadMode() {
  unsigned r;
  asm volatile("vmrs %0, fpscr" : "=r"(r));
  return r;
}
void WriteMode(unsigned m) { asm volatile("vmsr fpscr, %0" : : "r"(m)); }
#elif defined(__aarch64__)
constexpr unsigned kFlushBits = 1u << 24;  // FPCR.FZ
unsigned ReadMode() {
  uint64_t r;
  asm volatile("mrs %0, fpcr" : "=r"(r));
  return static_cast<unsigned>(r);
}
void WriteMode(unsigned m) { asm volatile("msr fpcr, %0" : : "r"(static_cast<uint64_t>(m))); }
#else
constexpr unsigned kFlushBits = 0;
unsigned ReadMode() { return 0; }
void WriteMode(unsigned) {}
#endif

}  // namespace

void EnableFlushToZero() { WriteMode(ReadMode() | kFlushBits); }

bool FlushToZeroEnabled() { return kFlushBits != 0 && (ReadMode() & kFlushBits) == kFlushBits; }

ScopedFlushToZero::ScopedFlushToZero() : saved_(ReadMode()) { WriteMode(saved_ | kFlushBits); }

ScopedFlushToZero::~ScopedFlushToZero() { WriteMode(saved_); }

}  // namespace platform
