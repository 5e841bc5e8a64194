#include "midi/CInstrumentSeq.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "data/XmlWriter.h"
#include "midi/CClipCore.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"

namespace {

// Remainder in 0..m-1 also for negative ticks (m > 0).
int64_t Mod(int64_t a, int64_t m) {
  const int64_t r = a % m;
  return r < 0 ? r + m : r;
}

constexpr int kTriggerTicks = 6;  // one trigger row per sixteenth note

bool Sounds(int32_t state) { return state == kScenePlaying || state == kSceneStopping; }

// Notes ending at the same pulse as others start go first, so a repeated key is not cut
// by its own previous note-off; otherwise the clip's event order holds.
bool PlaysBefore(const CInstrumentSeq::PlayEntry& a, const CInstrumentSeq::PlayEntry& b) {
  if (a.time != b.time) return a.time < b.time;
  const bool aOff = a.type == CInstrumentSeq::kPlayNoteOff;
  const bool bOff = b.type == CInstrumentSeq::kPlayNoteOff;
  if (aOff != bOff) return aOff;
  return a.order < b.order;
}

}  // namespace

CInstrumentSeq::CInstrumentSeq(CClipCore* owner_, int track_) : CInstrument(owner_, track_) {
  held.Clear();
  latched.Clear();
}

void CInstrumentSeq::EventsChanged() {
  for (int s = 0; s < kScenes; ++s) BuildPlayList(s);
}

void CInstrumentSeq::BuildPlayList(int s) { playLists[s] = MakePlayList(clips[s].events); }

std::vector<CInstrumentSeq::PlayEntry> CInstrumentSeq::MakePlayList(const std::vector<SeqEvent>& events) {
  std::vector<PlayEntry> list;
  list.reserve(events.size() * 2);
  uint32_t order = 0;
  for (const SeqEvent& ev : events) {
    const uint32_t start = static_cast<uint32_t>(std::max(ev.time, 0));
    if (ev.type == kSeqNote) {
      // A note that ends before (or where) it starts still gets its note-off after it.
      const uint32_t end = std::max(static_cast<uint32_t>(std::max(ev.end, 0)), start + 1);
      list.push_back({start, kPlayNoteOn, ev.key, ev.velocity, 0, 0, order++});
      list.push_back({end, kPlayNoteOff, ev.key, 0, 0, 0, order++});
    } else {
      list.push_back({start, kPlayControl, 0, 0, ev.key, ev.velocity, order++});
    }
  }
  std::sort(list.begin(), list.end(), PlaysBefore);
  return list;
}

void CInstrumentSeq::SwapEvents(int scene, std::vector<SeqEvent>& events, std::vector<PlayEntry>& list) {
  if (!ValidScene(scene)) return;
  clips[scene].events.swap(events);
  playLists[scene].swap(list);
}

void CInstrumentSeq::OnClock(int tick, int arg) {
  CInstrument::OnClock(tick, arg);
  if (arg != 0 || current < 0 || !armed) return;
  ClipData& clip = clips[current];
  switch (scenes[current].kind) {
    case kClipArpeggiator:
      StepArpeggiator(tick, clip);
      break;
    case kClipMidiSeq:
      StepSequence(tick, clip);
      break;
    case kClipTrigger:
      StepTrigger(tick, clip);
      break;
    default:
      break;
  }
}

void CInstrumentSeq::NoteOn(int key, const ArpStep& step) {
  const int k = key & 0x7F;
  owner->Services().TrackNoteOn(track, k, step.Velocity, step.CVA, step.CVB, step.CVC);
  sounding[k] = 1;
}

void CInstrumentSeq::NoteOff(int key) {
  const int k = key & 0x7F;
  owner->Services().TrackNoteOff(track, k);
  sounding[k] = 0;
}

