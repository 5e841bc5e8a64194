#pragma once
// MIDI routing and the transport: where incoming MIDI goes (parts, drum player, clip tracks,
// the external track's port, the monitors), what the clip tracks play, the transport clock
// (internal or MIDI clock) and the hooks the audio thread runs once a period.
//
// Threads: RouteMidi runs on the MIDI threads (raw-MIDI ports, the DIN port, the panel's
// MIDI frames on "CAN-RX"); the track calls, TransportTick/TransportStep, AudioCycleTick and
// OnPeriod run on the audio thread; TogglePlay and the readers on any thread. None of them
// takes the UI mutex or waits for a page: controller and program changes reach the GUI tick
// through its MIDI FIFO, the GUI tick's pending-tick flag is an atomic, program loads go to
// the program loader. Locks: `keyMonitorMutex_` guards the key monitor (the audio thread
// only tries it), `lineMonitorMutex_` the MIDI monitor page (MIDI threads; the page's own
// line lock is held only briefly by its painting). The transport's step counter and
// accumulator belong to the audio thread (and to MIDI clock, which replaces it).
#include <atomic>
#include <cstdint>
#include <functional>

#include "app/AppLinks.h"
#include "app/KeyMonitor.h"
#include "app/MidiClockTempo.h"
#include "app/MsgFifo.h"
#include "app/OutputCapture.h"
#include "app/PageServices.h"
#include "audio/PartMidiSettings.h"
#include "platform/PiMutex.h"

class CClipCore;
class CAlsaMidi;
class CDeviceConfig;
class CSettings;

class MidiTransport {
 public:
  static constexpr int kParts = 4;
  using MonotonicFn = int64_t (*)();
  // A mapped program change for a part; what it returns is the routing's to ignore.
  using ProgramChangeFn = std::function<int(int part, int program)>;
  // What a message that reaches a part carries to the audio process: the part's octave and
  // key range, then the tail the MIDI conversion reads.
  struct PartEventSettings {
    uint8_t octave = 0;
    uint8_t start = 0;
    uint8_t end = 127;
    PartMidiSettings midi;
  };

  MidiTransport(const AppLinks& links, CSettings& settings, CDeviceConfig& deviceConfig,
                MsgFifo<MidiFifoEntry, kMidiFifoSlots>& fifo, std::atomic<bool>& pendingTick,
                ProgramChangeFn programChange);
  MidiTransport(const MidiTransport&) = delete;
  MidiTransport& operator=(const MidiTransport&) = delete;

  // Set once, before any thread routes.
  void SetClipCore(CClipCore* clips) { clipCore_ = clips; }
  // The raw-MIDI ports P1-P4, which the external tracks send through.
  void SetMidiPorts(CAlsaMidi* ports) { midiPorts_ = ports; }

  void RouteMidi(int source, int port, int channel, int status, int data1, int data2);
  void TrackNoteOn(int track, int key, int velocity, int cv1, int cv2, int cv3);
  // 12 x the octave setting of the input that plays into the track live (parts A-D, ET1); 0
  // for the drum track and ET2, which no input moves.
  int TrackKeyOffset(int track) const;
  void TrackNoteOff(int track, int key);
  void TrackControlChange(int part, int controller, int value);
  void TriggerDrumNote(int step, int note, int velocity);
  void TriggerDrum(int note, int velocity);
  void PostMidiCC(int part, int channel, int controller, int value);

  void SetKeyMonitor(KeyMonitor* monitor);
  void SetMidiLineMonitor(MidiLineMonitor* monitor);
  void RemoveMidiLineMonitor(MidiLineMonitor* monitor);
  void MonitorMidi(int port, int channel, int status, int data1, int data2, bool fromInput);

  void OnMidiTransport(int status);
  void OnMidiClock();
  void TransportTick();
  void TransportStep();
  void TogglePlay();

  // Installs OnPeriod as the audio process's period hook and AudioCycleTick as its cycle tick.
  void InstallAudioHooks();
  void OnPeriod();
  void AudioCycleTick();

  // Tests replace the monotonic clock (nanoseconds) of the clock ring and the period timing.
  void SetMonotonicClock(MonotonicFn now) { now_ = now; }
  static int64_t MonotonicNow();

  bool Running() const { return running_.load(std::memory_order_relaxed) != 0; }
  double Tempo() const { return tempo_.load(std::memory_order_relaxed); }
  bool ExternalClock() const { return externalClock_.load(std::memory_order_relaxed); }
  // Whether a clock message came since the last call; the flag is cleared.
  bool TakeExternalClock() { return externalClock_.exchange(false, std::memory_order_relaxed); }
  uint32_t StepCounter() const { return stepCounter_; }
  int32_t LedCountdown() const { return ledCountdown_.load(std::memory_order_relaxed); }
  uint32_t PeriodMicros() const { return periodMicros_.load(std::memory_order_relaxed); }
  OutputCapture& Capture() { return capture_; }

 private:
  static void PeriodHook(void* self);
  static void CycleTickHook(void* self);
  static bool InputMatches(int cfg, int port, int channel);
  int Setting(int row) const;
  void RouteToPart(int part, int port, int channel, int status, int data1, int data2);
  void RouteToEt1(int port, int channel, int status, int data1, int data2);
  // Track 0 (ET1) or 1 (ET2) to its "Out" port.
  void SendExternal(int track, int status, int data1, int data2);
  void StopTransport();

  const AppLinks& links_;
  CSettings& settings_;
  CDeviceConfig& deviceConfig_;
  MsgFifo<MidiFifoEntry, kMidiFifoSlots>& midiFifo_;
  std::atomic<bool>& pendingTick_;
  ProgramChangeFn programChange_;
  CClipCore* clipCore_ = nullptr;
  CAlsaMidi* midiPorts_ = nullptr;

  MonotonicFn now_ = &MidiTransport::MonotonicNow;
  std::atomic<double> tempo_{120.0};
  std::atomic<bool> externalClock_{false};
  MidiClockTempo clockTempo_;
  uint32_t periodCounter_ = 0;
  std::atomic<int32_t> ledCountdown_{0};
  int64_t lastPeriodNanos_ = 0;
  std::atomic<uint32_t> periodMicros_{0};
  OutputCapture capture_;

  KeyMonitor* keyMonitor_ = nullptr;
  platform::PiMutex keyMonitorMutex_;
  MidiLineMonitor* lineMonitor_ = nullptr;
  platform::PiMutex lineMonitorMutex_;

  std::atomic<int32_t> running_{1};
  std::atomic<int32_t> startRequest_{0};
  std::atomic<int32_t> continueRequest_{0};
  uint32_t stepCounter_ = 0;
  float stepAccumulator_ = 0.0f;
};
