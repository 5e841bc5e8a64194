#include "app/MidiTransport.h"

#include <time.h>

#include <cmath>
#include <mutex>

#include "app/PedalPort.h"
#include "app/host/HostUIManager.h"
#include "audio/CAudioProcess.h"
#include "midi/CClipCore.h"
#include "midi/CMidiDev.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"
#include "data/CDeviceConfig.h"
#include "data/CSettings.h"
#include "toolkit/CCANDev.h"

namespace {

// Rows of the settings table never move, so each setting's row is known at compile time.
constexpr int Row(uint32_t ctrl, uint32_t part) {
  for (int i = 0; SettingsTable[i].ctrl != kSettingsEnd; ++i)
    if (SettingsTable[i].ctrl == ctrl && SettingsTable[i].part == part) return i;
  return -1;
}

// The per-input settings of parts A-D and of the external track ET1 (instance 10).
struct InputRows {
  int in, start, end, octave, bendUp, bendDown, curve;
};
constexpr int kEt1 = 10;
constexpr InputRows kPartRows[MidiTransport::kParts] = {
    {Row(0xC8, 0), Row(0xC9, 0), Row(0xCA, 0), Row(0xCB, 0), Row(0xCC, 0), Row(0xCD, 0), Row(0xCE, 0)},
    {Row(0xC8, 1), Row(0xC9, 1), Row(0xCA, 1), Row(0xCB, 1), Row(0xCC, 1), Row(0xCD, 1), Row(0xCE, 1)},
    {Row(0xC8, 2), Row(0xC9, 2), Row(0xCA, 2), Row(0xCB, 2), Row(0xCC, 2), Row(0xCD, 2), Row(0xCE, 2)},
    {Row(0xC8, 3), Row(0xC9, 3), Row(0xCA, 3), Row(0xCB, 3), Row(0xCC, 3), Row(0xCD, 3), Row(0xCE, 3)},
};
constexpr InputRows kEt1Rows = {Row(0xC8, kEt1), Row(0xC9, kEt1), Row(0xCA, kEt1), Row(0xCB, kEt1), -1, -1,
                                Row(0xCE, kEt1)};
// The output of the external tracks ET1 and ET2 (tracks 5 and 6).
constexpr int kExternalOut[2] = {Row(0xCF, 10), Row(0xCF, 11)};
constexpr int kClockSource = Row(0xD0, 15);
constexpr int kClockSendOut = Row(0xD1, 15);
constexpr int kTransportIn = Row(0xD2, 15);
constexpr int kTransportOut = Row(0xD3, 15);
static_assert(kClockSource >= 0 && kClockSendOut >= 0 && kTransportIn >= 0 && kTransportOut >= 0);
static_assert(kEt1Rows.in >= 0 && kExternalOut[0] >= 0 && kExternalOut[1] >= 0);

constexpr int kDrumPart = 9;
constexpr int kDrumChannel = 9;
constexpr int kDrumTrack = 4;
constexpr int kEt1Track = 5;
constexpr int kNoPort = 255;
constexpr int kStopCode = 12;
constexpr int kTrackNoteFlag = 0x80;
constexpr int kLedCountdown = 15;
constexpr int kPendingTickPeriods = 34;
constexpr uint16_t kBeatPulseId = 32;
constexpr int kStepsPerBeat = 24;
constexpr float kPeriodSeconds = 0.0026666666f;
constexpr int kPortKindDevice = 0;  // the DIN/USB port
constexpr int kPortKindAlsa = 1;    // a raw-MIDI port

struct TransportLine {
  int status;
  const char* text;
};
constexpr TransportLine kTransportLines[] = {
    {0xFA, "MIDI: Start\n"},
    {0xFB, "MIDI: Continue\n"},
    {0xFC, "MIDI: Stop\n"},
};

}  // namespace

