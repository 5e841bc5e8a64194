#pragma once
// Voice allocator: hands the sixteen voice slots shared by the four parts to notes (poly,
// mono, unison stacks of up to four) round robin, without stealing, and announces every start,
// stop and release as a voice event.
#include <cstdint>

struct VoiceAllocEntry {
  uint8_t note;     // 255 = none; kept after a release
  uint8_t part;     // 0..3
  int32_t state;    // CVoiceAlloc::State
  float velocity;   // of the last start; 0 after a release
  int32_t rank;     // informational: order among the held voices
  int32_t unison;   // place within a unison stack, 0..3
};

class CVoiceAlloc {
 public:
  static constexpr int kVoices = 16;
  static constexpr int kParts = 4;
  static constexpr int kMaxUnison = 4;
  static constexpr uint8_t kNoNote = 255;

  enum State : int32_t { kFree = 0, kPlaying = 1, kMono = 3, kDisabled = 4 };
  enum EventType : int { kStop = 0, kStart = 1, kRelease = 2 };

  CVoiceAlloc();
  // Called synchronously from the operations below for every decision.
  virtual void VoiceEvent(int type, int slot, int part, float velocity, float detune, int rank, int note);
  virtual ~CVoiceAlloc() = default;

  void Init();

  // count 0 POLY, 1 MONO, 2..4 unison of that many voices (more acts as 4); spread is the
  // detune between neighbouring unison voices; legato 1: a MONO note that follows a held key.
  // Parts outside 0..3 and notes outside 0..254 are ignored.
  void StartNote(int part, int count, int note, float velocity, float spread, int legato);
  // 1 when at least one held voice was freed, else 0.
  int ReleaseNote(int part, int note);
  // First sounding (held or MONO) entry of the part with that note, or -1.
  int FindVoice(int part, int note) const;
  // Free every entry (of one part) that is not disabled.
  void ResetAllVoices();
  void ResetPartVoices(int part);

  // The render threads disable a slot that missed its deadline; a part swap enables them all.
  void DisableEntry(int slot);
  void EnableDisabledEntries();
  // One disabled entry back to free (others are left as they are).
  void EnableEntry(int slot);

  const VoiceAllocEntry& Entry(int slot) const { return entries_[slot & (kVoices - 1)]; }
  const VoiceAllocEntry* Entries() const { return entries_; }

 protected:
  VoiceAllocEntry entries_[kVoices];
  int32_t stealingMode_ = 1;  // never changes: no note takes another's voice
  uint32_t startIndex_ = 0;   // rotating round-robin start, used modulo 16

 private:
  int CountPlaying() const;
  void FreeEntry(int n);  // a held voice leaving its state moves the ranks above it down
  void StartMono(int part, int note, float velocity, int legato);
  void StartPoly(int part, int count, int note, float velocity, float spread);
};
