// libFuzzer main for one document reader, chosen by FUZZ_DOCUMENT (an index into
// fuzz_targets::kDocuments); built only with SYNTH_LIBFUZZER under clang.
#include "tests/fuzz/DocumentTargets.h"
#include "tests/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool silenced = (fuzz_targets::SilenceLog(), true);
  (void)silenced;
  if (!fuzz_targets::DocumentOne(fuzz_targets::kDocuments[FUZZ_DOCUMENT], data, size)) __builtin_trap();
  return 0;
}
