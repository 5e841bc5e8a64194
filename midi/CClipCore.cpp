#include "midi/CClipCore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "data/XmlWriter.h"
#include "midi/CInstrumentSeq.h"
#include "midi/LaunchCtrlFactory.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace {

// Raw-MIDI device names of the supported controllers, by driver type; matched exactly.
struct KnownController {
  const char* name;
  int type;
};
constexpr KnownController kControllers[] = {
    {"APC MINI", kLaunchCtrlApcMini},
    {"SmartPAD", kLaunchCtrlSmartPad},
    {"Launchpad Pro MK3", kLaunchCtrlLaunchpadProMk3},
    {"APC mini mk2", kLaunchCtrlApcMiniMk2},
};

constexpr int kChannelPressure = 0xD0;

constexpr const char* kClipsDir = "/var/lib/ruv/working/clips/";
constexpr const char* kNoClip = "---";

// The kind of a scene by the SubType of its CLIP; any other named clip is a trigger clip.
struct KindBySubType {
  const char* subType;
  int32_t kind;
};
constexpr KindBySubType kKinds[] = {
    {"MidiSeq", kClipMidiSeq},
    {"Arpeggiator", kClipArpeggiator},
};

uint8_t Byte(int v) { return static_cast<uint8_t>(v); }

}  // namespace

CClipCore::CClipCore(TrackServices& services, RawMidiBackend& backend)
    : CAlsaMidi(backend), services_(services), master(std::make_unique<ClipMaster>(this)) {
  master->CreateDefault();
}

CClipCore::~CClipCore() {
  // The tracks and the driver go before the ports they light.
  master->Clear();
  auto lock = master->Lock();
  ctrl_.reset();
}

void CClipCore::OnMidiInput(int port, int channel, int status, uint8_t data1, uint8_t data2) {
  if (status == kChannelPressure) return;
  if (master->OnControllerInput(channel, status, data1, data2)) return;
  services_.DispatchMidiCC(port, 0, data1, data2);
}

int CClipCore::EditClip(int t) {
  if (t < 0 || t >= ClipMaster::kTracks) return -1;
  int clip = -1;
  if (editClipMode == 1) {
    clip = editClips[t];
  } else if (editClipMode == 2) {
    const CInstrument* instrument = master->Track(t);
    clip = instrument ? instrument->Current() : -1;
  }
  return clip >= 0 && clip < CInstrument::kScenes ? clip : -1;
}

void CClipCore::OnClockTick(int t, int arg) {
  std::lock_guard<platform::PiMutex> lock(master->mutex);
  tick.store(t, std::memory_order_relaxed);
  const int quarters = master->GetBarQuarters();
  if (quarters == 2) {
    beat.store((t / 24) % 2, std::memory_order_relaxed);
    bar.store(0, std::memory_order_relaxed);
  } else {
    beat.store((t / 24) % 4, std::memory_order_relaxed);
    // The bar within the quantum; quanta shorter than a bar have only bar 0.
    const int mask = quarters / 4 - 1;
    bar.store(mask > 0 ? (t / 96) & mask : 0, std::memory_order_relaxed);
  }
  master->OnClockStep(t, arg);
  if (LaunchCtrl* c = Ctrl()) c->OnClockTick(t);
}

int CClipCore::TrackNoteInput(int track, int channel, int status, int key, int velocity) {
  if (track < 0 || track >= ClipMaster::kTracks || !master->running) return 0;
  std::lock_guard<platform::PiMutex> lock(master->mutex);
  CInstrument* t = master->Track(track);
  return t ? t->OnNoteInput(channel, status, key, velocity) : 0;
}

int CClipCore::DetectController() {
  ScanDevices();
  for (int i = 0; i < PortCount(); ++i) {
    for (const KnownController& k : kControllers) {
      if (Port(i).name != k.name) continue;
      if (OpenPort(i, kControllerPort, true) != 0) return -2;
      auto edit = master->EditLock();
      {
        std::lock_guard<platform::PiMutex> lock(master->mutex);
        LaunchCtrlFactory(ctrl_, k.type, this, i);
      }
      // The reset pauses between rows: the clock goes on meanwhile (the driver is only
      // replaced under both mutexes).
      if (ctrl_) ctrl_->ResetLeds();
      return 0;
    }
  }
  return -1;
}