void CInstrumentSeq::StepSequence(int64_t tick, ClipData& clip) {
  if (clip.Loop_PP <= 0) return;
  const int64_t position = Mod(tick * 4, clip.Loop_PP);
  const std::vector<PlayEntry>& list = playLists[current];
  // A loop length that is no multiple of the 4 pulses of a tick never lands on 0: the
  // wrap is the loop start then.
  if (seekStart) {
    seekStart = false;
    if (position > 0 && position >= lastPosition) SkipTo(static_cast<uint32_t>(position), clip);
  }
  if (position == 0 || position < lastPosition) {
    playIndex = 0;
    std::fill(std::begin(skippedOffs), std::end(skippedOffs), uint16_t{0});
    for (const PlayEntry& e : list)
      if (e.type == kPlayNoteOff && e.time >= static_cast<uint32_t>(clip.Loop_PP))
        NoteOff(e.key + clip.Transpose);
  }
  lastPosition = static_cast<int32_t>(position);
  clip.position = static_cast<int32_t>(position);
  TrackServices& out = owner->Services();
  for (; playIndex < list.size(); ++playIndex) {
    const PlayEntry& e = list[playIndex];
    if (e.time > position) break;
    switch (e.type) {
      case kPlayNoteOn: {
        const int k = (e.key + clip.Transpose) & 0x7F;
        out.TrackNoteOn(track, k, e.velocity, 0, 0, 0);
        sounding[k] = 1;
        break;
      }
      case kPlayNoteOff: {
        uint16_t& skipped = skippedOffs[(e.key + clip.Transpose) & 0x7F];
        if (skipped > 0)
          --skipped;
        else
          NoteOff(e.key + clip.Transpose);
        break;
      }
      default:
        out.TrackControlChange(track, e.control, e.value);
        break;
    }
  }
}

void CInstrumentSeq::SkipTo(uint32_t position, const ClipData& clip) {
  const std::vector<PlayEntry>& list = playLists[current];
  int16_t latest[128];
  std::fill(std::begin(latest), std::end(latest), int16_t{-1});
  for (; playIndex < list.size() && list[playIndex].time < position; ++playIndex) {
    const PlayEntry& e = list[playIndex];
    uint16_t& skipped = skippedOffs[(e.key + clip.Transpose) & 0x7F];
    if (e.type == kPlayNoteOn)
      ++skipped;
    else if (e.type == kPlayNoteOff)
      skipped = skipped > 0 ? skipped - 1 : 0;
    else
      latest[e.control & 0x7F] = static_cast<int16_t>(e.value);
  }
  for (int c = 0; c < 128; ++c)
    if (latest[c] >= 0) owner->Services().TrackControlChange(track, c, latest[c]);
}

void CInstrumentSeq::StepTrigger(int64_t tick, ClipData& clip) {
  if (Mod(tick, kTriggerTicks) != 0) return;
  if (!Sounds(scenes[current].state)) {
    clip.position = 0;
    return;
  }
  const int count = clip.StepCount;
  // Without a usable length the pattern still stays within its 64 rows.
  const int step = (count <= 0 || count > kClipSteps)
                       ? static_cast<int>(Mod(tick / kTriggerTicks, kClipSteps))
                       : static_cast<int>(Mod(tick, int64_t{count} * kTriggerTicks) / kTriggerTicks);
  clip.position = step;
  TrackServices& out = owner->Services();
  for (const Trigger& t : clip.rows[step].triggers)
    if (t.Fire && !t.hold) out.TriggerDrumNote(step, t.Note, t.Accent);
}

int CInstrumentSeq::PickKey(const ClipData& clip, int index) const {
  const int n = latched.Count();
  if (n == 0) return -1;
  if (index < n) {
    switch (clip.OrderAlgo) {
      case 1:
        return latched.SlotAt(latched.SortedSlot(n - 1 - index)).key;
      case 2:
      case 3: {
        // Slots in the order keys took them; a released key leaves a gap that is skipped.
        const bool down = clip.OrderAlgo == 3;
        int seen = 0;
        for (int i = 0; i < HeldNoteList::kSlots; ++i) {
          const int slot = down ? HeldNoteList::kSlots - 1 - i : i;
          if (latched.SlotAt(slot).key == HeldNoteList::kFreeKey) continue;
          if (seen++ == index) return latched.SlotAt(slot).key;
        }
        return -1;
      }
      default:
        return latched.SlotAt(latched.SortedSlot(index)).key;
    }
  }
  const int newest = latched.SlotAt(latched.Head()).key;
  const int oldest = latched.SlotAt(latched.OldestSlot()).key;
  switch (clip.KeySubstitute) {
    case 1: return newest;
    case 2: return newest + 12;
    case 3: return newest > 12 ? newest - 12 : newest;
    case 4: return oldest;
    case 5: return oldest + 12;
    case 6: return oldest > 12 ? oldest - 12 : oldest;
    default: return -1;
  }
}

