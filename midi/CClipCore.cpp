#include "midi/CClipCore.h"

#include <algorithm>
#include <cstring>
#include <mutex>
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
  std::lock_guard<platform::PiMutex> lock(master->mutex);
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
      std::lock_guard<platform::PiMutex> lock(master->mutex);
      LaunchCtrlFactory(ctrl_, k.type, this, i);
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
};

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
  XmlWriter w(clipSetPath);
  if (!w.IsOpen()) return 0;
  w.AddAttribute("Version", "1");
  w.AddAttribute("SynthType", "PX415");
  w.WriteComment("Clip Launch ");
  w.BeginElement("LAUNCHER");
  {
    std::lock_guard<platform::PiMutex> lock(master->mutex);
    master->XMLStoreMaster(w);
    for (int t = 0; t < ClipMaster::kTracks; ++t)
      if (CInstrument* i = master->Track(t)) i->XMLStoreTrack(w);
  }
  w.EndAll();
  return w.Close() ? 1 : 0;
}

int CClipCore::XMLLoadClipLauncher(const char* name) {
  if (name && std::strchr(name, '/')) return 0;
  ClipSetPath(name);
  {
    std::lock_guard<platform::PiMutex> lock(master->mutex);
    if (LaunchCtrl* c = Ctrl()) c->ResetLeds();
  }
  master->Clear();
  parsedCount = 0;
  load = std::make_unique<LoadState>();
  const int result = ParseFile(clipSetPath.c_str());
  if (result == kOk) {
    platform::LogPrintf("XMLLoad ClipLauncher: OK parsed:%d\r\n", parsedCount);
  } else {
    platform::LogPrintf("XMLLoad ClipLauncher: ERROR: %d\r\n", result);
    master->CreateDefault();
  }
  // Whatever a broken file left collected goes with it.
  load.reset();
  return parsedCount;
}

void CClipCore::OnLauncher(const char* synth, const char* version) {
  ++parsedCount;
  platform::LogPrintf("Launch Tag synth:%s, version:%s\n", synth, version);
}

void CClipCore::OnMaster(int bpm, int qn2c) {
  ++parsedCount;
  for (auto& i : load->instruments) i->EventsChanged();
  master->Clear();
  std::unique_ptr<CInstrument> replaced[ClipMaster::kTracks];
  {
    std::lock_guard<platform::PiMutex> lock(master->mutex);
    for (auto& i : load->instruments) {
      const int t = i->Track();
      // Tracks beyond the seven are dropped; a track given twice keeps the later one.
      if (t < 0 || t >= ClipMaster::kTracks) continue;
      replaced[t] = std::move(master->tracks[t]);
      master->tracks[t] = std::move(i);
    }
  }
  load->instruments.clear();
  // A quantum or tempo of 0 or less from a file keeps the current one.
  master->SetBarLength(qn2c > 0 ? qn2c : master->GetBarQuarters());
  if (bpm > 0) master->bpm.store(bpm, std::memory_order_relaxed);
}

void CClipCore::OnInstrument(const char*, int track) {
  ++parsedCount;
  auto instrument = std::make_unique<CInstrumentSeq>(this, track);
  for (std::size_t k = 0; k < load->clips.size(); ++k) {
    LoadState::Descriptor& d = load->clips[k];
    platform::LogPrintf("track: %d, clip: %d, name %s\n", track, d.nr, d.name.c_str());
    const bool named = d.name != kNoClip;
    int kind = kClipTrigger;
    for (const KindBySubType& m : kKinds)
      if (d.subType == m.subType) kind = m.kind;
    instrument->SetKind(d.nr, named ? kind : kClipNone);
    if (!named || k >= CInstrument::kScenes) continue;
    ClipData& clip = instrument->Clip(static_cast<int>(k));
    // A named clip without its pattern element gets a fresh one of its kind.
    if (d.content) clip = std::move(*d.content);
    clip.name = d.name;
    instrument->CreateClip(static_cast<int>(k), instrument->Scene(static_cast<int>(k)).kind);
  }
  load->clips.clear();
  load->contents.clear();
  load->instruments.push_back(std::move(instrument));
}

void CClipCore::OnClip(const char* name, const char* subType, int nr, int) {
  ++parsedCount;
  LoadState::Descriptor d{name, subType, nr, nullptr};
  if (!load->contents.empty()) d.content = std::move(load->contents.front());
  load->contents.clear();
  load->clips.push_back(std::move(d));
}

void CClipCore::OnTrgSequence(const char*, int stepCount) {
  ++parsedCount;
  auto c = std::make_unique<ClipData>();
  const std::size_t n = std::min<std::size_t>(load->rows.size(), kClipSteps);
  std::copy_n(load->rows.begin(), n, c->rows);
  c->StepCount = std::clamp(stepCount, 0, kClipSteps);
  load->contents.push_back(std::move(c));
  load->rows.clear();
}

void CClipCore::OnTStep(int pos) {
  ++parsedCount;
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
  load->triggers.push_back({index, Trigger{Byte(fire != 0), 0, Byte(accent), Byte(note),
                                           static_cast<float>(pitch), static_cast<float>(pan)}});
}

void CClipCore::OnArp(int, int restartMode, int keySubstitute, double gateWidth, int orderAlgo,
                      int opMode, int stepCount, int factor) {
  ++parsedCount;
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
  if (pos < 0 || pos >= kClipSteps) return;
  load->steps.push_back(ArpStep{Byte(pos), Byte(mode), Byte(key), Byte(velocity), Byte(semitone),
                                static_cast<int8_t>(octave), Byte(arm::ToInt32(cva)),
                                Byte(arm::ToInt32(cvb)), Byte(arm::ToInt32(cvc))});
}

void CClipCore::OnSeq(const char* imported, int, int loopPP, int lengthPP, int lengthQN,
                      int transpose, int numerator, int denominator) {
  ++parsedCount;
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
  load->events.push_back({kSeqNote, start, end, 0, Byte(key), Byte(velocity)});
}

void CClipCore::OnControl(int control, int value, int tick_) {
  ++parsedCount;
  load->events.push_back({kSeqControl, tick_, tick_, 0, Byte(control), Byte(value)});
}
