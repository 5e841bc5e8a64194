#include "engine/VoiceSlot.h"

#include <sched.h>

#include <algorithm>
#include <cmath>

#include "platform/ProfilingBuffer.h"
#include "numeric/FftProcessor.h"
#include "numeric/MathTables.h"
#include "platform/LogSink.h"
#include "platform/Simd4.h"

namespace {

using B = VoiceBuffers;

constexpr float kMinCutoffHz = 50.0f;
constexpr int32_t kRetriggerSample = 12;  // the oscillators' phase restarts land here too

// Profiling marks around each render step (stage = step number), only while the process-wide
// switch is on.
class StageMarks {
 public:
  StageMarks(int32_t slot) : on_(ProfilingBuffer::Enabled()), slot_(static_cast<uint16_t>(slot)) {
    if (on_) cpu_ = static_cast<uint8_t>(sched_getcpu());
  }
  void Begin(uint16_t stage) const {
    if (on_) ProfilingBuffer::Write(1, cpu_, stage, 0, slot_);
  }
  void End(uint16_t stage) const {
    if (on_) ProfilingBuffer::Write(2, cpu_, stage, 0, slot_);
  }

 private:
  bool on_;
  uint8_t cpu_ = 0;
  uint16_t slot_;
};

void Fill(float* p, int32_t n, float v) { std::fill_n(p, n, v); }

}  // namespace

VoiceSlot::VoiceSlot(int32_t index) : index_(index) {}

void VoiceSlot::SetOutputs(float* left, float* right) {
  outLeft_ = left;
  outRight_ = right;
}

bool VoiceSlot::PostEvent(const Event& e) {
  Lock lock(mutex_);
  if (count_.load(std::memory_order_relaxed) >= kRingCapacity) return false;
  ring_[writeIndex_] = e;
  count_.fetch_add(1, std::memory_order_release);
  if (++writeIndex_ >= kRingCapacity) writeIndex_ = 0;
  return true;
}

void VoiceSlot::ClearEvents() {
  Lock lock(mutex_);
  count_.store(0, std::memory_order_relaxed);
  readIndex_.store(writeIndex_, std::memory_order_relaxed);
}

bool VoiceSlot::TakeEvent(Event* e) {
  // Only this thread takes entries out, so an empty ring seen here stays empty enough: a
  // block without events does not touch the lock.
  if (count_.load(std::memory_order_acquire) < 1) return false;
  Lock lock(mutex_);
  if (count_.load(std::memory_order_relaxed) < 1) return false;
  int32_t r = readIndex_.load(std::memory_order_relaxed);
  *e = ring_[r];
  count_.fetch_sub(1, std::memory_order_relaxed);
  if (++r >= kRingCapacity) r = 0;
  readIndex_.store(r, std::memory_order_relaxed);
  return true;
}

void VoiceSlot::Bind(const BankVoices* bank) {
  SynthVoice* voice = bank ? bank->voices[index_] : nullptr;
  if (voice != voice_.load(std::memory_order_relaxed)) {
    if (voice) {
      voice->noise().SetDisplay(&status_.noise);
      // A clear taken while the voice was not playing here has nothing to glide from.
      voice->TakeRoutesCleared();
    }
    lastGain_[0] = lastGain_[1] = 0.0f;
  }
  // Voice before bank: a thread that sees the bank also sees its voice.
  voice_.store(voice, std::memory_order_release);
  bank_.store(voice ? bank : nullptr, std::memory_order_release);
}

