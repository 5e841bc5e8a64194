#include "app/host/HostUIManager.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <vector>

#include "app/host/HostServices.h"
#include "app/host/TCPCommServer.h"
#include "data/Utf8Text.h"
#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/ClipData.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"

namespace {

constexpr int kTracks = ClipMaster::kTracks;
constexpr int kClips = CInstrument::kScenes;
constexpr uint32_t kNameSize = 32;

// Received commands.
constexpr int kKindDrum = 1;
constexpr int kCmdDrumNote = 106;
constexpr int kKindScene = 5;
constexpr int kCmdStop = 9;
constexpr int kCmdLaunch = 3;
constexpr int kKindDrumValue = 1;
constexpr int kDrumPads = 16;
constexpr int kDrumVelocity = 100;
constexpr int kPropertyArp = 3;
constexpr int kPropertyMidi = 2;
constexpr int kCmdCreate = 200;
constexpr int kCmdRequest = 201;
constexpr int kCmdMark = 202;
constexpr int kCmdRename = 203;
constexpr int kDrumTrack = 4;
// The page's message for a drum-kit value: its flag says where the value came from.
constexpr int kDrumValueFlag = 4;

// The host's clip kinds and the ones the clips store.
struct HostKind {
  int host;
  int stored;
};
constexpr HostKind kHostKinds[] = {
    {2, kClipMidiSeq},
    {3, kClipArpeggiator},
    {4, kClipTrigger},
};

int StoredKind(int host) {
  for (const HostKind& k : kHostKinds)
    if (k.host == host) return k.stored;
  return kClipNone;
}

// A clip setting the host may set (message 6) and reads back (messages 12 and 13), in id
// order. Values outside the range are refused whole, before they are converted.
struct Setting {
  int32_t ClipData::*whole;
  float ClipData::*real;
  int32_t lo;
  int32_t hi;
};
constexpr Setting kArpSettings[] = {
    {&ClipData::RestartMode, nullptr, 0, 255},
    {&ClipData::KeySubstitute, nullptr, 0, 255},
    {nullptr, &ClipData::GateWidth, 0, 100},
    {&ClipData::OrderAlgo, nullptr, 0, 255},
    {&ClipData::OpMode, nullptr, 0, 255},
    {&ClipData::StepCount, nullptr, 0, kClipSteps},
    {&ClipData::Factor, nullptr, 1, 65535},
};
constexpr Setting kMidiSettings[] = {
    {&ClipData::Loop_PP, nullptr, 0, 1 << 30},
    {&ClipData::Length_PP, nullptr, 0, 1 << 30},
    {&ClipData::Length_QN, nullptr, 0, 1 << 24},
    {&ClipData::Transpose, nullptr, -127, 127},
};

bool Apply(const Setting& s, ClipData& clip, float value) {
  // NaN fails both comparisons.
  if (!(value >= static_cast<float>(s.lo) && value <= static_cast<float>(s.hi))) return false;
  const int32_t v = static_cast<int32_t>(value);
  if (s.whole)
    clip.*s.whole = v;
  else
    clip.*s.real = static_cast<float>(v);
  return true;
}

int32_t Read(const Setting& s, const ClipData& clip) {
  return s.whole ? clip.*s.whole : arm::ToInt32(clip.*s.real);
}

bool ValidTrack(int track) { return track >= 0 && track < kTracks; }
bool ValidClip(int clip) { return clip >= 0 && clip < kClips; }

int32_t Word(const uint8_t* p, std::size_t offset) {
  int32_t v;
  std::memcpy(&v, p + offset, 4);
  return v;
}

void Put(uint8_t* p, std::size_t offset, int32_t v) { std::memcpy(p + offset, &v, 4); }
void PutReal(uint8_t* p, std::size_t offset, float v) { std::memcpy(p + offset, &v, 4); }

// At most 31 characters and a zero, the rest of the field zero.
void PutName(uint8_t* p, std::size_t offset, const std::string& name) {
  std::memset(p + offset, 0, kNameSize);
  std::memcpy(p + offset, name.data(), utf8::CutLength(name.data(), name.size(), kNameSize - 1));
}

// The track's clips, or null when the track has no clip-playing instrument. Hold the lock.
CInstrumentSeq* SeqTrack(ClipMaster& master, int track) {
  return ValidTrack(track) ? dynamic_cast<CInstrumentSeq*>(master.Track(track)) : nullptr;
}

// The record header of messages 9, 10 and 11.
void PutRecordHeader(uint8_t* p, uint32_t type, CInstrumentSeq& seq, int track, int clip, uint32_t count) {
  Put(p, 0, static_cast<int32_t>(type));
  if (seq.IsSequence() == 1) PutName(p, 4, seq.Clip(clip).name);
  Put(p, 36, track);
  Put(p, 40, clip);
  Put(p, 44, static_cast<int32_t>(count));
}

// Trigger cells travel as 16 bytes: pitch, pan, then fire, hold, accent and note.
constexpr std::size_t kCellSize = 16;
constexpr std::size_t kCellFire = 8;
constexpr std::size_t kCellHold = 9;
constexpr std::size_t kCellAccent = 10;
constexpr std::size_t kCellNote = 11;
static_assert(4 + kRowTriggers * kCellSize == HostUIManager::kTrigRowSize);
static_assert(sizeof(ArpStep) == HostUIManager::kArpStepSize);
static_assert(sizeof(SeqEvent) == HostUIManager::kEventSize);
// The largest upload is the most a clip holds, which the clip-set file and an import keep to.
static_assert((TCPCommServer::kMaxPayload - HostUIManager::kRecordHeader) / HostUIManager::kEventSize ==
              static_cast<uint32_t>(kMaxClipEvents));
static_assert(HostUIManager::kGridSize == 4 + kTracks * kClips * (4 + kNameSize));

}  // namespace

