// engine-render as a user runs it: a script in, a WAV out, measured with sox and by counting
// zero crossings.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "data/SampleFile.h"
#include "tests/support/Emulation.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"

namespace {

#ifdef SYNTH_ENGINE_RENDER
using testing_support::RunCommand;

const char kSinePatch[] =
    "0 param 1 16 0 1\n"
    "0 param 1 536 0 1\n"
    "0 param 1 17 0 100\n"
    "0 param 1 16 1 3\n"
    "0 param 1 773 0 0\n"
    "0 param 1 771 0 100\n"
    "0 param 1 1026 0 0.005\n"
    "0 param 1 1028 0 100\n"
    "0 param 1 1029 0 0.05\n"
    "0 route 1 0 1 21 1.0 1\n";

std::string WriteScript(const testing_support::TempDataRoot& dir, const std::string& text) {
  const std::string path = dir.Root() + "/script.txt";
  std::ofstream(path) << text;
  return path;
}

TEST(EngineRenderTool, WritesTheNotesAsAFloatWave) {
  testing_support::TempDataRoot dir;
  const std::string script = WriteScript(dir, std::string(kSinePatch) +
                                                   "0.4 on 1 69 0.9  # a note\n"
                                                   "1.4 off 1 69\n"
                                                   "2.0 end\n");
  const std::string wav = dir.Root() + "/out.wav";
  ASSERT_EQ(RunCommand(testing_support::TargetCommand(SYNTH_ENGINE_RENDER) + " " + script + " " + wav).status, 0);
  const std::string info = RunCommand("sox --i " + wav + " 2>&1").text;
  EXPECT_NE(info.find("Channels       : 2\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Sample Rate    : 48000\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Sample Encoding: 32-bit Floating Point PCM\n"), std::string::npos) << info;

  SampleFile f;
  ASSERT_TRUE(f.Load(wav));
  ASSERT_EQ(f.Frames(), 750 * 128);  // 2.0 s in whole periods
  const float* left = f.Channel(0);
  auto crossings = [&](double from, double to) {
    int n = 0;
    for (int i = static_cast<int>(from * 48000) + 1; i < static_cast<int>(to * 48000); ++i)
      n += left[i - 1] < 0.0f && left[i] >= 0.0f ? 1 : 0;
    return n / (to - from);
  };
  auto peak = [&](double from, double to) {
    float p = 0.0f;
    for (int i = static_cast<int>(from * 48000); i < static_cast<int>(to * 48000); ++i) p = std::max(p, std::abs(left[i]));
    return p;
  };
  // The voice's tuning puts note 69 at 219.5 Hz.
  EXPECT_NEAR(crossings(0.6, 1.3), 219.5, 2.0);
  EXPECT_GT(peak(0.6, 1.3), 0.3f);
  EXPECT_EQ(peak(0.0, 0.39), 0.0f);
  EXPECT_LT(peak(1.7, 2.0), 1e-4f);
}

TEST(EngineRenderTool, RefusesBadScriptsWithTheLine) {
  struct Case {
    const char* script;
    const char* message;
  };
  const Case cases[] = {
      {"0 on 4 60 1\n1 end\n", "line 1: part must be 0..3"},
      {"0 on 0 128 1\n1 end\n", "line 1: note must be 0..127"},
      {"0 on 0 60 1.5\n1 end\n", "line 1: velocity must be 0..1"},
      {"# c\n0 hum 0\n1 end\n", "line 2: unknown command \"hum\""},
      {"0 off 0\n1 end\n", "line 1: off takes 2 arguments"},
      {"1 on 0 60 1\n0.5 off 0 60\n2 end\n", "line 2: times must not go backwards"},
      {"0 on 0 60 1\n", "line 1: the script has no end"},
      {"0 param 0 5000 0 1\n1 end\n", "line 1: parameter number must be 0..4095 and instance 0..15"},
      {"0 route 0 0 1e20 21 1 1\n1 end\n",
       "line 1: route slot, source, destination and mode must be -1..255, 0..255, 0..255, 0..255"},
      {"0 on 0 60 1\n1e9 end\n", "line 2: times must be 0..3600 seconds"},
  };
  testing_support::TempDataRoot dir;
  for (const Case& c : cases) {
    const std::string script = WriteScript(dir, c.script);
    const auto r = RunCommand(testing_support::TargetCommand(SYNTH_ENGINE_RENDER) + " " + script + " " + dir.Root() + "/x.wav 2>&1");
    EXPECT_EQ(r.status, 1) << c.script;
    EXPECT_EQ(r.text, std::string("engine-render: ") + c.message + "\n") << c.script;
  }
}
#else
TEST(EngineRenderTool, NotBuiltHere) { GTEST_SKIP() << "the offline renderer is not part of this build"; }
#endif

}  // namespace
