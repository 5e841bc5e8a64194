#include "engine/CVoiceAlloc.h"

namespace {

constexpr VoiceAllocEntry kEmptyEntry = {CVoiceAlloc::kNoNote, 0, CVoiceAlloc::kFree, 0.0f, 0, 0};

bool ValidPart(int part) { return part >= 0 && part < CVoiceAlloc::kParts; }
bool ValidNote(int note) { return note >= 0 && note < CVoiceAlloc::kNoNote; }

}  // namespace

CVoiceAlloc::CVoiceAlloc() { Init(); }

void CVoiceAlloc::VoiceEvent(int, int, int, float, float, int, int) {}

void CVoiceAlloc::Init() {
  for (VoiceAllocEntry& e : entries_) e = kEmptyEntry;
  stealingMode_ = 1;
  startIndex_ = 0;
}

int CVoiceAlloc::CountPlaying() const {
  int n = 0;
  for (const VoiceAllocEntry& e : entries_) n += e.state == kPlaying ? 1 : 0;
  return n;
}

void CVoiceAlloc::FreeEntry(int n) {
  VoiceAllocEntry& e = entries_[n];
  const bool wasPlaying = e.state == kPlaying;
  const int32_t former = e.rank;
  e.state = kFree;
  e.rank = 0;
  if (!wasPlaying) return;
  for (VoiceAllocEntry& other : entries_) {
    if (other.rank > former) --other.rank;
  }
}

void CVoiceAlloc::StartNote(int part, int count, int note, float velocity, float spread, int legato) {
  if (!ValidPart(part) || !ValidNote(note) || count < 0) return;
  if (count == 1) {
    StartMono(part, note, velocity, legato);
    return;
  }
  if (count > kMaxUnison) count = kMaxUnison;
  if (count >= 2) {
    // A unison stack owns its part: the voices of the previous key stop at once.
    for (int n = 0; n < kVoices; ++n) {
      VoiceAllocEntry& e = entries_[n];
      if (e.part != part || e.state != kPlaying) continue;
      VoiceEvent(kStop, n, part, 0.0f, 0.0f, e.rank, e.note);
      FreeEntry(n);
    }
  }
  StartPoly(part, count == 0 ? 1 : count, note, velocity, spread);
}

void CVoiceAlloc::StartMono(int part, int note, float velocity, int legato) {
  for (int n = 0; n < kVoices; ++n) {
    VoiceAllocEntry& e = entries_[n];
    if (e.state != kMono || e.part != part) continue;
    e.note = static_cast<uint8_t>(note);
    e.velocity = velocity;
    e.rank = CountPlaying();
    // Velocity 0 tells the voice to glide to the new note without a new attack.
    VoiceEvent(kStart, n, part, legato ? 0.0f : velocity, 0.0f, e.rank, note);
    return;
  }
  for (int n = 0; n < kVoices; ++n) {
    VoiceAllocEntry& e = entries_[n];
    if (e.state != kFree) continue;
    e.note = static_cast<uint8_t>(note);
    e.part = static_cast<uint8_t>(part);
    e.velocity = velocity;
    e.state = kMono;
    e.unison = 0;
    e.rank = CountPlaying();
    VoiceEvent(kStart, n, part, velocity, 0.0f, e.rank, note);
    return;
  }
}

void CVoiceAlloc::StartPoly(int part, int count, int note, float velocity, float spread) {
  // The voices that played this note last are restarted in place, each on its own place in
  // the stack.
  bool placeTaken[kMaxUnison] = {};
  int restarted = 0;
  for (int n = 0; n < kVoices && restarted < count; ++n) {
    VoiceAllocEntry& e = entries_[n];
    if ((e.state != kFree && e.state != kPlaying) || e.part != part || e.note != note) continue;
    e.velocity = velocity;
    e.state = kPlaying;
    e.rank = CountPlaying();
    VoiceEvent(kStart, n, part, velocity, static_cast<float>(e.unison) * spread, e.rank, note);
    if (e.unison >= 0 && e.unison < kMaxUnison) placeTaken[e.unison] = true;
    ++restarted;
  }
  // The rest of the stack (all of it for a new note) goes round robin to free entries, on the
  // places the restarts did not cover.
  int missing = count - restarted;
  for (int u = 0; u < count && missing > 0; ++u) {
    if (placeTaken[u]) continue;
    --missing;
    for (int tries = 0; tries < kVoices; ++tries) {
      const int n = static_cast<int>(startIndex_ % kVoices);
      ++startIndex_;
      VoiceAllocEntry& e = entries_[n];
      if (e.state != kFree) continue;
      e.note = static_cast<uint8_t>(note);
      e.part = static_cast<uint8_t>(part);
      e.velocity = velocity;
      e.state = kPlaying;
      e.unison = u;
      e.rank = CountPlaying();
      VoiceEvent(kStart, n, part, velocity, static_cast<float>(u) * spread, e.rank, note);
      break;
    }
  }
}

int CVoiceAlloc::ReleaseNote(int part, int note) {
  if (!ValidPart(part) || !ValidNote(note)) return 0;
  bool freed = false;
  int32_t lastRank = 0;
  for (int n = 0; n < kVoices; ++n) {
    VoiceAllocEntry& e = entries_[n];
    if (e.state == kFree || e.part != part || e.note != note) continue;
    e.velocity = 0.0f;
    if (e.state == kPlaying) {
      e.state = kFree;
      freed = true;
    }
    lastRank = e.rank;
    e.rank = 0;
    VoiceEvent(kRelease, n, part, 0.0f, 0.0f, 0, note);
  }
  if (!freed) return 0;
  for (VoiceAllocEntry& e : entries_) {
    if (e.rank > lastRank) --e.rank;
  }
  return 1;
}

int CVoiceAlloc::FindVoice(int part, int note) const {
  if (!ValidPart(part) || !ValidNote(note)) return -1;
  for (int n = 0; n < kVoices; ++n) {
    const VoiceAllocEntry& e = entries_[n];
    if ((e.state == kPlaying || e.state == kMono) && e.part == part && e.note == note) return n;
  }
  return -1;
}

void CVoiceAlloc::ResetAllVoices() {
  for (int n = 0; n < kVoices; ++n) {
    if (entries_[n].state == kDisabled) continue;
    FreeEntry(n);
    entries_[n] = kEmptyEntry;
  }
}

void CVoiceAlloc::ResetPartVoices(int part) {
  if (!ValidPart(part)) return;
  for (int n = 0; n < kVoices; ++n) {
    if (entries_[n].state == kDisabled || entries_[n].part != part) continue;
    FreeEntry(n);
    entries_[n] = kEmptyEntry;
  }
}

void CVoiceAlloc::DisableEntry(int slot) {
  if (slot < 0 || slot >= kVoices) return;
  entries_[slot].state = kDisabled;
}

void CVoiceAlloc::EnableEntry(int slot) {
  if (slot >= 0 && slot < kVoices && entries_[slot].state == kDisabled) entries_[slot].state = kFree;
}

void CVoiceAlloc::EnableDisabledEntries() {
  for (VoiceAllocEntry& e : entries_) {
    if (e.state == kDisabled) e.state = kFree;
  }
}
