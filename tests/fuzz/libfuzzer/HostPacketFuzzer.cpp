// libFuzzer main for the host link's receiving side (built only with SYNTH_LIBFUZZER under clang).
#include "tests/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool silenced = (fuzz_targets::SilenceLog(), true);
  (void)silenced;
  if (!fuzz_targets::HostPacketOne(data, size)) __builtin_trap();
  return 0;
}