struct CClipCore::LoadState {
  struct Descriptor {
    std::string name;
    std::string subType;
    int nr;
    std::unique_ptr<ClipData> content;  // null: the clip brought no pattern
  };
  struct IndexedTrigger {
    int index;
    Trigger trigger;
  };
  // Patterns finished since the last CLIP: they belong to the CLIP that encloses them.
  std::vector<std::unique_ptr<ClipData>> contents;
  std::vector<Descriptor> clips;
  std::vector<TriggerRow> rows;
  std::vector<IndexedTrigger> triggers;
  std::vector<ArpStep> steps;
  std::vector<SeqEvent> events;
  std::vector<std::unique_ptr<CInstrumentSeq>> instruments;
  int instrumentsSeen = 0;
  int mastersSeen = 0;
};

bool CClipCore::Within(std::size_t count, std::size_t limit, const char* what) {
  if (count < limit) return true;
  // More than a stored clip set holds is no clip set of this program: every element past
  // the limit would cost a clip's memory, so the file is refused here.
  platform::LogPrintf("XMLLoad ClipLauncher: more than %zu %s, file refused\n", limit, what);
  Refuse();
  return false;
}

bool CClipCore::ClipSetPath(const char* name) {
  if (name && *name) {
    // The name is a file in the clips folder, never a way out of it.
    if (std::strchr(name, '/')) return false;
    clipSetPath = platform::DataPath(kClipsDir) + name + ".launch";
  }
  return !clipSetPath.empty();
}

int CClipCore::XMLStoreClipLauncher(const char* name) {
  if (!ClipSetPath(name)) return 0;
  // A song is stored whole or not at all; a data tree without the launcher's folder would
  // otherwise refuse every song.
  ::mkdir(platform::DataPath(kClipsDir).c_str(), 0755);
  XmlWriter w(clipSetPath, *fileOps_);
  if (!w.IsOpen()) return 0;
  w.AddAttribute("Version", "1");
  w.AddAttribute("SynthType", "PX415");
  w.WriteComment("Clip Launch ");
  w.BeginElement("LAUNCHER");
  {
    // Only the scene states and the master's values are the clock's; they are copied
    // under its mutex. The clips' contents stay as they are under the edit mutex alone,
    // so the clock does not wait for the document.
    auto edit = master->EditLock();
    SceneSlot scenes[ClipMaster::kTracks][CInstrument::kScenes];
    {
      std::lock_guard<platform::PiMutex> lock(master->mutex);
      for (int t = 0; t < ClipMaster::kTracks; ++t)
        if (CInstrument* i = master->Track(t))
          for (int s = 0; s < CInstrument::kScenes; ++s) scenes[t][s] = i->Scene(s);
      master->XMLStoreMaster(w);
    }
    for (int t = 0; t < ClipMaster::kTracks; ++t)
      if (CInstrument* i = master->Track(t)) i->XMLStoreTrack(w, scenes[t]);
  }
  w.EndAll();
  return w.Close() ? 1 : 0;
}

int CClipCore::XMLLoadClipLauncher(const char* name) {
  if (name && std::strchr(name, '/')) return 0;
  ClipSetPath(name);
  {
    // The reset pauses between rows; the clock goes on meanwhile.
    auto edit = master->EditLock();
    if (LaunchCtrl* c = Ctrl()) c->ResetLeds();
  }
  master->Clear();
  parsedCount = 0;
  load = std::make_unique<LoadState>();
  const int result = ParseFile(clipSetPath.c_str());
  // Whatever a broken file left collected goes with it, before the default set is made.
  load.reset();
  if (result == kOk) {
    platform::LogPrintf("XMLLoad ClipLauncher: OK parsed:%d\r\n", parsedCount);
  } else {
    // A tree without a clip set (a fresh one) plays the default set; only a file that is
    // there and cannot be read is an error.
    const bool missing = result == kUnreadable && access(clipSetPath.c_str(), F_OK) != 0 && errno == ENOENT;
    if (!missing) platform::LogPrintf("XMLLoad ClipLauncher: ERROR: %d\r\n", result);
    try {
      master->CreateDefault();
    } catch (const std::bad_alloc&) {
      // Nothing a file did may end the program: the tracks stay empty.
      platform::LogPrintf("XMLLoad ClipLauncher: out of memory for the default clip set\n");
    }
  }
  return parsedCount;
}

