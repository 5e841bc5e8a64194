#pragma once
// The armhf build runs its tests under user-mode emulation (qemu-arm). A test that needs
// something emulation cannot give (a device stand-in across processes, the host's Python,
// wall-clock timing) skips itself there with the reason, so the summary shows it as
// skipped rather than passed:
//
//   SKIP_WHEN_EMULATED("measures the audio thread's period against the wall clock");
//
// Everything else (engine/, the DSP of audio/, data/) runs on the target as on the host.
#include <gtest/gtest.h>

namespace testing_support {

#if defined(SYNTH_TARGET_EMULATED)
inline constexpr bool kTargetEmulated = true;
#else
inline constexpr bool kTargetEmulated = false;
#endif

}  // namespace testing_support

// Use at the top of a test body or a fixture's SetUp.
#define SKIP_WHEN_EMULATED(reason)                                          \
  do {                                                                      \
    if (::testing_support::kTargetEmulated) {                               \
      GTEST_SKIP() << "not run under emulation of the target: " << (reason); \
    }                                                                       \
  } while (false)