MidiTransport::MidiTransport(const AppLinks& links, CSettings& settings, CDeviceConfig& deviceConfig,
                             MsgFifo<MidiFifoEntry, kMidiFifoSlots>& fifo, std::atomic<bool>& pendingTick,
                             ProgramChangeFn programChange)
    : links_(links),
      settings_(settings),
      deviceConfig_(deviceConfig),
      midiFifo_(fifo),
      pendingTick_(pendingTick),
      programChange_(std::move(programChange)) {}

int64_t MidiTransport::MonotonicNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// ---- where incoming MIDI goes --------------------------------------------------------------

// A settings file may hold any float; the board's conversion gives every one an integer.
int MidiTransport::Setting(int row) const { return arm::ToInt32(settings_.GetValue(row)); }

bool MidiTransport::InputMatches(int cfg, int port, int channel) {
  return port != kNoPort && cfg > 15 && (cfg & 0x0F) == channel && (cfg >> 4) == port + 1;
}

void MidiTransport::RouteMidi(int /*source*/, int port, int channel, int status, int data1, int data2) {
  if (status == 0xF8) {
    OnMidiClock();
    return;
  }
  for (const TransportLine& line : kTransportLines) {
    if (line.status != status) continue;
    OnMidiTransport(status);
    MonitorMidi(port, channel, status, data1, data2, true);
    platform::LogWrite(line.text);
    return;
  }
  if (links_.pedal != nullptr) links_.pedal->SetLed(0, 1);
  ledCountdown_.store(kLedCountdown, std::memory_order_relaxed);
  MonitorMidi(port, channel, status, data1, data2, true);

  if (channel == kDrumChannel) {
    if ((status & 0xEF) == 0x80 && links_.audio != nullptr)
      links_.audio->SendMidi(kDrumPart, status, data1, data2, nullptr);
  } else {
    for (int i = 0; i < kParts; ++i) RouteToPart(i, port, channel, status, data1, data2);
  }
  // The external track listens on its own input whatever the parts do with the channel.
  RouteToEt1(port, channel, status, data1, data2);
}

void MidiTransport::RouteToPart(int part, int port, int channel, int status, int data1, int data2) {
  const InputRows& rows = kPartRows[part];
  const int cfg = Setting(rows.in);
  if (status == 0xB0) PostMidiCC(part, cfg & 0x0F, data1, data2);
  if (!InputMatches(cfg, port, channel)) return;

  PartEventSettings record;
  record.octave = static_cast<uint8_t>(Setting(rows.octave));
  record.start = static_cast<uint8_t>(Setting(rows.start));
  record.end = static_cast<uint8_t>(Setting(rows.end));
  record.midi.bendUp = static_cast<uint8_t>(Setting(rows.bendUp));
  record.midi.bendDown = static_cast<uint8_t>(Setting(rows.bendDown));
  record.midi.velocityCurve = settings_.GetValue(rows.curve);
  MonitorMidi(port, part, status, data1, data2, false);

  switch (status) {
    case 0x80:
    case 0x90:
    case 0xA0: {
      if (data1 < record.start || data1 > record.end) return;
      const int key = data1 + 12 * static_cast<int8_t>(record.octave);
      // A transposed key past the MIDI range would wrap to an unrelated note.
      if (key < 0 || key > 127) return;
      if (clipCore_ != nullptr && clipCore_->TrackNoteInput(part, channel, status, key, data2)) return;
      if (links_.audio != nullptr) links_.audio->SendMidi(part, status, key, data2, &record.midi);
      return;
    }
    case 0xC0:
      if (programChange_) programChange_(part, data1);
      return;
    default:
      if (links_.audio != nullptr) links_.audio->SendMidi(part, status, data1, data2, &record.midi);
  }
}

