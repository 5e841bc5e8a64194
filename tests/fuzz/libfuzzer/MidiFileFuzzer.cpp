// libFuzzer main for the Standard MIDI File reader (built only with SYNTH_LIBFUZZER under clang).
#include "tests/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzz_targets::MidiFileOne(data, size)) __builtin_trap();
  return 0;
}
