#pragma once
// The track instrument that plays clips: each scene holds an arpeggiator pattern, a MIDI
// sequence or a trigger (drum) pattern, and on every clock tick the playing clip sends its
// notes, controllers and drum hits through the application core's track routing.
//
// Every note it starts is marked in a 128-key table until its note-off, so stopping,
// changing or rewinding a clip can always end what is sounding.
#include <cstdint>
#include <vector>

#include "midi/CInstrument.h"
#include "midi/ClipData.h"
#include "midi/HeldNoteList.h"

class CInstrumentSeq : public CInstrument {
 public:
  // One entry of the MIDI sequence's play list, sorted by time.
  enum PlayType : int32_t { kPlayNoteOff = 0, kPlayNoteOn = 1, kPlayControl = 3 };
  struct PlayEntry {
    uint32_t time;  // pulses
    int32_t type;   // PlayType
    int32_t key;
    int32_t velocity;
    int32_t control;
    int32_t value;
    uint32_t order;  // the event's place in the clip, for a stable sort without a buffer
  };

  // An arpeggiator chord can sound every key the held-note list can hold.
  static constexpr int kMaxArpNotes = HeldNoteList::kMaxKeys;

  CInstrumentSeq(CClipCore* owner, int track);

  int IsSequence() override { return 1; }
  void OnClock(int tick, int arg) override;
  void ClearSounding() override;
  int OnNoteInput(int channel, int status, int key, int velocity) override;
  void Rewind(int flag) override;
  void OnClipStop() override;
  void OnClipStart() override;
  void Stop() override;
  // The INSTRUMENT element of the clip-set file with its eight CLIPs.
  void XMLStoreTrack(XmlWriter& writer, const SceneSlot (&slots)[kScenes]) override;

  // The clip of `scene` (0-7) for pages, the host and the file reader. After changing a
  // clip's events call EventsChanged: it builds the clips' play lists there and then, so
  // starting a long sequence at the quantum neither sorts nor allocates on the clock. The
  // clock plays the lists it has: events changed without it are not heard.
  ClipData& Clip(int scene) { return clips[scene]; }
  const ClipData& Clip(int scene) const { return clips[scene]; }
  void EventsChanged();
  // The play list of `events`; needs no lock, so a long one is built before taking it.
  static std::vector<PlayEntry> MakePlayList(const std::vector<SeqEvent>& events);
  // Puts `events` and their play list (MakePlayList) into `scene`, handing back the previous
  // ones to be freed after the lock: the swap is all the clock waits for. Hold Lock().
  void SwapEvents(int scene, std::vector<SeqEvent>& events, std::vector<PlayEntry>& list);
  const std::vector<PlayEntry>& PlayList(int scene) const { return playLists[scene]; }

  const HeldNoteList& Held() const { return held; }
  const HeldNoteList& Latched() const { return latched; }
  bool Sounding(int key) const { return sounding[key & 0x7F] != 0; }

 private:
  void StepArpeggiator(int64_t tick, ClipData& clip);
  void StepSequence(int64_t tick, ClipData& clip);
  void StepTrigger(int64_t tick, ClipData& clip);
  // Picks the latched key at `index` of the clip's key order, with the clip's substitute
  // when fewer keys are latched; -1 when nothing sounds.
  int PickKey(const ClipData& clip, int index) const;
  void NoteOn(int key, const ArpStep& step);
  void NoteOff(int key);
  // Note-offs for every marked key; forgets the arpeggiator's notes.
  void ReleaseSounding();
  void EndArpNotes();
  void BuildPlayList(int scene);
  // A start in the middle of the loop: moves the play index to `position` without playing
  // what lies before it, except the latest value of each controller.
  void SkipTo(uint32_t position, const ClipData& clip);

  ClipData clips[kScenes];
  HeldNoteList held;
  HeldNoteList latched;
  std::vector<PlayEntry> playLists[kScenes];
  std::size_t playIndex = 0;
  int32_t lastPosition = 0;
  bool seekStart = false;  // the next sequence step starts the clip
  // Note-offs still to come for notes a mid-loop start skipped, by sounding key.
  uint16_t skippedOffs[128] = {};
  uint8_t sounding[128] = {};
  int32_t arpCount = 0;
  int32_t arpNotes[kMaxArpNotes] = {};
  int32_t arpGate = 0;
};
