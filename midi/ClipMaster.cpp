#include "midi/ClipMaster.h"

#include <cstdio>
#include <string>

#include "data/XmlWriter.h"
#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"

namespace {

// Colours of the launch buttons.
constexpr int kLedOff = 0;
constexpr int kLedOn = 1;
constexpr int kLedPending = 2;
constexpr int kShiftLed = 7;  // the last launch button shows shift

}  // namespace

ClipMaster::ClipMaster(CClipCore* core_) : core(core_) {}

void ClipMaster::Clear() {
  std::unique_ptr<CInstrument> old[kTracks];
  {
    auto lock = Lock();
    for (int t = 0; t < kTracks; ++t) old[t] = std::move(tracks[t]);
  }
  // Destroyed outside the lock: freeing eight clips is no work for the clock to wait on.
}

void ClipMaster::XMLStoreMaster(XmlWriter& writer) {
  writer.AddAttribute("qn2c", std::to_string(GetBarQuarters()));
  writer.AddAttribute("bpm", std::to_string(bpm.load(std::memory_order_relaxed)));
  writer.WriteComment("Clip Master");
  writer.BeginElement("MASTER");
}

void ClipMaster::Install(int t, std::unique_ptr<CInstrument> instrument) {
  if (t >= 0 && t < kTracks) tracks[t] = std::move(instrument);
}

void ClipMaster::SetBarLength(int quarters) {
  // A quantum of 0 would stop every tick at a division by zero; one from a file is ignored.
  if (quarters <= 0 || quarters > kMaxBarQuarters) return;
  std::lock_guard<platform::PiMutex> lock(mutex);
  SetBarLengthLocked(quarters);
}

void ClipMaster::SetBarLengthLocked(int quarters) {
  barTicks = quarters * kTicksPerQuarter;
  for (auto& t : tracks)
    if (t) t->SetBarLength(barTicks);
}

void ClipMaster::OnClockStep(int tick, int arg) {
  if (pendingButtonLed != -1 && barTicks > 0 && core->Tick() % barTicks == 0) {
    if (LaunchCtrl* c = core->Ctrl()) c->SetTrackLed(pendingButtonLed, kLedOff);
    pendingButtonLed = -1;
  }
  for (auto& t : tracks)
    if (t) t->OnClock(tick, arg);
}

int ClipMaster::OnControllerInput(int channel, int status, int data1, int data2) {
  LaunchCtrl* c = core->Ctrl();
  if (!c) return 0;
  const uint8_t d1 = static_cast<uint8_t>(data1), d2 = static_cast<uint8_t>(data2);
  // The driver's own hook may re-send its whole LED picture with waits between messages:
  // it runs before the lock so the clock does not wait for it.
  if (c->OnMidiInput(channel, status, d1, d2)) return 1;
  if (!c->IsNotControlChange(channel, status)) return 0;

  std::lock_guard<platform::PiMutex> lock(mutex);
  c = core->Ctrl();
  if (!c) return 0;
  if (shift && c->IsFunctionButton(channel, status, d1, d2)) {
    for (auto& t : tracks) {
      if (!t) continue;
      t->StopAllScenes();
      c->SetTrackLed(kShiftLed, kLedOff);
    }
    return 1;
  }
  // The driver writes the pressed state only when it decodes one (some write it always).
  int pressed = shift;
  const int isShift = c->DecodeShift(channel, status, d1, d2, pressed);
  shift = static_cast<uint8_t>(pressed);
  if (isShift) {
    c->SetTrackLed(kShiftLed, shift ? kLedOn : kLedOff);
    return 1;
  }
  int button = 0;
  if (c->DecodeTrackButton(channel, status, d1, d2, button)) {
    shift = 0;
    c->SetTrackLed(button, kLedPending);
    pendingButtonLed = button;
    for (auto& t : tracks)
      if (t) t->LaunchScene(button);
    running = 1;
    return 1;
  }
  for (auto& t : tracks)
    if (t) t->OnPadInput(channel, status, data1, data2);
  return 1;
}

void ClipMaster::CreateDefault() {
  std::unique_ptr<CInstrument> made[kTracks];
  for (int t = 0; t < kTracks; ++t) {
    auto seq = std::make_unique<CInstrumentSeq>(core, t);
    if (t < 4) {
      for (int clip = 0; clip < 2; ++clip) {
        char name[8];
        std::snprintf(name, sizeof name, "%d %c", clip + 1, 'A' + t);
        seq->Clip(clip).name = name;
        seq->CreateClip(clip, kClipArpeggiator);
      }
    } else if (t == 4) {
      seq->Clip(0).name = "D1";
      seq->CreateClip(0, kClipTrigger);
    }
    made[t] = std::move(seq);
  }
  std::unique_ptr<CInstrument> old[kTracks];
  auto lock = Lock();
  for (int t = 0; t < kTracks; ++t) {
    old[t] = std::move(tracks[t]);
    tracks[t] = std::move(made[t]);
    // The tracks launch on the master's quantum, as they do once the set is stored and
    // loaded again.
    tracks[t]->SetBarLength(barTicks);
  }
}