HostUIManager::~HostUIManager() { Stop(); }

void HostUIManager::init(HostServices* services, int port) {
  services_ = services;
  services_->SetHostLink(this);
  clips_ = services_->ClipLauncher();
  handlers.transportCmd = [this](int32_t a, int32_t b, int32_t c, int32_t d) { OnTransportCmd(a, b, c, d); };
  handlers.value = [this](int32_t a, int32_t b, int32_t c, float v) { OnValue(a, b, c, v); };
  handlers.clipProperty = [this](int32_t a, int32_t b, int32_t c, int32_t d, float v) {
    OnClipProperty(a, b, c, d, v);
  };
  handlers.midiClip = [this](const uint8_t* p, uint32_t n) { OnMidiClip(p, n); };
  handlers.arpClip = [this](const uint8_t* p, uint32_t n) { OnArpClip(p, n); };
  handlers.trigClip = [this](const uint8_t* p, uint32_t n) { OnTrigClip(p, n); };
  handlers.clipCommand = [this](int32_t a, int32_t b, int32_t c, int32_t d, const char* t) {
    OnClipCommand(a, b, c, d, t);
  };
  handlers.command = [this](const uint8_t* p, uint32_t n) { OnCommand(p, n); };
  if (port >= 0) Start(port);
}

void HostUIManager::OnState(int state) {
  if (state == kConnected) SendClipGrid();
}

void HostUIManager::ClipChanged(int track) {
  tagUX_Message msg(static_cast<int>(APP_MSG_CLIP_CHANGED), track, -1);
  services_->SendMessage(msg);
}

void HostUIManager::OnTransportCmd(int kind, int cmd, int index, int scene) {
  if (kind == kKindDrum && cmd == kCmdDrumNote) {
    if (scene >= 0 && scene <= 127) services_->TriggerDrum(scene, kDrumVelocity);
    return;
  }
  if (kind != kKindScene || (cmd != kCmdStop && cmd != kCmdLaunch) || !clips_) return;
  if (!ValidTrack(index) && index != kAllTracks) return;
  if (cmd == kCmdLaunch && !ValidClip(scene)) return;
  ClipMaster& master = clips_->Master();
  auto lock = master.Lock();
  const int first = index == kAllTracks ? 0 : index;
  const int last = index == kAllTracks ? kTracks - 1 : index;
  for (int t = first; t <= last; ++t) {
    CInstrument* track = master.Track(t);
    if (!track) continue;
    if (cmd == kCmdStop)
      track->StopAllScenes();
    else
      track->LaunchScene(scene);
  }
  if (cmd == kCmdLaunch) master.running = 1;
}

void HostUIManager::OnValue(int kind, int part, int ctrl, float value) {
  if (kind != kKindDrumValue || part < 0 || part >= kDrumPads || !std::isfinite(value)) return;
  // Only the control field comes from the host: a higher bit would move the value to another
  // kind or into the settings table.
  const uint32_t uid = (static_cast<uint32_t>(ctrl) & 0xFFFu) | (static_cast<uint32_t>(part) << 12) | 0x40000u;
  tagUX_Message msg(static_cast<int>(EN_MSG_SET_VALUE), static_cast<int>(uid), kDrumValueFlag, &value);
  services_->SendMessage(msg);
}