void MidiTransport::RouteToEt1(int port, int channel, int status, int data1, int data2) {
  if (status != 0x80 && status != 0x90) return;
  if (!InputMatches(Setting(kEt1Rows.in), port, channel)) return;
  if (data1 < Setting(kEt1Rows.start) || data1 > Setting(kEt1Rows.end)) return;
  const int key = data1 + 12 * static_cast<int8_t>(Setting(kEt1Rows.octave));
  if (key < 0 || key > 127) return;
  if (clipCore_ != nullptr && clipCore_->TrackNoteInput(kEt1Track, channel, status, key, data2)) return;
  SendExternal(0, status, key, data2);
}

void MidiTransport::SendExternal(int track, int status, int data1, int data2) {
  const int out = Setting(kExternalOut[track]);
  const int index = (out >> 4) - 1;
  const MidiPortConfig* config = deviceConfig_.Port(index);
  if (config == nullptr) return;
  const int channel = out & 0x0F;
  if (config->Type == kPortKindDevice) {
    if (links_.midi != nullptr)
      links_.midi->SendMessage(channel, status, static_cast<uint8_t>(data1), static_cast<uint8_t>(data2));
  } else if (config->Type == kPortKindAlsa) {
    if (midiPorts_ != nullptr)
      midiPorts_->SendShort(index, channel, status, static_cast<uint8_t>(data1), static_cast<uint8_t>(data2));
  }
}

// ---- what the clip tracks play ---------------------------------------------------------------

void MidiTransport::TrackNoteOn(int track, int key, int velocity, int cv1, int cv2, int cv3) {
  if (track < 0 || track >= ClipMaster::kTracks) return;
  if (track >= kEt1Track) {
    SendExternal(track - kEt1Track, 0x90, key, velocity);
  } else if (links_.audio != nullptr) {
    const int part = track == kDrumTrack ? kDrumPart : track;
    links_.audio->SendMidi(part, 0x90, key, velocity, nullptr);
    links_.audio->SendMidi(part, 0xB0, 117, cv1, nullptr);
    links_.audio->SendMidi(part, 0xB0, 118, cv2, nullptr);
    links_.audio->SendMidi(part, 0xB0, 119, cv3, nullptr);
  }
  const int shown = track == kDrumTrack ? kDrumPart : track;
  MonitorMidi(0, shown | kTrackNoteFlag, 0x90, key, velocity, false);
}

int MidiTransport::TrackKeyOffset(int track) const {
  if (track >= 0 && track < kParts) return 12 * static_cast<int8_t>(Setting(kPartRows[track].octave));
  if (track == kEt1Track) return 12 * static_cast<int8_t>(Setting(kEt1Rows.octave));
  return 0;
}

void MidiTransport::TrackNoteOff(int track, int key) {
  if (track < 0 || track >= ClipMaster::kTracks) return;
  if (track >= kEt1Track) {
    SendExternal(track - kEt1Track, 0x80, key, 0);
  } else if (links_.audio != nullptr) {
    links_.audio->SendMidi(track == kDrumTrack ? kDrumPart : track, 0x80, key, 0, nullptr);
  }
  const int shown = track == kDrumTrack ? kDrumPart : track;
  MonitorMidi(0, shown | kTrackNoteFlag, 0x80, key, 0, false);
}

void MidiTransport::TrackControlChange(int part, int controller, int value) {
  if (links_.audio != nullptr) links_.audio->SendMidi(part, 0xB0, controller, value, nullptr);
}

void MidiTransport::TriggerDrumNote(int /*step*/, int note, int velocity) { TriggerDrum(note, velocity); }

void MidiTransport::TriggerDrum(int note, int velocity) {
  if (links_.audio == nullptr) return;
  EngineEvent event{};
  event.type = kEventNoteOn;
  event.part = kDrumPart;
  event.first.note = static_cast<uint8_t>(note);
  event.second = static_cast<float>(velocity) * 0.01f;
  links_.audio->PostEvent(&event);
}

// ---- controllers -----------------------------------------------------------------------------