void VoiceSlot::ProcessEvents(FftProcessor& fft) {
  if (SynthVoice* v = BoundVoice()) v->ApplyParams();
  if (releaseDue_) {
    releaseDue_ = false;
    if (SynthVoice* v = BoundVoice()) v->Release();
  }
  bool started = false;  // a note attacked in this block
  Event e;
  for (int32_t n = 0; n < kEventsPerBlock && TakeEvent(&e); ++n) {
    if (e.kind == kStop || e.kind == kRelease) {
      // A note that ends in the block it started in (a trigger-length gate) would release
      // before its attack rendered a sample: it sounds for this block and releases at the
      // start of the next, whatever that block's events are, so it cannot hang.
      if (started) {
        releaseDue_ = true;
        continue;
      }
      if (SynthVoice* v = BoundVoice()) v->Release();
      startVelocity_ = 0.0f;
    } else if (e.kind == kStart) {
      // A later start takes the slot over: the note it replaces needs no release.
      releaseDue_ = false;
      started = false;
      Bind(e.bank);
      SynthVoice* v = BoundVoice();
      if (!v) continue;
      started = e.velocity > 0.0f;
      v->ApplyParams();
      v->Trigger(e.note, e.velocity, e.offset);
      startVelocity_ = e.velocity;
      for (int32_t s = 0; s < SynthVoice::kOscillators; ++s)
        if (v->settings().osc[s].type == SynthVoice::kResonator) v->resonatorOsc(s).Start();
    }
  }
  SynthVoice* v = BoundVoice();
  if (!v) return;
  const SpectralWaveOsc* twin = nullptr;  // the voice's wavetable oscillator built before
  for (int32_t s = 0; s < SynthVoice::kOscillators; ++s) {
    const int32_t type = v->settings().osc[s].type;
    if (type == SynthVoice::kWavetable) {
      v->wavetableOsc(s).BuildTable(fft, twin);
      twin = &v->wavetableOsc(s);
    } else if (type == SynthVoice::kAlgorithmic) {
      v->algorithmicOsc(s).BuildTable(fft);
    }
  }
  ++blocks_;
  status_.blocks.store(blocks_, std::memory_order_relaxed);
}

void VoiceSlot::Render() {
  SynthVoice* voice = BoundVoice();
  if (!voice || voice->frames() <= 0) return;
  SynthVoice& v = *voice;
  const StageMarks marks(index_);
  float cutoff[2];
  float frequency[2];
  VoiceBuffers& b = v.buffers();
  const int32_t insert = v.settings().shaperInsert;

  marks.Begin(1); ApplyPedal(v); marks.End(1);
  marks.Begin(2); v.AdvanceGlide(); marks.End(2);
  marks.Begin(3); RenderLfos(v); marks.End(3);
  marks.Begin(4); RenderEnvelopes(v); marks.End(4);
  marks.Begin(5); RenderNoise(v); marks.End(5);
  marks.Begin(6); ResetModulation(v); marks.End(6);
  marks.Begin(7); v.matrix().Process(); marks.End(7);
  marks.Begin(8); ComputeCutoffs(v, cutoff); marks.End(8);
  marks.Begin(9);
  for (int32_t s = 0; s < SynthVoice::kOscillators; ++s) {
    const SynthVoice::OscSettings& o = v.settings().osc[s];
    frequency[s] = o.bendEnable ? o.current * v.bendFactor() : o.current;
  }
  marks.End(9);
  marks.Begin(10); RenderOscillators(v, frequency); marks.End(10);
  marks.Begin(11);
  if (insert == 1) Shape(v, b.Get(B::kOsc1Left), b.Get(B::kOsc1Right));
  else if (insert == 2) Shape(v, b.Get(B::kOsc2Left), b.Get(B::kOsc2Right));
  marks.End(11);
  marks.Begin(12);
  if (noisePlayed_) Mix<true>(v);
  else Mix<false>(v);
  marks.End(12);
  marks.Begin(13);
  if (insert == 3) Shape(v, b.Get(B::kFilterAInLeft), b.Get(B::kFilterAInRight));
  marks.End(13);
  marks.Begin(14);
  for (int32_t c = 0; c < SynthVoice::kFilters; ++c) {
    const B::Buffer in = c == 0 ? B::kFilterAInLeft : B::kFilterBInLeft;
    const B::Buffer out = c == 0 ? B::kFilterAOutLeft : B::kFilterBOutLeft;
    v.filter(c).Process(b.Get(in), b.Get(static_cast<B::Buffer>(in + 1)), b.Get(out),
                        b.Get(static_cast<B::Buffer>(out + 1)), cutoff[c], v.settings().filter[c].resonance);
  }
  marks.End(14);
  marks.Begin(15);
  if (v.frames() == ScopeCapture::kHalf) {
    status_.scope[VoiceStatus::kFilterALeft].Process(b.Get(B::kFilterAOutLeft));
    status_.scope[VoiceStatus::kFilterARight].Process(b.Get(B::kFilterAOutRight));
    status_.scope[VoiceStatus::kFilterBLeft].Process(b.Get(B::kFilterBOutLeft));
    status_.scope[VoiceStatus::kFilterBRight].Process(b.Get(B::kFilterBOutRight));
  }
  marks.End(15);
  marks.Begin(16); Amplify(v, v.TakeRoutesCleared()); marks.End(16);
  marks.Begin(17); UpdateDisplay(v, cutoff, frequency); marks.End(17);
  v.UpdateFinished();
}