void HostUIManager::OnClipProperty(int kind, int track, int clip, int id, float value) {
  if (!clips_ || !ValidTrack(track) || !ValidClip(clip)) return;
  const Setting* setting = nullptr;
  int storedKind = kClipNone;
  if (kind == kPropertyArp && id >= 0 && id < static_cast<int>(std::size(kArpSettings))) {
    setting = &kArpSettings[id];
    storedKind = kClipArpeggiator;
    platform::LogPrintf("kind: %d, track:%d, clip:%d, id:%d,val:%f\n", kind, track, clip, id, value);
  } else if (kind == kPropertyMidi && id >= 0 && id < static_cast<int>(std::size(kMidiSettings))) {
    setting = &kMidiSettings[id];
    storedKind = kClipMidiSeq;
  }
  if (!setting) return;
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    CInstrumentSeq* seq = SeqTrack(master, track);
    if (!seq || seq->Scene(clip).kind != storedKind || !Apply(*setting, seq->Clip(clip), value)) return;
  }
  ClipChanged(track);
}

void HostUIManager::OnMidiClip(const uint8_t* p, uint32_t size) {
  const int track = Word(p, 36), clip = Word(p, 40);
  const uint32_t count = static_cast<uint32_t>(Word(p, 44));
  if (!clips_ || !ValidTrack(track) || !ValidClip(clip)) return;
  if (uint64_t{kRecordHeader} + uint64_t{count} * kEventSize > size) return;
  if (count > static_cast<uint32_t>(kMaxClipEvents)) return;
  // The events and their sorted play list are built here and swapped in under the lock,
  // so the clock waits for the swap only; the old ones are freed after the lock.
  std::vector<SeqEvent> events(count);
  if (count) std::memcpy(events.data(), p + kRecordHeader, std::size_t{count} * kEventSize);
  std::vector<CInstrumentSeq::PlayEntry> list = CInstrumentSeq::MakePlayList(events);
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    CInstrumentSeq* seq = SeqTrack(master, track);
    if (!seq) return;
    seq->SwapEvents(clip, events, list);
  }
  ClipChanged(track);
}

void HostUIManager::OnArpClip(const uint8_t* p, uint32_t size) {
  const int track = Word(p, 36), clip = Word(p, 40);
  const uint32_t count = static_cast<uint32_t>(Word(p, 44));
  if (!clips_ || !ValidTrack(track) || !ValidClip(clip)) return;
  if (uint64_t{kRecordHeader} + uint64_t{count} * kArpStepSize > size) return;
  const uint32_t used = std::min<uint32_t>(count, kClipSteps);
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    CInstrumentSeq* seq = SeqTrack(master, track);
    if (!seq || seq->Scene(clip).kind != kClipArpeggiator) return;
    ClipData& data = seq->Clip(clip);
    for (uint32_t i = 0; i < used; ++i) std::memcpy(&data.steps[i], p + kRecordHeader + i * kArpStepSize, kArpStepSize);
  }
  ClipChanged(track);
}

void HostUIManager::OnTrigClip(const uint8_t* p, uint32_t size) {
  const int track = Word(p, 36), clip = Word(p, 40);
  const uint32_t count = static_cast<uint32_t>(Word(p, 44));
  if (!clips_ || !ValidTrack(track) || !ValidClip(clip)) return;
  if (uint64_t{kRecordHeader} + uint64_t{count} * kTrigRowSize > size) return;
  const uint32_t used = std::min<uint32_t>(count, kClipSteps);
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    CInstrumentSeq* seq = SeqTrack(master, track);
    if (!seq || seq->Scene(clip).kind != kClipTrigger) return;
    ClipData& data = seq->Clip(clip);
    for (uint32_t r = 0; r < used; ++r) {
      const uint8_t* row = p + kRecordHeader + r * kTrigRowSize + 4;
      for (int c = 0; c < kRowTriggers; ++c) {
        Trigger& t = data.rows[r].triggers[c];
        t.Fire = row[c * kCellSize + kCellFire];
        t.Accent = row[c * kCellSize + kCellAccent];
        t.Note = row[c * kCellSize + kCellNote];
      }
    }
  }
  ClipChanged(track);
}

