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

#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

#if defined(SYNTH_TARGET_EMULATED)
inline constexpr bool kTargetEmulated = true;
inline constexpr const char* kTargetEmulator = SYNTH_TARGET_EMULATOR;
#else
inline constexpr bool kTargetEmulated = false;
inline constexpr const char* kTargetEmulator = "";
#endif

// A program of this build started by a test is a target program too: without a binfmt
// handler the host cannot execute it, so under emulation it starts through the emulator.
// The words that start `program` (for posix_spawn: the first is the file to run).
inline std::vector<std::string> TargetArgv(const std::string& program) {
  std::vector<std::string> words;
  std::istringstream emulator(kTargetEmulator);
  for (std::string word; emulator >> word;) words.push_back(word);
  words.push_back(program);
  return words;
}

// The same as the start of a shell command line.
inline std::string TargetCommand(const std::string& program) {
  std::string command;
  for (const auto& word : TargetArgv(program)) command += (command.empty() ? "" : " ") + word;
  return command;
}

}  // namespace testing_support

// Use at the top of a test body or a fixture's SetUp.
#define SKIP_WHEN_EMULATED(reason)                                          \
  do {                                                                      \
    if (::testing_support::kTargetEmulated) {                               \
      GTEST_SKIP() << "not run under emulation of the target: " << (reason); \
    }                                                                       \
  } while (false)
