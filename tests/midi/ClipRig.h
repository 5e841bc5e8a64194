#pragma once
// A clip launcher on the stand-in raw-MIDI side, with an APC MINI (or any named device)
// as its controller, a recorder for what the tracks play, and the log captured. The
// controller's LED messages are read back as the bytes the driver wrote.
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "tests/support/LogCapture.h"

namespace clip_test {

// Calls from the tracks as short texts: "on 1 60 95 0 0 0", "off 1 60", "cc 1 7 64",
// "stop 1", "drum 3 36 90", "dispatch 5 0 7 100". With countOnly the recorder only counts,
// so it allocates nothing.
class TrackRecorder : public TrackServices {
 public:
  void TrackNoteOn(int track, int key, int velocity, int cv1, int cv2, int cv3) override {
    Add("on", {track, key, velocity, cv1, cv2, cv3});
  }
  void TrackNoteOff(int track, int key) override { Add("off", {track, key}); }
  void TrackControlChange(int part, int controller, int value) override {
    Add("cc", {part, controller, value});
  }
  void SendPartStop(int part) override { Add("stop", {part}); }
  void TriggerDrumNote(int step, int note, int velocity) override {
    Add("drum", {step, note, velocity});
  }
  int DispatchMidiCC(int port, int channel, int data1, int data2) override {
    Add("dispatch", {port, channel, data1, data2});
    return 1;
  }

  std::vector<std::string> Take() { return std::exchange(calls, {}); }

  bool countOnly = false;
  long count = 0;
  std::vector<std::string> calls;

 private:
  void Add(const char* what, std::initializer_list<int> args) {
    ++count;
    if (countOnly) return;
    std::string s = what;
    for (int a : args) {
      s += ' ';
      s += std::to_string(a);
    }
    calls.push_back(s);
  }
};

using Bytes = std::vector<uint8_t>;

// APC MINI LED messages, as the driver sends them.
inline Bytes PadLed(int track, int scene, int colour) {
  return {0x90, static_cast<uint8_t>(56 - 8 * scene + track), static_cast<uint8_t>(colour)};
}
inline Bytes TrackLed(int position, int colour) {
  return {0x90, static_cast<uint8_t>(82 + position), static_cast<uint8_t>(colour)};
}
inline Bytes SceneLed(int position, int colour) {
  return {0x90, static_cast<uint8_t>(64 + position), static_cast<uint8_t>(colour)};
}

constexpr const char* kPort = "hw:0,0";

struct Rig {
  // `controller` null: no sound card at all, so no controller is found.
  explicit Rig(const char* controller = "APC MINI") {
    if (controller)
      fake.cards = {FakeRawMidiBackend::Card{
          0, {FakeRawMidiBackend::Device{0, controller, {{"", true, true}}}}}};
    core = std::make_unique<CClipCore>(out, fake);
    if (controller) core->DetectController();
    Leds();
    Log();
  }

  // Replaces the default clip set by one empty instrument on `track`.
  CInstrumentSeq& Only(int track) {
    core->Master().Clear();
    auto lock = core->Master().Lock();
    core->Master().Install(track, std::make_unique<CInstrumentSeq>(core.get(), track));
    return Seq(track);
  }
  CInstrumentSeq& Seq(int track) {
    return static_cast<CInstrumentSeq&>(*core->Master().Track(track));
  }
  void Tick(int t, int arg = 0) { core->OnClockTick(t, arg); }
  void Ticks(int from, int to) {
    for (int t = from; t <= to; ++t) Tick(t);
  }
  // Makes `scene` of `track` a clip of `kind` and plays it from tick `start` (a multiple
  // of the track's quantum); output up to there is dropped.
  void Start(int track, int scene, int kind, int start = 96) {
    CInstrumentSeq& s = Seq(track);
    s.CreateClip(scene, kind);
    s.EventsChanged();
    Tick(start - 1);
    s.LaunchScene(scene);
    Tick(start);
    out.Take();
    Leds();
    Log();
  }

  std::vector<Bytes> Leds() {
    auto w = fake.Writes(kPort);
    fake.ClearOutput(kPort);
    return w;
  }
  std::string Log() {
    std::string s = log.Text();
    log.Clear();
    return s;
  }

  FakeRawMidiBackend fake;
  TrackRecorder out;
  testing_support::LogCapture log;
  std::unique_ptr<CClipCore> core;
};

}  // namespace clip_test