void VoiceSlot::ApplyPedal(SynthVoice& v) {
  const bool down = pedalSwitch_.load(std::memory_order_relaxed) != 0;
  for (int32_t i = 0; i < SynthVoice::kEnvelopes; ++i) {
    EnvGen& e = v.envelope(i);
    if (e.state() != EnvGen::kIdle && e.state() != EnvGen::kHeld) continue;
    const int32_t mode = v.settings().pedalMode[i];
    if (mode == 1) e.SetHold(down);
    else if (mode == 2) e.SetUseRelease2(down);
  }
}

void VoiceSlot::RenderLfos(SynthVoice& v) {
  VoiceBuffers& b = v.buffers();
  B::Controls& c = b.controls;
  const int32_t n = v.frames();
  float* out[2] = {b.Get(B::kLfo1), b.Get(B::kLfo2)};
  const float* rate = v.settings().lfoRate;
  for (int32_t i = 0; i < 2; ++i) {
    const int32_t source = i == 0 ? SynthVoice::kSrcLfo1 : SynthVoice::kSrcLfo2;
    const float g = v.lfoFade(i).Process() * c.lfoAm[i];
    float* p = out[i];
    // An LFO that no route reads, or one at no amplitude (its depth set by a controller at 0,
    // or still in its delay), only moves on. Unread, only its last value is kept, for the
    // display; silent, its buffer holds zeros and its routes add nothing from it. A route
    // installed between blocks zeroes the buffer (its depth is kept), and the LFO renders
    // again from that block.
    const bool silent = g == 0.0f;
    if (!v.matrix().Reads(source)) {
      v.lfo(i).Advance(c.lfoFm[i], rate[i], &p[n - 1]);
      p[n - 1] *= g;
    } else if (silent) {
      v.lfo(i).Advance(c.lfoFm[i], rate[i]);
      Fill(p, n, 0.0f);
    } else {
      v.lfo(i).Process(p, c.lfoFm[i], rate[i]);
      for (int32_t k = 0; k < n; ++k) p[k] *= g;
    }
    v.matrix().SetSilent(source, silent);
  }
  v.lfo(2).Process(&c.lfo3, c.lfoFm[2], rate[2]);
  c.lfo3 *= v.lfoFade(2).Process() * c.lfoAm[2];
}

void VoiceSlot::RenderEnvelopes(SynthVoice& v) {
  VoiceBuffers& b = v.buffers();
  float* out[4] = {b.Get(B::kEnv1), b.Get(B::kEnv2), b.Get(B::kEnv3), b.Get(B::kEnv4)};
  const int32_t n = v.frames();
  // The envelopes do not read each other, so each runs through its samples in turn; the
  // block is split where a note's first block triggers them again.
  const int32_t split = startVelocity_ > 0.0f && n >= kRetriggerSample ? kRetriggerSample : 0;
  for (int32_t e = 0; e < SynthVoice::kEnvelopes; ++e) {
    EnvGen& env = v.envelope(e);
    float* o = out[e];
    env.ProcessBlock(o, split);
  }
  // The oscillators restart their phases at this sample of a note's first block; the
  // envelopes start again with them so the attack lines up with the restarted wave.
  if (split > 0) {
    for (int32_t e = 0; e < SynthVoice::kEnvelopes; ++e) v.envelope(e).Trigger(startVelocity_);
    startVelocity_ = 0.0f;
  }
  for (int32_t e = 0; e < SynthVoice::kEnvelopes; ++e) {
    EnvGen& env = v.envelope(e);
    float* o = out[e];
    env.ProcessBlock(o + split, n - split);
  }
}

