#pragma once
// Sample images and a preset folder for the load and store tests and the benchmark.
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"

namespace app_fixtures {

// A mono 16-bit sine of `frames` frames.
inline std::unique_ptr<SampleFile> Sine(int frames, float hz) {
  auto s = std::make_unique<SampleFile>();
  s->SetSampleRate(48000);
  s->SetBitDepth(16);
  s->Resize(1, frames);
  for (int i = 0; i < frames; ++i) s->Channel(0)[i] = 0.5f * std::sin(6.2831853f * hz * static_cast<float>(i) / 48000.0f);
  return s;
}

// A RIFF/WAVE image of one sine.
inline std::vector<uint8_t> WaveImage(int frames, float hz) {
  std::vector<uint8_t> out;
  Sine(frames, hz)->EncodeWave(out);
  return out;
}

// An "MSWF" container of `items` sines, one key range each.
inline std::vector<uint8_t> MultiImage(int items, int frames) {
  MultiWaveReader set;
  for (int i = 0; i < items; ++i) {
    set.AddItem(Sine(frames, 110.0f * static_cast<float>(i + 1)));
    MswfRegion r;
    r.sampleIndex = static_cast<uint32_t>(i);
    r.lowKey = static_cast<uint8_t>(i * 12);
    r.highKey = static_cast<uint8_t>(i * 12 + 11);
    set.Regions().push_back(r);
  }
  std::vector<uint8_t> out;
  set.CreateStream(out, 1);
  return out;
}

}  // namespace app_fixtures
