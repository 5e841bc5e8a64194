#include "tools/factory/ReverbPresets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio/CReverb.h"
#include "data/CXMLParserFXParam.h"
#include "platform/Paths.h"
#include "tests/support/TestPaths.h"

namespace {

struct ReadParam {
  int nr;
  std::string name;
  float value;
};

class PresetReader : public CXMLParserFXParam {
 public:
  void OnFXPreset() override {}
  void OnParameter(int nr, const char* name, float value) override { params.push_back({nr, name, value}); }
  std::vector<ReadParam> params;
};

std::vector<ReadParam> ReadBack(const char* name) {
  PresetReader reader;
  const std::string path = platform::DataPath("/var/lib/ruv/working/effects/") + name + ".reverbfx";
  EXPECT_EQ(reader.ParseFile(path.c_str()), 0) << path;
  return reader.params;
}

// Seconds from an impulse until the wet output stays 60 dB under its loudest 10 ms window.
double TailSeconds(const std::vector<ReadParam>& params) {
  constexpr int kRate = 48000, kFrames = 128, kWindow = kRate / 100, kSeconds = 10;
  CReverb reverb;
  reverb.Reset(kRate);
  for (const ReadParam& p : params) reverb.SetParam(p.nr, p.value);
  reverb.SetParam(5, -96.0f);  // the dry path off: only the tail is measured
  reverb.SetBypass(0);
  std::vector<double> energy(kSeconds * kRate / kWindow, 0.0);
  float left[kFrames], right[kFrames];
  for (int n = 0; n < kSeconds * kRate; n += kFrames) {
    for (int i = 0; i < kFrames; ++i) left[i] = right[i] = n + i == 0 ? 1.0f : 0.0f;
    float* io[2] = {left, right};
    reverb.Process(io, io, kFrames, 1.0f);
    for (int i = 0; i < kFrames; ++i) energy[(n + i) / kWindow] += double(left[i]) * left[i] + double(right[i]) * right[i];
  }
  double peak = 0.0;
  for (double e : energy) peak = std::fmax(peak, e);
  std::size_t last = 0;
  for (std::size_t w = 0; w < energy.size(); ++w)
    if (energy[w] > peak * 1e-6) last = w;
  return double(last + 1) * kWindow / kRate;
}

TEST(ReverbPresets, EveryDocumentReadsBackAsWrittenAndEachTailIsAudiblyLongerThanTheLast) {
  testing_support::TempDataRoot root;
  ASSERT_TRUE(ReverbPresets::Write());
  double previous = 0.0;
  for (const ReverbPresets::Preset& preset : ReverbPresets::kPresets) {
    SCOPED_TRACE(preset.name);
    const std::vector<ReadParam> params = ReadBack(preset.name);
    ASSERT_EQ(params.size(), ReverbPresets::kValues);
    for (std::size_t i = 0; i < params.size(); ++i) {
      EXPECT_EQ(params[i].nr, int(i + 1));
      EXPECT_EQ(params[i].name, ReverbPresets::kValueNames[i]);
      EXPECT_NEAR(params[i].value, preset.values[i], 1e-4f);
    }
    const double tail = TailSeconds(params);
    // A quarter longer each: a difference a listener hears at once.
    EXPECT_GT(tail, previous * 1.25) << "after " << previous << " s";
    previous = tail;
  }
  EXPECT_GT(previous, 2.0) << previous;  // the long hall, which still ends within the measured time
  EXPECT_LT(previous, 9.0) << previous;
}

}  // namespace