void VoiceSlot::RenderNoise(SynthVoice& v) {
  VoiceBuffers& b = v.buffers();
  noisePlayed_ =
      v.noise().Render(b.Get(B::kNoiseLeft), b.Get(B::kNoiseRight), b.Get(B::kNoiseFm), b.controls.noiseFmAmount);
}

void VoiceSlot::ResetModulation(SynthVoice& v) {
  VoiceBuffers& b = v.buffers();
  const int32_t n = v.frames();
  // The matrix starts a routed destination from 0 in every block and leaves the others
  // alone, so an unrouted one keeps its rest value once filled. Only whole buffers are ever
  // written into an unrouted destination (this fill, the matrix's clearing when routes
  // change, the buffers' reset), so its first value tells whether it is at rest.
  struct Rest {
    B::Buffer buffer;
    int32_t destination;
    float value;
  };
  static constexpr Rest kRests[] = {
      {B::kOsc1Am, SynthVoice::kDstOsc1Am, 1.0f}, {B::kOsc2Am, SynthVoice::kDstOsc2Am, 1.0f},
      {B::kVca1Am, SynthVoice::kDstVca1Am, 1.0f}, {B::kVca2Am, SynthVoice::kDstVca2Am, 1.0f},
      {B::kShaperCm, SynthVoice::kDstShaperCm, 0.0f}, {B::kShaperPgm, SynthVoice::kDstShaperPgm, 0.0f},
  };
  for (const Rest& r : kRests) {
    float* p = b.Get(r.buffer);
    if (!v.matrix().Routed(r.destination) && p[0] != r.value) Fill(p, n, r.value);
  }
  B::Controls& c = b.controls;
  for (B::OscControls& o : c.osc) o.fmAmount = o.amAmount = o.bmAmount = 1.0f;
  for (float& a : c.lfoAm) a = 1.0f;
  c.noiseFmAmount = 1.0f;
  v.LoadBlockSources();
}

void VoiceSlot::ComputeCutoffs(SynthVoice& v, float cutoff[2]) {
  const B::Controls& c = v.buffers().controls;
  for (int32_t x = 0; x < SynthVoice::kFilters; ++x) {
    const SynthVoice::FilterSettings& f = v.settings().filter[x];
    const float base = (c.filterMod[x] * 10.0f + 1.0f) * f.cutoff;
    const float env = c.filterEnv[x];
    float hz;
    if (!f.exponential) {
      const float e = env * f.envAmount * 150.0f;
      hz = base + e * std::fabs(e);
    } else {
      hz = env > 0.0f ? base * lookupPow2(env * f.envAmount * 10.0f) : base;
    }
    hz *= f.keyFactor;
    // Also catches NaN: a filter must never see an undefined cutoff.
    cutoff[x] = hz >= kMinCutoffHz ? hz : kMinCutoffHz;
  }
}

