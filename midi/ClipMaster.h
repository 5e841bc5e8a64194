#pragma once
// The seven track instruments of the clip launcher and the launch timing they share: the
// launch quantum, the pending launch-button LED and the controller's shift state.
//
// Two mutexes guard the tracks. The clock's one is taken for each tick (possibly on the
// audio thread), so it is only ever held for bounded work: a state change, a swap. The
// edit one keeps the clips' contents (events, patterns, names) and the track slots as
// they are while it is held, without stopping the clock: whoever reads or builds much
// (storing a file, sending a clip to the host) holds only that one. Lock() takes both,
// edit first; everything that changes a track or a clip holds Lock(), so no instrument is
// deleted under either holder.
#include <atomic>
#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>

#include "midi/CInstrument.h"
#include "platform/PiMutex.h"

class CClipCore;
class XmlWriter;

class ClipMaster {
 public:
  static constexpr int kTracks = 7;
  static constexpr int kTicksPerQuarter = 24;
  // The longest launch quantum whose length in ticks is still a 32-bit number.
  static constexpr int kMaxBarQuarters = INT32_MAX / kTicksPerQuarter;

  explicit ClipMaster(CClipCore* core);
  ClipMaster(const ClipMaster&) = delete;
  ClipMaster& operator=(const ClipMaster&) = delete;

  // Deletes every track instrument.
  void Clear();
  // Launch quantum in quarter notes, for the master and every present track; values
  // <= 0 or above kMaxBarQuarters are ignored. Takes the clock's mutex.
  void SetBarLength(int quarters);
  int GetBarQuarters() const { return barTicks / kTicksPerQuarter; }
  // A pad-controller message; non-zero when the launcher used it. Call without the lock.
  int OnControllerInput(int channel, int status, int data1, int data2);
  // The tracks' part of a clock tick; CClipCore::OnClockTick holds the lock around it.
  void OnClockStep(int tick, int arg);
  // Arpeggiators "1 A" ... "2 D" on tracks 0-3, the drum pattern "D1" on track 4, tracks 5
  // and 6 empty; the clips are enabled at the next clock tick.
  void CreateDefault();

  struct Guard {
    std::unique_lock<platform::PiMutex> edit;
    std::unique_lock<platform::PiMutex> clock;
  };
  Guard Lock() {
    std::unique_lock<platform::PiMutex> e(editMutex);
    return Guard{std::move(e), std::unique_lock<platform::PiMutex>(mutex)};
  }
  // The edit mutex alone: contents and slots stay, the clock goes on. Do not call Lock()
  // while holding it (the mutexes do not nest); the clock's mutex may follow it.
  std::unique_lock<platform::PiMutex> EditLock() { return std::unique_lock<platform::PiMutex>(editMutex); }
  // The instrument on track `t`, null for none or out of range. Hold Lock() or EditLock().
  CInstrument* Track(int t) const { return t >= 0 && t < kTracks ? tracks[t].get() : nullptr; }
  // Queues the MASTER element's attributes and opens it. Hold Lock().
  void XMLStoreMaster(XmlWriter& writer);
  // Puts `instrument` on track `t` (0-6; otherwise it is deleted). Hold Lock().
  void Install(int t, std::unique_ptr<CInstrument> instrument);

  int32_t barTicks = 384;
  int32_t pendingButtonLed = -1;
  uint8_t shift = 0;
  // A scene was launched; the application core clears it when the transport stops.
  std::atomic<uint8_t> running{0};
  // The tempo: the transport reads it on the audio thread, pages and the clip-set reader set it.
  std::atomic<int32_t> bpm{120};

 private:
  friend class CClipCore;
  std::unique_ptr<CInstrument> tracks[kTracks];
  // Sets the quantum with the clock's mutex held.
  void SetBarLengthLocked(int quarters);

  CClipCore* core;
  platform::PiMutex editMutex;
  platform::PiMutex mutex;
};