void CClipCore::OnLauncher(const char* synth, const char* version) {
  ++parsedCount;
  platform::LogPrintf("Launch Tag synth:%s, version:%s\n", synth, version);
}

void CClipCore::OnMaster(int bpm, int qn2c) {
  ++parsedCount;
  if (!Within(load->mastersSeen++, 1, "MASTER elements")) return;
  if (qn2c > ClipMaster::kMaxBarQuarters) {
    platform::LogPrintf("XMLLoad ClipLauncher: qn2c %d out of range, kept %d\n", qn2c,
                        master->GetBarQuarters());
    qn2c = 0;
  }
  for (auto& i : load->instruments) i->EventsChanged();
  master->Clear();
  std::unique_ptr<CInstrument> replaced[ClipMaster::kTracks];
  {
    auto lock = master->Lock();
    for (auto& i : load->instruments) {
      const int t = i->Track();
      // Tracks beyond the seven are dropped; a track given twice keeps the later one.
      if (t < 0 || t >= ClipMaster::kTracks) continue;
      replaced[t] = std::move(master->tracks[t]);
      master->tracks[t] = std::move(i);
    }
    // A quantum or tempo of 0 or less from a file keeps the current one.
    master->SetBarLengthLocked(qn2c > 0 ? qn2c : master->GetBarQuarters());
    if (bpm > 0) master->bpm.store(bpm, std::memory_order_relaxed);
  }
  load->instruments.clear();
}

void CClipCore::OnInstrument(const char*, int track) {
  ++parsedCount;
  if (!Within(load->instrumentsSeen++, ClipMaster::kTracks, "INSTRUMENT elements")) return;
  auto instrument = std::make_unique<CInstrumentSeq>(this, track);
  for (std::size_t k = 0; k < load->clips.size(); ++k) {
    LoadState::Descriptor& d = load->clips[k];
    platform::LogPrintf("track: %d, clip: %d, name %s\n", track, d.nr, d.name.c_str());
    // The slot is the clip's place in its track, for its kind and its content alike: a
    // written file numbers them so, and an Nr that disagrees must not move the kind alone.
    const int slot = static_cast<int>(k);
    const bool named = d.name != kNoClip;
    int kind = kClipTrigger;
    for (const KindBySubType& m : kKinds)
      if (d.subType == m.subType) kind = m.kind;
    instrument->SetKind(slot, named ? kind : kClipNone);
    if (!named) continue;
    ClipData& clip = instrument->Clip(slot);
    // A named clip without its pattern element gets a fresh one of its kind.
    if (d.content) clip = std::move(*d.content);
    clip.name = d.name;
    instrument->CreateClip(slot, instrument->Scene(slot).kind);
  }
  load->clips.clear();
  load->contents.clear();
  load->instruments.push_back(std::move(instrument));
}

void CClipCore::OnClip(const char* name, const char* subType, int nr, int) {
  ++parsedCount;
  if (!Within(load->clips.size(), CInstrument::kScenes, "CLIP elements in an INSTRUMENT")) return;
  LoadState::Descriptor d{name, subType, nr, nullptr};
  if (!load->contents.empty()) d.content = std::move(load->contents.front());
  load->contents.clear();
  load->clips.push_back(std::move(d));
}

void CClipCore::OnTrgSequence(const char*, int stepCount) {
  ++parsedCount;
  if (!Within(load->contents.size(), 1, "patterns in a CLIP")) return;
  auto c = std::make_unique<ClipData>();
  const std::size_t n = std::min<std::size_t>(load->rows.size(), kClipSteps);
  std::copy_n(load->rows.begin(), n, c->rows);
  c->StepCount = std::clamp(stepCount, 0, kClipSteps);
  load->contents.push_back(std::move(c));
  load->rows.clear();
}