void VoiceSlot::RenderOscillators(SynthVoice& v, float frequency[2]) {
  VoiceBuffers& b = v.buffers();
  const B::Controls& c = b.controls;
  const int32_t n = v.frames();
  for (int32_t s = 0; s < SynthVoice::kOscillators; ++s) {
    const int32_t base = s == 0 ? B::kOsc1Fm : B::kOsc2Fm;
    float* fm = b.Get(static_cast<B::Buffer>(base + 0));
    float* pm = b.Get(static_cast<B::Buffer>(base + 2));
    float* bm = b.Get(static_cast<B::Buffer>(base + 3));
    float* left = b.Get(static_cast<B::Buffer>(base + 4));
    float* right = b.Get(static_cast<B::Buffer>(base + 5));
    const SynthVoice::OscSettings& o = v.settings().osc[s];
    const float fmAmount = c.osc[s].fmAmount * o.fmFactor;
    switch (o.type) {
      case SynthVoice::kAlgorithmic:
        v.algorithmicOsc(s).OscDetune(left, right, fm, fmAmount, frequency[s], pm);
        break;
      case SynthVoice::kResonator:
        v.resonatorOsc(s).Process(left, right, frequency[s]);
        break;
      case SynthVoice::kWavetable:
        v.wavetableOsc(s).Render(left, right, fm, fmAmount, frequency[s], c.osc[s].bmAmount, pm, bm);
        break;
      default:
        Fill(left, n, 0.0f);
        Fill(right, n, 0.0f);
        break;
    }
  }
}

void VoiceSlot::Shape(SynthVoice& v, float* left, float* right) {
  VoiceBuffers& b = v.buffers();
  v.shaper().Process(left, right, b.Get(B::kShaperCm), b.Get(B::kShaperPgm), v.settings().shaperCurve,
                     v.settings().shaperDensity);
  if (v.frames() == ScopeCapture::kHalf) {
    status_.scope[VoiceStatus::kShaperLeft].Process(left);
    status_.scope[VoiceStatus::kShaperRight].Process(right);
  }
}

template <bool kNoise>
void VoiceSlot::Mix(SynthVoice& v) {
  VoiceBuffers& b = v.buffers();
  const B::Controls& c = b.controls;
  const SynthVoice::Settings& s = v.settings();
  const int32_t n = v.frames();

  // Oscillator and noise gains into channels A and B.
  float a1 = 0.0f, b1 = 0.0f, a2 = 0.0f, b2 = 0.0f;
  if (s.route[0] == 2) {
    const float x = s.crossfade + c.xfade;
    if (x < 0.0f) a2 = s.level[1];
    else if (x > 1.0f) a1 = s.level[0];
    else {
      a1 = x * s.level[0];
      a2 = (1.0f - x) * s.level[1];
    }
  } else {
    (s.route[0] == 0 ? a1 : b1) = s.level[0];
    (s.route[1] != 0 ? a2 : b2) = s.level[1];
  }
  const float nb = s.noiseBalance;
  const float noiseA = nb < 0.0f ? 1.0f : 1.0f - nb;
  const float noiseB = nb < 0.0f ? 1.0f + nb : 1.0f;
  const float driveA = s.filter[0].drive;
  const float driveB = s.filter[1].drive;

  using namespace v4;
  const f4 off1 = Set1(s.osc[0].amOffset), off2 = Set1(s.osc[1].amOffset);
  const f4 am1 = Set1(c.osc[0].amAmount * 0.5f), am2 = Set1(c.osc[1].amAmount * 0.5f);
  const f4 ga1 = Set1(a1 * driveA), gb1 = Set1(b1 * driveB), ga2 = Set1(a2 * driveA), gb2 = Set1(b2 * driveB);
  const f4 gna = Set1(noiseA * driveA), gnb = Set1(noiseB * driveB);
  float* o1[2] = {b.Get(B::kOsc1Left), b.Get(B::kOsc1Right)};
  float* o2[2] = {b.Get(B::kOsc2Left), b.Get(B::kOsc2Right)};
  const float* noise[2] = {b.Get(B::kNoiseLeft), b.Get(B::kNoiseRight)};
  float* inA[2] = {b.Get(B::kFilterAInLeft), b.Get(B::kFilterAInRight)};
  float* inB[2] = {b.Get(B::kFilterBInLeft), b.Get(B::kFilterBInRight)};
  const float* osc1Am = b.Get(B::kOsc1Am);
  const float* osc2Am = b.Get(B::kOsc2Am);
  for (int32_t i = 0; i < n; i += 4) {
    const f4 g1 = MulAdd(off1, Load(osc1Am + i), am1);
    const f4 g2 = MulAdd(off2, Load(osc2Am + i), am2);
    for (int32_t ch = 0; ch < 2; ++ch) {
      const f4 x1 = Mul(Load(o1[ch] + i), g1);
      const f4 x2 = Mul(Load(o2[ch] + i), g2);
      Store(o1[ch] + i, x1);
      Store(o2[ch] + i, x2);
      f4 sumA = Add(Mul(x1, ga1), Mul(x2, ga2));
      f4 sumB = Add(Mul(x1, gb1), Mul(x2, gb2));
      // Silent noise would add only zeros.
      if constexpr (kNoise) {
        const f4 nz = Load(noise[ch] + i);
        sumA = Add(sumA, Mul(nz, gna));
        sumB = Add(sumB, Mul(nz, gnb));
      }
      Store(inA[ch] + i, sumA);
      Store(inB[ch] + i, sumB);
    }
  }
}

