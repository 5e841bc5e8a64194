#include "tools/factory/DemoSong.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "midi/TrackServices.h"
#include "platform/Paths.h"

namespace {

constexpr char kWorking[] = "/var/lib/ruv/working/";
constexpr int kQuarter = kSeqPulsesPerQuarter;
constexpr int kBar = 4 * kQuarter;
constexpr int kBars = 4;

// The clip set is only written here: nothing plays.
using NoTracks = SilentTrackServices;

// A minor, F, C and G, a bar each, for the pad on part B.
constexpr uint8_t kChords[kBars][3] = {{57, 60, 64}, {53, 57, 60}, {55, 60, 64}, {55, 59, 62}};

// A sixteen-step pattern on the held chord: first, second and third key of the order, the
// second half an octave up, a rest and a tie to breathe.
void StepPattern(ClipData& clip) {
  clip.name = "Steps";
  clip.Factor = 6;  // sixteenth notes
  clip.StepCount = 16;
  clip.GateWidth = 60.0f;
  constexpr uint8_t kKeys[4] = {5, 4, 3, 4};  // 5 is the first key of the order
  for (int s = 0; s < 16; ++s) {
    ArpStep& st = clip.steps[s];
    st.Mode = s == 15 ? 2 : 1;
    st.Key = s == 7 ? 6 : kKeys[s % 4];
    st.Velocity = s % 4 == 0 ? 110 : 80;
    st.Octave = s >= 8 ? -1 : 0;
  }
}

// The grid's rows: 1 kick, 2 snare, 3 hat; the instruments are the kit's pads (kick 0,
// snare 1, clap 2, closed hat 3).
struct Hit {
  int row;
  uint8_t instrument;
  uint16_t steps;  // bit s: a hit on step s
  uint8_t accent;
};
constexpr Hit kBeat[] = {
    {1, 0, 0b0001000100010001, 100},  // kick on the quarters
    {2, 1, 0b0001000000010000, 95},   // snare on two and four
    {2, 2, 0b0100000000000000, 80},   // a clap before the bar's end
    {3, 3, 0b0101010101010101, 70},   // hat on the eighths
};

void DrumPattern(ClipData& clip) {
  clip.name = "Beat";
  clip.StepCount = 16;
  for (const Hit& h : kBeat)
    for (int s = 0; s < 16; ++s)
      if (h.steps >> s & 1) clip.rows[s].triggers[h.row - 1] = Trigger{1, 0, h.accent, h.instrument, 0.0f, 0.0f};
}

void ChordClip(ClipData& clip) {
  clip.name = "Chords";
  clip.Imported = DemoSong::kMidiFile;
  clip.events = DemoSong::ChordEvents();
  clip.Numerator = 4;
  clip.Denominator = 4;
  clip.Length_PP = kBars * kBar;
  clip.Length_QN = kBars * 4;
  clip.Loop_PP = kBars * kBar;
}

void Put(std::vector<uint8_t>& out, std::initializer_list<int> bytes) {
  for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
}

void PutVarLen(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t bytes[5];
  int n = 0;
  do {
    bytes[n++] = static_cast<uint8_t>(v & 0x7F);
    v >>= 7;
  } while (v != 0);
  while (n-- > 0) out.push_back(static_cast<uint8_t>(bytes[n] | (n > 0 ? 0x80 : 0)));
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && whole;
}

}  // namespace

std::vector<SeqEvent> DemoSong::ChordEvents() {
  std::vector<SeqEvent> events;
  for (int bar = 0; bar < kBars; ++bar)
    for (uint8_t key : kChords[bar])
      events.push_back({kSeqNote, bar * kBar, bar * kBar + kBar - kQuarter / 4, 0, key, 70});
  return events;
}

std::vector<uint8_t> DemoSong::MidiFileBytes(const std::vector<SeqEvent>& events, const char* trackName) {
  struct Change {
    int32_t time;
    uint8_t status, key, velocity;
  };
  std::vector<Change> changes;
  for (const SeqEvent& e : events) {
    if (e.type != kSeqNote) continue;
    changes.push_back({e.time, 0x90, e.key, e.velocity});
    changes.push_back({e.end, 0x80, e.key, 0});
  }
  // Note-offs before note-ons at the same time, so a repeated key is not cut.
  std::stable_sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) {
    return a.time != b.time ? a.time < b.time : a.status < b.status;
  });
  std::vector<uint8_t> track;
  const std::string name(trackName);
  Put(track, {0x00, 0xFF, 0x03});
  PutVarLen(track, static_cast<uint32_t>(name.size()));
  track.insert(track.end(), name.begin(), name.end());
  Put(track, {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});  // 500000 us a quarter: 120 BPM
  Put(track, {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});  // 4/4
  int32_t now = 0;
  for (const Change& c : changes) {
    PutVarLen(track, static_cast<uint32_t>(c.time - now));
    Put(track, {c.status, c.key, c.velocity});
    now = c.time;
  }
  Put(track, {0x00, 0xFF, 0x2F, 0x00});
  std::vector<uint8_t> file;
  Put(file, {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, kSeqPulsesPerQuarter});
  Put(file, {'M', 'T', 'r', 'k'});
  const uint32_t size = static_cast<uint32_t>(track.size());
  Put(file, {int(size >> 24 & 0xFF), int(size >> 16 & 0xFF), int(size >> 8 & 0xFF), int(size & 0xFF)});
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

bool DemoSong::Write() {
  const std::string working = platform::DataPath(kWorking);
  std::error_code error;
  for (const char* folder : {"clips", "midifiles"}) std::filesystem::create_directories(working + folder, error);
  const std::string midi = working + "midifiles/" + kMidiFile;
  if (!WriteFile(midi, MidiFileBytes(ChordEvents(), "Chords"))) {
    std::fprintf(stderr, "factory-bank: cannot write %s\n", midi.c_str());
    return false;
  }

  NoTracks tracks;
  FakeRawMidiBackend backend;
  CClipCore core(tracks, backend);
  ClipMaster& master = core.Master();
  master.CreateDefault();
  {
    auto lock = master.Lock();
    const auto seq = [&](int track) { return dynamic_cast<CInstrumentSeq*>(master.Track(track)); };
    if (seq(kStepTrack) == nullptr || seq(kChordTrack) == nullptr || seq(kDrumTrack) == nullptr) return false;
    StepPattern(seq(kStepTrack)->Clip(kScene));
    seq(kChordTrack)->CreateClip(kScene, kClipMidiSeq);
    ChordClip(seq(kChordTrack)->Clip(kScene));
    seq(kChordTrack)->EventsChanged();
    DrumPattern(seq(kDrumTrack)->Clip(kScene));
  }
  if (core.XMLStoreClipLauncher(kClipSet) != 1) {
    std::fprintf(stderr, "factory-bank: cannot write the clip set \"%s\"\n", kClipSet);
    return false;
  }
  return true;
}