void CClipCore::OnTStep(int pos) {
  ++parsedCount;
  if (!Within(load->rows.size(), kClipSteps, "TSTEP elements in a TRG-SEQUENCE")) return;
  if (pos >= 0 && pos < kClipSteps) {
    TriggerRow row{};
    row.row = pos;
    for (const LoadState::IndexedTrigger& t : load->triggers)
      if (t.index >= 0 && t.index < kRowTriggers) row.triggers[t.index] = t.trigger;
    load->rows.push_back(row);
  }
  load->triggers.clear();
}

void CClipCore::OnTrigger(int index, int fire, int note, int accent, double pitch, double pan) {
  ++parsedCount;
  if (!Within(load->triggers.size(), kRowTriggers, "TRIGGER elements in a TSTEP")) return;
  load->triggers.push_back({index, Trigger{Byte(fire != 0), 0, Byte(accent), Byte(note),
                                           static_cast<float>(pitch), static_cast<float>(pan)}});
}

void CClipCore::OnArp(int, int restartMode, int keySubstitute, double gateWidth, int orderAlgo,
                      int opMode, int stepCount, int factor) {
  ++parsedCount;
  if (!Within(load->contents.size(), 1, "patterns in a CLIP")) return;
  auto c = std::make_unique<ClipData>();
  for (const ArpStep& s : load->steps) c->steps[s.Pos] = s;
  c->RestartMode = restartMode;
  c->KeySubstitute = keySubstitute;
  c->GateWidth = static_cast<float>(gateWidth);
  c->OrderAlgo = orderAlgo;
  c->OpMode = opMode;
  c->StepCount = std::clamp(stepCount, 0, kClipSteps);
  c->Factor = std::max(factor, 6);
  load->contents.push_back(std::move(c));
  load->steps.clear();
}

void CClipCore::OnArpStep(int pos, int key, int mode, int octave, int semitone, int velocity,
                          double cva, double cvb, double cvc) {
  ++parsedCount;
  if (!Within(load->steps.size(), kClipSteps, "ASTEP elements in an ARP")) return;
  if (pos < 0 || pos >= kClipSteps) return;
  load->steps.push_back(ArpStep{Byte(pos), Byte(mode), Byte(key), Byte(velocity), Byte(semitone),
                                static_cast<int8_t>(octave), Byte(arm::ToInt32(cva)),
                                Byte(arm::ToInt32(cvb)), Byte(arm::ToInt32(cvc))});
}

void CClipCore::OnSeq(const char* imported, int, int loopPP, int lengthPP, int lengthQN,
                      int transpose, int numerator, int denominator) {
  ++parsedCount;
  if (!Within(load->contents.size(), 1, "patterns in a CLIP")) return;
  if (transpose < -kMaxTranspose || transpose > kMaxTranspose) {
    platform::LogPrintf("XMLLoad ClipLauncher: Transpose %d out of range, kept 0\n", transpose);
    transpose = 0;
  }
  auto c = std::make_unique<ClipData>();
  c->Imported = imported;
  c->events = std::move(load->events);
  c->Loop_PP = loopPP;
  c->Length_PP = lengthPP;
  c->Length_QN = lengthQN;
  c->Transpose = transpose;
  c->Numerator = numerator;
  c->Denominator = denominator;
  load->contents.push_back(std::move(c));
  load->events.clear();
}

void CClipCore::OnNote(int key, int start, int end, int velocity) {
  ++parsedCount;
  if (!Within(load->events.size(), kMaxClipEvents, "events in a SEQ")) return;
  load->events.push_back({kSeqNote, start, end, 0, Byte(key), Byte(velocity)});
}

void CClipCore::OnControl(int control, int value, int tick_) {
  ++parsedCount;
  if (!Within(load->events.size(), kMaxClipEvents, "events in a SEQ")) return;
  load->events.push_back({kSeqControl, tick_, tick_, 0, Byte(control), Byte(value)});
}