void VoiceSlot::Amplify(SynthVoice& v, bool routesCleared) {
  if (!outLeft_ || !outRight_) return;
  VoiceBuffers& b = v.buffers();
  const int32_t n = v.frames();
  const float* gainIn[2][2] = {{b.Get(B::kVca1Am), b.Get(B::kVca1Env)}, {b.Get(B::kVca2Am), b.Get(B::kVca2Env)}};
  auto gainAt = [&](int32_t amp, int32_t i) { return (0.5f * gainIn[amp][0][i] + 0.5f) * gainIn[amp][1][i]; };
  if (routesCleared) {
    // Clearing every route (a preset load does so on the live bank) takes the amplifiers'
    // routes at once: glide from where they stood to where they now are over this block
    // rather than step there.
    const float* a[2] = {b.Get(B::kFilterAOutLeft), b.Get(B::kFilterAOutRight)};
    const float* bb[2] = {b.Get(B::kFilterBOutLeft), b.Get(B::kFilterBOutRight)};
    float* out[2] = {outLeft_, outRight_};
    for (int32_t i = 0; i < n; ++i) {
      const float w = static_cast<float>(i + 1) / static_cast<float>(n);
      const float k1 = lastGain_[0] + (gainAt(0, i) - lastGain_[0]) * w;
      const float k2 = lastGain_[1] + (gainAt(1, i) - lastGain_[1]) * w;
      for (int32_t ch = 0; ch < 2; ++ch) out[ch][i] = k2 * bb[ch][i] + k1 * a[ch][i];
    }
    lastGain_[0] = gainAt(0, n - 1);
    lastGain_[1] = gainAt(1, n - 1);
    return;
  }
  lastGain_[0] = gainAt(0, n - 1);
  lastGain_[1] = gainAt(1, n - 1);
  using namespace v4;
  const f4 half = Set1(0.5f);
  const float* am1 = b.Get(B::kVca1Am);
  const float* am2 = b.Get(B::kVca2Am);
  const float* env1 = b.Get(B::kVca1Env);
  const float* env2 = b.Get(B::kVca2Env);
  const float* a[2] = {b.Get(B::kFilterAOutLeft), b.Get(B::kFilterAOutRight)};
  const float* bb[2] = {b.Get(B::kFilterBOutLeft), b.Get(B::kFilterBOutRight)};
  float* out[2] = {outLeft_, outRight_};
  for (int32_t i = 0; i < n; i += 4) {
    const f4 k1 = Mul(MulAdd(half, Load(am1 + i), half), Load(env1 + i));
    const f4 k2 = Mul(MulAdd(half, Load(am2 + i), half), Load(env2 + i));
    for (int32_t ch = 0; ch < 2; ++ch)
      Store(out[ch] + i, Add(Mul(k2, Load(bb[ch] + i)), Mul(k1, Load(a[ch] + i))));
  }
}

