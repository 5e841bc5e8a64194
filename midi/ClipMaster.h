#pragma once
// The seven track instruments of the clip launcher and the launch timing they share: the
// launch quantum, the pending launch-button LED and the controller's shift state.
//
// Its mutex guards the track slots. The clock takes it for each tick (possibly on the
// audio thread); a clip-set load takes it only to swap instruments; pages and the host
// take it (Lock) around every call into a track, so no instrument is deleted under them.
#include <atomic>
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

  explicit ClipMaster(CClipCore* core);
  ClipMaster(const ClipMaster&) = delete;
  ClipMaster& operator=(const ClipMaster&) = delete;

  // Deletes every track instrument.
  void Clear();
  // Launch quantum in quarter notes, for the master and every present track; values
  // <= 0 are ignored. Takes the lock.
  void SetBarLength(int quarters);
  int GetBarQuarters() const { return barTicks / kTicksPerQuarter; }
  // A pad-controller message; non-zero when the launcher used it. Call without the lock.
  int OnControllerInput(int channel, int status, int data1, int data2);
  // The tracks' part of a clock tick; CClipCore::OnClockTick holds the lock around it.
  void OnClockStep(int tick, int arg);
  // Arpeggiators "1 A" ... "2 D" on tracks 0-3, the drum pattern "D1" on track 4, tracks 5
  // and 6 empty; the clips are enabled at the next clock tick.
  void CreateDefault();

  std::unique_lock<platform::PiMutex> Lock() { return std::unique_lock<platform::PiMutex>(mutex); }
  // The instrument on track `t`, null for none or out of range. Hold Lock().
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
  CClipCore* core;
  platform::PiMutex mutex;
};