void HostUIManager::OnClipCommand(int kind, int cmd, int track, int clip, const char* text) {
  if (!clips_ || !ValidTrack(track) || !ValidClip(clip)) return;
  const int stored = StoredKind(kind);
  ClipMaster& master = clips_->Master();
  switch (cmd) {
    case kCmdCreate: {
      if (stored == kClipNone) return;
      auto lock = master.Lock();
      CInstrumentSeq* seq = SeqTrack(master, track);
      if (!seq) return;
      // The instrument keeps the kind it is told: it is told the stored one.
      seq->CreateClip(clip, stored);
      if (seq->IsSequence() == 1) seq->Clip(clip).name = text;
      break;
    }
    case kCmdRequest: {
      int have = kClipNone;
      {
        auto lock = master.Lock();
        CInstrumentSeq* seq = SeqTrack(master, track);
        if (!seq) return;
        have = seq->Scene(clip).kind;
      }
      if (stored == kClipNone || have != stored) return;
      if (stored == kClipMidiSeq) {
        SendMidiClipInfo(track, clip);
        SendMidiClip(track, clip);
      } else if (stored == kClipArpeggiator) {
        SendArpClipInfo(track, clip);
        SendArpClip(track, clip);
      } else {
        if (track == kDrumTrack) SendMessage14(track, clip);
        SendTrigClip(track, clip);
      }
      break;
    }
    case kCmdMark: {
      auto lock = master.Lock();
      CInstrumentSeq* seq = SeqTrack(master, track);
      if (!seq) return;
      seq->DeleteClip(clip);
      break;
    }
    case kCmdRename: {
      auto lock = master.Lock();
      CInstrumentSeq* seq = SeqTrack(master, track);
      if (!seq) return;
      if (seq->IsSequence() == 1) seq->Clip(clip).name = text;
      break;
    }
    default:
      return;
  }
  ClipChanged(track);
}

void HostUIManager::OnCommand(const uint8_t*, uint32_t) {}

void HostUIManager::SendTransport(uint32_t step) {
  if (Connection() != kConnected || !clips_) return;
  uint8_t frame[kTransportSize] = {};
  Put(frame, 0, 1);
  Put(frame, 4, static_cast<int32_t>(step));
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    for (int t = 0; t < kTracks; ++t) {
      CInstrument* track = master.Track(t);
      if (!track) continue;
      auto* seq = dynamic_cast<CInstrumentSeq*>(track);
      for (int c = 0; c < kClips; ++c) {
        frame[9 + 8 * t + c] = static_cast<uint8_t>(track->Scene(c).state);
        const uint16_t position = seq ? static_cast<uint16_t>(seq->Clip(c).position) : 0;
        std::memcpy(frame + 66 + 16 * t + 2 * c, &position, 2);
      }
    }
  }
  TrySend(frame, kTransportSize);
}

void HostUIManager::SendValue(int kind, int instance, int ctrl, float value) {
  uint8_t msg[kValueSize] = {};
  Put(msg, 0, 5);
  Put(msg, 4, kind);
  Put(msg, 8, instance);
  Put(msg, 12, ctrl);
  PutReal(msg, 16, value);
  Send(msg, kValueSize);
}

void HostUIManager::SendMidiClip(int track, int clip) {
  if (Connection() != kConnected || !clips_ || !ValidClip(clip)) return;
  std::vector<uint8_t> msg;
  {
    // Name and events change only under both mutexes: the edit one keeps them while up to
    // 8 MiB are copied, and the clock goes on.
    ClipMaster& master = clips_->Master();
    auto lock = master.EditLock();
    CInstrumentSeq* seq = SeqTrack(master, track);
    if (!seq) return;
    const std::vector<SeqEvent>& events = seq->Clip(clip).events;
    msg.assign(kRecordHeader + events.size() * kEventSize, 0);
    PutRecordHeader(msg.data(), 9, *seq, track, clip, static_cast<uint32_t>(events.size()));
    uint8_t* out = msg.data() + kRecordHeader;
    // Field by field: the padding byte of an event goes out as zero.
    for (const SeqEvent& e : events) {
      Put(out, 0, e.type);
      Put(out, 4, e.time);
      Put(out, 8, e.end);
      out[12] = e.reserved;
      out[13] = e.key;
      out[14] = e.velocity;
      out += kEventSize;
    }
  }
  Send(msg.data(), static_cast<uint32_t>(msg.size()));
}

void HostUIManager::SendArpClip(int track, int clip) {
  if (Connection() != kConnected || !clips_ || !ValidClip(clip)) return;
  std::vector<uint8_t> msg(kRecordHeader + kClipSteps * kArpStepSize + kArpRecordTail, 0);
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    CInstrumentSeq* seq = SeqTrack(master, track);
    if (!seq) return;
    PutRecordHeader(msg.data(), 10, *seq, track, clip, kClipSteps);
    std::memcpy(msg.data() + kRecordHeader, seq->Clip(clip).steps, kClipSteps * kArpStepSize);
  }
  Send(msg.data(), static_cast<uint32_t>(msg.size()));
}