void VoiceSlot::UpdateDisplay(SynthVoice& v, const float cutoff[2], const float frequency[2]) {
  const auto relaxed = std::memory_order_relaxed;
  VoiceBuffers& b = v.buffers();
  const int32_t n = v.frames();
  for (int32_t i = 0; i < SynthVoice::kEnvelopes; ++i) {
    status_.envelope[i].state.store(v.envelope(i).state(), relaxed);
    status_.envelope[i].level.store(static_cast<float>(v.envelope(i).level()), relaxed);
    status_.envelope[i].release2.store(v.envelope(i).usesRelease2() ? 1 : 0, relaxed);
  }
  const float lastLfo[3] = {b.Get(B::kLfo1)[n - 1], b.Get(B::kLfo2)[n - 1], b.controls.lfo3};
  for (int32_t i = 0; i < SynthVoice::kLfos; ++i) {
    float phase = static_cast<float>(v.lfo(i).phase() / 4194303u) / 1024.0f;
    if (v.lfo(i).type() == VoiceLfo::kRampUp) phase = 1.0f - phase;
    status_.lfo[i].output.store(lastLfo[i], relaxed);
    status_.lfo[i].phase.store(phase, relaxed);
  }
  for (int32_t s = 0; s < SynthVoice::kOscillators; ++s) {
    VoiceStatus::Oscillator& d = status_.oscillator[s];
    d.frequency.store(frequency[s], relaxed);
    const int32_t type = v.settings().osc[s].type;
    if (type == SynthVoice::kWavetable) {
      d.position.store(v.wavetableOsc(s).SmoothedPosition(), relaxed);
      d.table.store(v.wavetableOsc(s).DisplayTable(), relaxed);
      d.length.store(v.wavetableOsc(s).DisplayLength(), relaxed);
    } else if (type == SynthVoice::kAlgorithmic) {
      d.table.store(v.algorithmicOsc(s).DisplayTable(), relaxed);
      d.length.store(v.algorithmicOsc(s).DisplayLength(), relaxed);
    } else {
      d.table.store(nullptr, relaxed);
      d.length.store(0, relaxed);
    }
  }
  status_.shaperCurve.store(v.settings().shaperCurve + b.Get(B::kShaperCm)[0], relaxed);
  status_.shaperDensity.store(v.settings().shaperDensity + b.Get(B::kShaperPgm)[0], relaxed);
  for (int32_t x = 0; x < SynthVoice::kFilters; ++x) {
    status_.filter[x].cutoff.store(cutoff[x], relaxed);
    status_.filter[x].base.store(v.settings().filter[x].cutoff, relaxed);
  }
  for (int32_t r = 0; r < ModulationMatrix::kRoutes; ++r) status_.route[r].store(v.matrix().GetRouteValue(r), relaxed);
}

void VoiceSlot::Kill() {
  releaseDue_ = false;
  if (SynthVoice* v = BoundVoice()) v->Reset(true);
}

bool VoiceSlot::IsFinished() const {
  const SynthVoice* v = BoundVoice();
  return !v || v->IsFinished();
}

void VoiceSlot::SetBend(int32_t part, float octaves) {
  const BankVoices* bank = BoundBank();
  if (!bank || bank->part != part) return;
  // The engine thread may unbind the slot (voice first, then bank) between the two loads.
  if (SynthVoice* v = BoundVoice()) v->SetBend(octaves);
}

void VoiceSlot::ReleaseIfPart(int32_t part) {
  const BankVoices* bank = BoundBank();
  // The release reaches the voice through the ring, on the thread that renders it.
  if (bank && bank->part == part) PostEvent(Event{kRelease, nullptr, 0, 0.0f, 0.0f});
}

void VoiceSlot::SetPolyAftertouch(int32_t part, float value) {
  const BankVoices* bank = BoundBank();
  if (!bank || bank->part != part) return;
  platform::LogPrintf("VOICE[%d] : aftertouch %f", index_, static_cast<double>(value));
  if (SynthVoice* v = BoundVoice()) v->SetPolyAftertouch(value);
}

void VoiceSlot::OnClock(uint32_t tick, float bpm) {
  if (SynthVoice* v = BoundVoice()) v->OnClock(tick, bpm);
}