void CInstrumentSeq::EndArpNotes() {
  for (int i = 0; i < arpCount; ++i) NoteOff(arpNotes[i]);
  arpCount = 0;
}

void CInstrumentSeq::StepArpeggiator(int64_t tick, ClipData& clip) {
  if (!Sounds(scenes[current].state)) return;
  if (clip.OpMode == 0 || (clip.OpMode == 1 && held.Count() > 0)) latched = held;

  const int count = std::min(clip.StepCount, kClipSteps);
  const int factor = clip.Factor;
  if (count <= 0 || factor <= 0) return;
  const int64_t inPattern = Mod(tick, int64_t{factor} * count);
  const int step = static_cast<int>(inPattern / factor);
  const int64_t inStep = inPattern % factor;
  clip.position = step;
  const ArpStep& st = clip.steps[step];
  if (st.Mode < 1 || st.Mode > 3) return;

  if (inStep != 0) {
    if (inStep != arpGate) return;
    // The next step ties or slides on: the notes keep sounding into it.
    if (clip.steps[(step + 1) % count].Mode > 1) return;
    EndArpNotes();
    return;
  }

  // A width outside 0-100 % would put the note-off out of reach of the step.
  float width = clip.GateWidth;
  if (!(width >= 0.0f)) width = 0.0f;
  if (width > 100.0f) width = 100.0f;
  int gate = arm::ToInt32(width / 100.0f * static_cast<float>(factor - 1));
  if (gate < factor - 1) ++gate;
  arpGate = gate;
  if (st.Mode == 2) return;
  // Normally the gate has ended the last step's notes; when it could not (a one-tick
  // step), they end here rather than hang.
  if (st.Mode == 1) EndArpNotes();

  int keys[HeldNoteList::kMaxKeys];
  int n = 0;
  if (st.Key == 0) {
    for (int i = 0; i < latched.Count(); ++i) keys[n++] = latched.SlotAt(latched.SortedSlot(i)).key;
  } else if (st.Key >= 1 && st.Key <= 5) {
    const int k = PickKey(clip, 5 - st.Key);
    if (k >= 0) keys[n++] = k;
  }
  if (n == 0) return;

  int before[kMaxArpNotes];
  const int beforeCount = arpCount;
  std::copy(arpNotes, arpNotes + arpCount, before);
  arpCount = 0;
  for (int i = 0; i < n; ++i) {
    const int note = (keys[i] + st.Semitone - 12 * st.Octave) & 0x7F;
    NoteOn(note, st);
    arpNotes[arpCount++] = note;
  }
  if (st.Mode == 3) {
    // Legato: the old notes end just after the new ones start, except a key struck again,
    // whose note-off would cut the new note.
    for (int i = 0; i < beforeCount; ++i)
      if (std::find(arpNotes, arpNotes + arpCount, before[i]) == arpNotes + arpCount)
        NoteOff(before[i]);
  }
}