void HostUIManager::SendTrigClip(int track, int clip) {
  if (Connection() != kConnected || !clips_ || !ValidClip(clip)) return;
  std::vector<uint8_t> msg(kRecordHeader + kClipSteps * kTrigRowSize, 0);
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    CInstrumentSeq* seq = SeqTrack(master, track);
    if (!seq) return;
    PutRecordHeader(msg.data(), 11, *seq, track, clip, kClipSteps);
    const ClipData& data = seq->Clip(clip);
    for (int r = 0; r < kClipSteps; ++r) {
      uint8_t* row = msg.data() + kRecordHeader + r * kTrigRowSize;
      Put(row, 0, r);
      for (int c = 0; c < kRowTriggers; ++c) {
        const Trigger& t = data.rows[r].triggers[c];
        uint8_t* cell = row + 4 + c * kCellSize;
        PutReal(cell, 0, t.Pitch);
        PutReal(cell, 4, t.Pan);
        cell[kCellFire] = t.Fire;
        cell[kCellHold] = t.hold;
        cell[kCellAccent] = t.Accent;
        cell[kCellNote] = t.Note;
      }
    }
  }
  Send(msg.data(), static_cast<uint32_t>(msg.size()));
}

void HostUIManager::SendArpClipInfo(int track, int clip) {
  if (!clips_ || !ValidClip(clip)) return;
  uint8_t msg[kArpInfoSize] = {};
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    CInstrumentSeq* seq = SeqTrack(master, track);
    if (!seq) return;
    const ClipData& data = seq->Clip(clip);
    Put(msg, 0, 12);
    if (seq->IsSequence() == 1) PutName(msg, 4, data.name);
    Put(msg, 36, track);
    Put(msg, 40, clip);
    for (std::size_t id = 0; id < std::size(kArpSettings); ++id) Put(msg, 44 + 4 * id, Read(kArpSettings[id], data));
    Put(msg, 72, data.Numerator);
    Put(msg, 76, data.Denominator);
  }
  Send(msg, kArpInfoSize);
}

void HostUIManager::SendMidiClipInfo(int track, int clip) {
  if (!clips_ || !ValidClip(clip)) return;
  uint8_t msg[kMidiInfoSize] = {};
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    CInstrumentSeq* seq = SeqTrack(master, track);
    if (!seq) return;
    const ClipData& data = seq->Clip(clip);
    Put(msg, 0, 13);
    if (seq->IsSequence() == 1) PutName(msg, 4, data.name);
    Put(msg, 36, track);
    Put(msg, 40, clip);
    for (std::size_t id = 0; id < std::size(kMidiSettings); ++id) Put(msg, 44 + 4 * id, Read(kMidiSettings[id], data));
    Put(msg, 60, data.Numerator);
    Put(msg, 64, data.Denominator);
    Put(msg, 68, static_cast<int32_t>(data.events.size()));
  }
  Send(msg, kMidiInfoSize);
}

void HostUIManager::SendMessage14(int track, int clip) {
  if (!clips_ || !ValidClip(clip)) return;
  uint8_t msg[kTrigInfoSize] = {};
  {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    CInstrumentSeq* seq = SeqTrack(master, track);
    if (!seq) return;
    Put(msg, 0, 14);
    Put(msg, 36, track);
    Put(msg, 40, clip);
    Put(msg, 52, seq->Clip(clip).StepCount);
  }
  Send(msg, kTrigInfoSize);
}

void HostUIManager::SendClipGrid() {
  uint8_t msg[kGridSize];
  ClipGrid(msg);
  Send(msg, kGridSize);
}

void HostUIManager::ClipGrid(uint8_t (&msg)[kGridSize]) {
  std::memset(msg, 0, kGridSize);
  Put(msg, 0, 16);
  if (clips_) {
    ClipMaster& master = clips_->Master();
    auto lock = master.Lock();
    for (int t = 0; t < kTracks; ++t) {
      CInstrument* track = master.Track(t);
      if (!track) continue;
      auto* seq = dynamic_cast<CInstrumentSeq*>(track);
      const bool named = track->IsSequence() == 1;
      for (int c = 0; c < kClips; ++c) {
        if (!track->Scene(c).hasClip) continue;
        const std::size_t cell = 4 + (t * kClips + c) * (4 + kNameSize);
        Put(msg, cell, track->Scene(c).kind);
        if (named && seq) PutName(msg, cell + 4, seq->Clip(c).name);
      }
    }
  }
}