void MidiTransport::PostMidiCC(int part, int channel, int controller, int value) {
  MidiFifoEntry entry;
  entry.kind = 0xB0;
  entry.length = 4;
  entry.part = static_cast<uint8_t>(part);
  entry.data[0] = static_cast<uint8_t>(channel);
  entry.data[1] = static_cast<uint8_t>(controller);
  entry.data[2] = static_cast<uint8_t>(value);
  midiFifo_.Push(entry);
}

// ---- monitors --------------------------------------------------------------------------------

void MidiTransport::SetKeyMonitor(KeyMonitor* monitor) {
  std::lock_guard<platform::PiMutex> lock(keyMonitorMutex_);
  keyMonitor_ = monitor;
}

void MidiTransport::SetMidiLineMonitor(MidiLineMonitor* monitor) {
  std::lock_guard<platform::PiMutex> lock(lineMonitorMutex_);
  lineMonitor_ = monitor;
}

void MidiTransport::RemoveMidiLineMonitor(MidiLineMonitor* monitor) {
  std::lock_guard<platform::PiMutex> lock(lineMonitorMutex_);
  if (lineMonitor_ == monitor) lineMonitor_ = nullptr;
}

void MidiTransport::MonitorMidi(int port, int channel, int status, int data1, int data2, bool fromInput) {
  if (fromInput) {
    std::lock_guard<platform::PiMutex> lock(lineMonitorMutex_);
    if (lineMonitor_ != nullptr) lineMonitor_->AddMidiLine(port, channel, status, data1, data2);
    return;
  }
  // The audio thread (track notes) must not wait for a page: a missed key is only a
  // display glitch.
  std::unique_lock<platform::PiMutex> lock(keyMonitorMutex_, std::try_to_lock);
  if (lock.owns_lock() && keyMonitor_ != nullptr) keyMonitor_->ShowKey(channel, status, data1);
}

// ---- transport -------------------------------------------------------------------------------

void MidiTransport::StopTransport() {
  running_.store(0, std::memory_order_relaxed);
  if (Setting(kTransportOut) != 0 && links_.midi != nullptr) links_.midi->SendRealtime(kStopCode);
  if (clipCore_ == nullptr) return;
  ClipMaster& master = clipCore_->Master();
  {
    auto lock = master.Lock();
    for (int t = 0; t < ClipMaster::kTracks; ++t)
      if (CInstrument* track = master.Track(t)) track->Stop();
  }
  master.running.store(0, std::memory_order_relaxed);
}

void MidiTransport::OnMidiTransport(int status) {
  if (Setting(kTransportIn) == 0) return;
  if (status == 0xFA) {
    startRequest_.store(1, std::memory_order_relaxed);
  } else if (status == 0xFB) {
    continueRequest_.store(1, std::memory_order_relaxed);
  } else if (status == 0xFC) {
    StopTransport();
    platform::LogWrite("MIDI Trigger STOP\n");
  }
}

void MidiTransport::TogglePlay() {
  if (running_.load(std::memory_order_relaxed) == 0)
    startRequest_.store(1, std::memory_order_relaxed);
  else
    StopTransport();
}

void MidiTransport::OnMidiClock() {
  if (Setting(kClockSource) == 0) return;
  double tempo = tempo_.load(std::memory_order_relaxed);
  if (clockTempo_.Add(now_(), tempo)) tempo_.store(tempo, std::memory_order_relaxed);
  externalClock_.store(true, std::memory_order_relaxed);
  TransportStep();
}

void MidiTransport::TransportTick() {
  if (periodCounter_ % kPendingTickPeriods == 0) pendingTick_.store(true, std::memory_order_relaxed);
  settings_.TickDirty();
  deviceConfig_.TickDirty();
  if (Setting(kClockSource) == 0) {
    const float bpm = clipCore_ != nullptr ? static_cast<float>(clipCore_->Master().bpm.load(std::memory_order_relaxed)) : 120.0f;
    tempo_.store(bpm, std::memory_order_relaxed);
    // Float only: a tempo of 0 gives an infinite step time and no step, not a trap.
    stepAccumulator_ += kPeriodSeconds / (60.0f / bpm / kStepsPerBeat);
    if (stepAccumulator_ >= 1.0f) {
      stepAccumulator_ -= 1.0f;
      TransportStep();
    }
  }
  ++periodCounter_;
}