int CInstrumentSeq::OnNoteInput(int, int status, int key, int velocity) {
  const int kind = status & 0xF0;
  if (key >= 0 && key <= 127) {
    const uint8_t vel = static_cast<uint8_t>(velocity);
    if (kind == 0x80 || (kind == 0x90 && velocity == 0)) {
      held.Remove(key);
    } else if (kind == 0x90) {
      const bool wasEmpty = held.Count() == 0;
      held.Add(key, vel);
      const int opMode = current >= 0 ? clips[current].OpMode : -1;
      switch (opMode) {
        case 3:
          // One gesture: the latch collects every key pressed until all are released.
          if (wasEmpty) latched.Clear();
          latched.Add(key, vel);
          break;
        case 2:
          latched = held;
          break;
        case 4:
          if (held.Count() != 1) {
            latched = held;
          } else if (latched.Count() == 0) {
            latched.Add(key, vel);
          } else {
            // A single key transposes the latched pattern, taking its oldest key as root.
            const int root = latched.SlotAt(latched.OldestSlot()).key;
            platform::LogPrintf("first: least_recent %d pressed note %d,\n", root, key);
            int order[HeldNoteList::kMaxKeys];
            int n = 0;
            for (int s = latched.Head(); s != 0 && n < HeldNoteList::kMaxKeys;
                 s = latched.SlotAt(s).next)
              order[n++] = s;
            HeldNoteList moved;
            while (n-- > 0) {
              const HeldNoteList::Slot& slot = latched.SlotAt(order[n]);
              const int k = slot.key + key - root;
              if (k >= 0 && k <= 127) moved.Add(k, slot.velocity);
            }
            latched = moved;
          }
          break;
        default:
          break;
      }
    }
  }
  return current < 0 ? 0 : 1;
}

void CInstrumentSeq::Rewind(int flag) {
  if (current < 0) return;
  ClipData& clip = clips[current];
  if (flag) {
    ReleaseSounding();
    clip.position = 0;
    playIndex = 0;
    lastPosition = 0;
    seekStart = true;
    std::fill(std::begin(skippedOffs), std::end(skippedOffs), uint16_t{0});
  } else {
    for (const PlayEntry& e : playLists[current])
      if (e.type == kPlayNoteOff) NoteOff(e.key + clip.Transpose);
  }
}

void CInstrumentSeq::OnClipStop() {
  if (current < 0) return;
  ClipData& clip = clips[current];
  clip.position = 0;
  playIndex = 0;
  lastPosition = 0;
  // The part's reset reaches no synth part from the external tracks: note-offs first.
  ReleaseSounding();
  if (scenes[current].kind != kClipArpeggiator) owner->Services().SendPartStop(track);
}

void CInstrumentSeq::OnClipStart() {
  platform::LogPrintf("change[%d]\n", track);
  if (current < 0) return;
  ReleaseSounding();
  if (scenes[current].kind == kClipMidiSeq) owner->Services().SendPartStop(track);
}

void CInstrumentSeq::Stop() { ReleaseSounding(); }

void CInstrumentSeq::ReleaseSounding() {
  TrackServices& out = owner->Services();
  for (int k = 0; k < 128; ++k) {
    if (!sounding[k]) continue;
    out.TrackNoteOff(track, k);
    sounding[k] = 0;
  }
  arpCount = 0;
}

void CInstrumentSeq::ClearSounding() {
  std::fill(std::begin(sounding), std::end(sounding), uint8_t{0});
}

namespace {

// The external MIDI tracks; the others play the synth parts and the drums.
constexpr int kFirstExternalTrack = 5;

struct SubTypeName {
  int32_t kind;
  const char* name;
};
constexpr SubTypeName kSubTypes[] = {
    {kClipArpeggiator, "Arpeggiator"},
    {kClipMidiSeq, "MidiSeq"},
    {kClipTrigger, "TrgSeq"},
};

std::string Real(float v) {
  char text[48];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(v));
  return text;
}

// Attributes are queued in reverse: the writer puts the last queued first.
void Queue(XmlWriter& w, std::initializer_list<std::pair<const char*, std::string>> attributes) {
  for (auto it = std::rbegin(attributes); it != std::rend(attributes); ++it)
    w.AddAttribute(it->first, it->second);
}

std::string Int(int v) { return std::to_string(v); }

void StoreArp(XmlWriter& w, const ClipData& c) {
  Queue(w, {{"RestartMode", Int(c.RestartMode)}, {"KeySubstitute", Int(c.KeySubstitute)},
            {"OrderAlgo", Int(c.OrderAlgo)}, {"OpMode", Int(c.OpMode)},
            {"StepCount", Int(c.StepCount)}, {"Factor", Int(c.Factor)},
            {"GateWidth", Real(c.GateWidth)}});
  w.BeginElement("ARP");
  w.WriteComment("Arpeggiator Pattern");
  const int count = std::clamp(c.StepCount, 0, kClipSteps);
  for (int i = 0; i < count; ++i) {
    const ArpStep& s = c.steps[i];
    Queue(w, {{"Pos", Int(i)}, {"Key", Int(s.Key)}, {"Mode", Int(s.Mode)}, {"Octave", Int(s.Octave)},
              {"Semitone", Int(s.Semitone)}, {"Velocity", Int(s.Velocity)}, {"CVA", Int(s.CVA)},
              {"CVB", Int(s.CVB)}, {"CVC", Int(s.CVC)}});
    w.BeginElement("ASTEP");
    w.EndElement();
  }
  w.EndElement();
}

