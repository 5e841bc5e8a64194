#pragma once
// The one interface through which the audio process drives every sound source and
// processor (synth engine adapter, drum player, effects engines). The virtual operations
// are declared in their fixed slot order; every default does nothing or returns zero.
#include <cstddef>
#include <cstdint>

class SampleFile;       // decoded sample (data/)
class MultiWaveReader;  // sample set (data/)
class WaveTable;        // wavetable (data/)

// Log callback handed to every init; implementers keep it.
using EngineLogFn = void (*)(unsigned short, char*);

struct tagPluginAttr {
  int32_t instance;  // 0 synth engine, 2 drum player, 3..6 effects engines of parts A..D
  int32_t frames;    // frames per period (128)
  int32_t rate;      // sample rate in Hz (48000)
};

enum EngineEventType : int32_t {
  kEventNone = 0,
  kEventNoteOn = 2,
  kEventNoteOff = 3,
  kEventControlChange = 4,
  kEventPitchBend = 5,
  kEventPolyPressure = 6,
  kEventProgramChange = 7,
  kEventChannelPressure = 8,
  kEventClock = 9,
  kEventStart = 10,
  kEventContinue = 11,
  kEventStop = 12,
};

struct EngineEvent {
  int32_t type;  // EngineEventType
  uint8_t part;  // 0-3 synth parts A-D, 9 drum player (low byte of a 32-bit field)
  uint8_t partPad[3];
  union {
    uint8_t note;     // note or controller number
    float value;      // pitch bend in octaves; channel pressure 0..127
    int16_t program;  // program number
  } first;
  float second;  // velocity 0..1, controller value, poly-pressure value
};
static_assert(sizeof(EngineEvent) == 16, "EngineEvent is four 32-bit words");
static_assert(offsetof(EngineEvent, type) == 0);
static_assert(offsetof(EngineEvent, part) == 4);
static_assert(offsetof(EngineEvent, first) == 8);
static_assert(offsetof(EngineEvent, second) == 12);

struct PartMidiMessage {
  uint8_t part;  // 0-3 synth parts, 9 drum player
  uint8_t status;
  uint8_t data1;
  uint8_t data2;
};
static_assert(sizeof(PartMidiMessage) == 4);

class IAudioProcess {
 public:
  /* 0 */ virtual void init(tagPluginAttr attr, EngineLogFn log) = 0;
  /* 1 */ virtual void Process(float** /*in*/, float** /*out*/) {}
  /* 2 */ virtual void Render(float** /*partOutputs*/, int /*pedalSwitch*/, float /*pedalLevel*/) {}
  /* 3 */ virtual void RenderWorker(float** /*scratch*/, int /*thread*/) {}
  /* 4 */ virtual void OnEvent(const EngineEvent* /*event*/) {}
  /* 5 */ virtual void OnMidi(const PartMidiMessage* /*message*/) {}
  /* 6 */ virtual void OnClock(unsigned /*tick*/, float /*bpm*/) {}
  /* 7 */ virtual void SetParam(int /*rt*/, int /*part*/, uint32_t /*uid*/, float /*value*/) {}
  /* 8 */ virtual void Reserved8() {}
  /* 9 */ virtual void SetModRoute(int /*rt*/, int /*part*/, int /*route*/, float /*amount*/, int /*source*/,
                                   int /*destination*/, int /*mode*/, float /*unused*/) {}
  /* 10 */ virtual void SetModAmount(int /*part*/, int /*route*/, float /*amount*/) {}
  /* 11 */ virtual void SetPadSample(int, int, uint32_t /*uid*/, SampleFile* /*sample*/) {}
  /* 12 */ virtual void SetSample(int /*rt*/, int /*part*/, uint32_t /*uid*/, MultiWaveReader* /*set*/) {}
  /* 13 */ virtual void SetLfoWave(int /*rt*/, int /*part*/, int /*lfo*/, const char* /*bytes*/, int /*count*/) {}
  /* 14 */ virtual void SetWavetable(int /*rt*/, int /*part*/, int /*oscillator*/, WaveTable* /*table*/) {}
  /* 15 */ virtual void* GetPartVoiceState(int /*part*/) { return nullptr; }
  /* 16 */ virtual void* GetVoiceAllocState(int) { return nullptr; }
  /* 17 */ virtual void TriggerSwap(int /*part*/) {}
  /* 18 */ virtual int IsSwapPending(int /*part*/) { return 0; }
  /* 19 */ virtual void SwapPage(int /*value*/) {}
  /* 20 */ virtual void* GetParamBlock(int /*slot*/) { return nullptr; }
  /* 21 */ virtual void Reserved21() {}
  /* 22 */ virtual void ClearShadowBank(int /*part*/, int) {}
  /* 23 */ virtual void* GetVoice(int /*n*/) { return nullptr; }
  /* 24, 25 */ virtual ~IAudioProcess() = default;

 protected:
  uint8_t flag_ = 0;    // not read by any operation
  float gain_ = 1.0f;   // not read by any operation
};