void MidiTransport::TransportStep() {
  if (running_.load(std::memory_order_relaxed) == 0) {
    const bool start = startRequest_.load(std::memory_order_relaxed) != 0;
    const bool resume = !start && continueRequest_.load(std::memory_order_relaxed) != 0;
    if (!start && !resume) return;
    running_.store(1, std::memory_order_relaxed);
    if (start) stepCounter_ = 0;
    if (Setting(kTransportOut) != 0 && links_.midi != nullptr) links_.midi->SendRealtime(start ? 10 : 11);
    if (start && clipCore_ != nullptr) clipCore_->Master().running.store(1, std::memory_order_relaxed);
    platform::LogWrite(start ? "MIDI Trigger START\n" : "MIDI Trigger CONTINUE\n");
    (start ? startRequest_ : continueRequest_).store(0, std::memory_order_relaxed);
    return;
  }
  const uint32_t step = stepCounter_;
  if (clipCore_ != nullptr) clipCore_->OnClockTick(static_cast<int>(step), 0);
  if (links_.audio != nullptr) links_.audio->OnClock(step, static_cast<float>(tempo_.load(std::memory_order_relaxed)));
  // A closed bus would fail every write and print each time.
  if (step % kStepsPerBeat == 0 && links_.can != nullptr && links_.can->m_can_sock >= 0)
    links_.can->SendRAW(kBeatPulseId, nullptr, 0);
  if (Setting(kClockSendOut) != 0 && links_.midi != nullptr) links_.midi->SendClock();
  if (links_.host != nullptr) links_.host->SendTransport(step);
  stepCounter_ = step + 1;
}

// ---- the audio period ------------------------------------------------------------------------

void MidiTransport::InstallAudioHooks() {
  if (links_.audio == nullptr) return;
  links_.audio->SetPeriodHook(&MidiTransport::PeriodHook, this);
  links_.audio->SetCycleTick(&MidiTransport::CycleTickHook, this);
}

void MidiTransport::PeriodHook(void* self) { static_cast<MidiTransport*>(self)->OnPeriod(); }
void MidiTransport::CycleTickHook(void* self) { static_cast<MidiTransport*>(self)->AudioCycleTick(); }

void MidiTransport::AudioCycleTick() {
  const int32_t c = ledCountdown_.load(std::memory_order_relaxed);
  if (c > 0) {
    ledCountdown_.store(c - 1, std::memory_order_relaxed);
    if (c == 2) {
      if (links_.pedal != nullptr) links_.pedal->SetLed(0, 0);
      ledCountdown_.store(0, std::memory_order_relaxed);
    }
  }
  TransportTick();
}

void MidiTransport::OnPeriod() {
  const int64_t now = now_();
  if (lastPeriodNanos_ != 0)
    periodMicros_.store(static_cast<uint32_t>((now - lastPeriodNanos_) / 1000), std::memory_order_relaxed);
  lastPeriodNanos_ = now;
  const float level = links_.pedal != nullptr ? links_.pedal->ReadPedal() : 0.0f;
  const int pedalSwitch = links_.pedal != nullptr ? links_.pedal->ReadSwitch() : 0;
  if (links_.audio == nullptr) return;
  links_.audio->ProcessCycle(pedalSwitch, level);
  capture_.channel[0].Feed(links_.audio->MixLeft(), CAudioProcess::kFrames);
  capture_.channel[1].Feed(links_.audio->MixRight(), CAudioProcess::kFrames);
}