void StoreSeq(XmlWriter& w, const ClipData& c) {
  Queue(w, {{"Imported", c.Imported}, {"PP", Int(kSeqPulsesPerQuarter)},
            {"Numerator", Int(c.Numerator)}, {"Denominator", Int(c.Denominator)},
            {"Loop_PP", Int(c.Loop_PP)}, {"Length_QN", Int(c.Length_QN)},
            {"Length_PP", Int(c.Length_PP)}, {"Transpose", Int(c.Transpose)}});
  w.BeginElement("SEQ");
  for (const SeqEvent& e : c.events) {
    if (e.type == kSeqNote) {
      Queue(w, {{"Key", Int(e.key)}, {"Velocity", Int(e.velocity)}, {"Start", Int(e.time)},
                {"End", Int(e.end)}});
      w.BeginElement("NOTE");
    } else {
      Queue(w, {{"Control", Int(e.key)}, {"Value", Int(e.velocity)}, {"Tick", Int(e.time)}});
      w.BeginElement("CC");
    }
    w.EndElement();
  }
  w.EndElement();
}

void StoreTriggers(XmlWriter& w, const ClipData& c) {
  Queue(w, {{"Kit", "?"}, {"StepCount", Int(c.StepCount)}});
  w.BeginElement("TRG-SEQUENCE");
  w.WriteComment("Trigger Pattern");
  const int count = std::clamp(c.StepCount, 0, kClipSteps);
  for (int r = 0; r < count; ++r) {
    const TriggerRow& row = c.rows[r];
    Queue(w, {{"Pos", Int(row.row)}});
    w.BeginElement("TSTEP");
    for (int i = 0; i < kRowTriggers; ++i) {
      const Trigger& t = row.triggers[i];
      if (!t.Fire) continue;
      Queue(w, {{"Index", Int(i)}, {"Fire", Int(t.Fire)}, {"Note", Int(t.Note)},
                {"Accent", Int(t.Accent)}, {"Pitch", Real(t.Pitch)}, {"Pan", Real(t.Pan)}});
      w.BeginElement("TRIGGER");
      w.EndElement();
    }
    w.EndElement();
  }
  w.EndElement();
}

}  // namespace

void CInstrumentSeq::XMLStoreTrack(XmlWriter& w, const SceneSlot (&slots)[kScenes]) {
  Queue(w, {{"Type", track < kFirstExternalTrack ? "internal" : "external"}, {"Track", Int(track)}});
  w.BeginElement("INSTRUMENT");
  for (int s = 0; s < kScenes; ++s) {
    const SceneSlot& scene = slots[s];
    const ClipData& c = clips[s];
    if (!scene.hasClip) {
      Queue(w, {{"Nr", Int(s)}, {"Name", "---"}});
      w.BeginElement("CLIP");
      w.EndElement();
      continue;
    }
    const char* subType = nullptr;
    for (const SubTypeName& t : kSubTypes)
      if (t.kind == scene.kind) subType = t.name;
    w.AddAttribute("QN", Int(c.StepCount));
    w.AddAttribute("Name", c.name);
    if (subType) w.AddAttribute("SubType", subType);
    w.AddAttribute("Nr", Int(s));
    w.BeginElement("CLIP");
    switch (scene.kind) {
      case kClipArpeggiator: StoreArp(w, c); break;
      case kClipMidiSeq: StoreSeq(w, c); break;
      case kClipTrigger: StoreTriggers(w, c); break;
      default: break;
    }
    w.EndElement();
  }
  w.EndElement();
}
