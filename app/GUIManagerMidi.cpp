// The GUIManager's side of MIDI: the callback that reaches the routing, program changes
// (loaded by the program loader) and the controller fan-out to the registered pages.
#include <cstdio>
#include <mutex>

#include "app/GUIManager.h"
#include "app/MidiStartHold.h"
#include "midi/CMidiDev.h"
#include "platform/LogSink.h"
#include "toolkit/uxBaseElement.h"

namespace {

std::atomic<GUIManager*> g_midiTarget{nullptr};
MidiStartHold g_startHold;

void DeliverHeld(void* context, const MidiStartHold::Message& m) {
  auto* gui = static_cast<GUIManager*>(context);
  // The DIN line opens first and learns which port it is only when the device settings are
  // applied: its early messages belong to the port it has now.
  CMidiDev* din = gui->MidiDevice();
  const int port = m.source == CMidiDev::kSource && din != nullptr ? din->PortNumber() : m.port;
  gui->RouteMidi(m.source, port, m.channel, m.status, m.data1, m.data2);
}

}  // namespace

void GUIManager::HoldMidiUntilTarget() { g_startHold.Hold(); }

void GUIManager::SetMidiTarget(GUIManager* target) {
  g_midiTarget.store(target, std::memory_order_release);
  if (target == nullptr) return;
  // What came in while the instrument started plays now, before anything newer.
  if (const int dropped = g_startHold.Release(&DeliverHeld, target); dropped > 0)
    platform::LogPrintf("MIDI: %d messages received during start-up were dropped (more than %d)\n", dropped,
                        MidiStartHold::kCapacity);
}

int GUIManager::OnMidiMessage(int source, int port, int channel, int status, uint8_t data1, uint8_t data2) {
  if (g_startHold.Keep({source, port, channel, status, data1, data2})) return 0;
  GUIManager* target = g_midiTarget.load(std::memory_order_acquire);
  if (target != nullptr) target->RouteMidi(source, port, channel, status, data1, data2);
  return 0;
}

void GUIManager::PushProgramEntry(int part, int program) {
  MidiFifoEntry entry;
  entry.kind = 0xC0;
  entry.length = 2;
  entry.part = static_cast<uint8_t>(part);
  entry.data[0] = static_cast<uint8_t>(program);
  midiFifo_.Push(entry);
}

int GUIManager::ProgramChange(int part, int program) {
  if (arranger_.FindProgramPreset(program) == nullptr) {
    PushProgramEntry(part, program);
    return 0;
  }
  programLoader_.Request(part, program);
  return 1;
}

// The program loader's thread. The load swaps the part's banks itself; the tick's entry only
// tells the pages, and only when the part now holds the preset: a failed load swapped
// nothing, and the pages still show what the part plays.
void GUIManager::LoadProgram(int part, int program) {
  const char* preset = arranger_.FindProgramPreset(program);
  if (preset == nullptr) return;
  char name[256];
  std::snprintf(name, sizeof name, "%s", preset);
  if (LoadPreset(part, name, 0, 1) == 1) PushProgramEntry(part, program);
}

int GUIManager::DispatchMidiCC(int channel, int part, int controller, int value) {
  std::lock_guard<platform::PiMutex> lock(controllerMutex_);
  for (uxBaseElement* page : controllerListeners_) page->OnMidiCC(channel, part, controller, value);
  return 1;
}

int GUIManager::GetCCAssignment(uint32_t uid) { return ccMap_.FindCC(static_cast<int>(uid)); }

void GUIManager::SetCCAssignment(int cc, int uid) {
  ccMap_.SetCC(cc, uid);
  ccMap_.XMLStoreMidiCCMap("MidiCCMap");
}
