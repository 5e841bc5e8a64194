#include "pages/clips/appVA_Clips.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "platform/LogSink.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int kRowHeight = 32;
constexpr unsigned kNoId = static_cast<unsigned>(-1);
constexpr int kPush = 132;
constexpr int kBlinkTicks = 7;
constexpr int kTakeOverQuarters[] = {2, 4, 8, 16, 32};

constexpr uxCOLOR kPlaying = 0x00A800;
constexpr uxCOLOR kDark = 0x181818;
constexpr uxCOLOR kStoppedArp = 0x181860;
constexpr uxCOLOR kStoppedTrigger = 0x404018;
constexpr uxCOLOR kStoppedOther = 0x606018;

constexpr const char* kTrackNames[appVA_Clips::kTracks] = {"PART A", "PART B", "PART C", "PART D",
                                                          "DRUMS",  "TRACK 6", "TRACK 7"};
constexpr const char* kTrackRows[] = {"-", "-", "-", "-", "-", "-", "-", "", nullptr};
constexpr const char* kMasterRows[] = {"1", "2", "3", "4", "5", "6", "7", "8", nullptr};
constexpr const char* kOperations[] = {"-", "CreateArp", "CreateSeq", "CreateTrg", "Copy", "Paste", "Delete"};
constexpr const char* kNames[] = {"-",      "Intro 1", "Intro 2",  "Intro 3", "Main 1", "Main 2",     "Main 3",
                                  "Bridge 1", "Bridge 2", "Drop 1", "Drop 2", "Drop 3", "Preending", "Ending"};
constexpr const char* kTakeOvers[] = {"1/2", "1", "2", "4", "8"};

// The name text when none is chosen.
const std::string kNoName = "-";

CInstrumentSeq* Sequence(CInstrument* track) { return dynamic_cast<CInstrumentSeq*>(track); }

bool HoldsClip(const SceneSlot& s) { return s.hasClip != 0 && s.deleteRequest == 0; }

}  // namespace

appVA_Clips::appVA_Clips(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                         uxCOLOR colour, CClipCore* clips)
    : uxPanelCtrl(services, id, name, pos, w, h, colour), services_(services), clips_(clips) {
  for (auto& track : states_) std::fill(std::begin(track), std::end(track), -1);
  for (int t = 0; t < kTracks; ++t) {
    const int x = 15 + 95 * t;
    auto* button = new uxButton(services, static_cast<unsigned>(kTrackButton + t), uxPOINT(x, 55), 90, 30, 0x808080,
                                0x303030, 0x000000);
    button->SetText(kTrackNames[t]);
    trackButtons_[t] = button;
    AddElement(button);
    auto* bar = new uxBarCtrl(services, 0, static_cast<int16_t>(x + 1), 86, 88, 10, 0x404040, 0x808080, 0xFFFFFF);
    bar->setOrientation(uxBarCtrl_LeftRight);
    bar->setLevel(0.0f);
    bar->SetEnabled(true);
    positionBars_[t] = bar;
    AddElement(bar);
    // Eight rows of 32 fit the table: no scroll bar.
    auto* table = new uxTableCtrl(services, 0, "Tracks", uxPOINT(x, 100), 90, 320, 8, 0x202020, false);
    table->setSelectionMode(uxTableCtrl_RadioToggle);
    trackTables_[t] = table;
    AddTextTable(table, kTrackRows, 0x202020, 1, slots_[t].data());
  }
  masterButton_ = new uxButton(services, kMasterButton, uxPOINT(680, 55), 90, 40, 0xC0C0C0, 0x303030, 0x000000);
  masterButton_->SetText("MASTER");
  AddElement(masterButton_);
  masterTable_ = new uxTableCtrl(services, kMasterButton, "Master", uxPOINT(700, 100), 70, 320, 8, 0x202020, false);
  AddTextTable(masterTable_, kMasterRows, 0x802020, 0, masterRows_.data());

  auto label = [&](int slot, int x, const char* text, const char* unit, bool midi, int mode, int font) {
    auto* l = new uxValueLabel(services, -1, static_cast<uint32_t>(slot), uxPOINT(x, 420), 180, 70, 0x202020,
                               0xC00000, 0xC0C0C0, 0xFFFFFF, 0xA4A4A4, midi);
    l->SetLabelText(text, unit, font);
    l->SetEncoderMode(mode);
    // The labels carry no parameter: their changes are this page's to act on, never a
    // setting or an engine value.
    l->setEncoderNotifications(FLAG_REPAINT);
    AddElement(l);
    return l;
  };
  operation_ = label(kOperationSlot, 10, "OPERATION", nullptr, false, 8, 12);
  for (const char* t : kOperations) operation_->AddEnumText(t);
  name_ = label(kNameSlot, 210, " Name ", nullptr, false, 8, 12);
  for (const char* t : kNames) name_->AddEnumText(t);
  takeOver_ = label(kTakeOverSlot, 410, "TAKE-OVER", "BAR", false, 8, 13);
  for (const char* t : kTakeOvers) takeOver_->AddEnumText(t);
  tempo_ = label(kTempoSlot, 610, " TEMPO ", "BPM", true, 15, 13);
  for (uxValueLabel* l : {operation_, name_, takeOver_, tempo_}) {
    l->SetFloatValue(0.0f, FLAG_REPAINT);
    l->SetChecked(true, false);
  }

  signature_ = new uxLabel(services, uxPOINT(10, 370), 50, 35, 0x802020, 0x802020, 0xC0C0C0, 11);
  signature_->setText("4/4");
  position_ = new uxLabel(services, uxPOINT(70, 370), 120, 40, 0x802020, 0x802020, 0xC0C0C0, 11);
  position_->setText("1-1,1");
  AddElement(signature_);
  AddElement(position_);
  open_ = new uxButton(services, kOpenButton, uxPOINT(210, 370), 180, 40, 0x202020, 0xFF0000, 0xFFFFFF);
  open_->SetText("OPEN");
  play_ = new uxButton(services, kPlayButton, uxPOINT(410, 370), 180, 40, 0x202020, 0xFF0000, 0xFFFFFF, true, 2);
  play_->SetText("STOP");
  play_->SetText("STOP", false);
  AddElement(open_);
  AddElement(play_);

  services_->AddControllerListener(this);
}

appVA_Clips::~appVA_Clips() { services_->RemoveControllerListener(this); }

void appVA_Clips::AddTextTable(uxTableCtrl* table, const char* const* texts, uxCOLOR colour, int flag,
                               uxButton** buttons) {
  const uxRECT& area = *table->getClientRect();
  for (int n = 0; texts[n] != nullptr; ++n) {
    auto* row = new uxTableRow(table, n + 1, 0, kRowHeight, "ROW");
    auto* button = new uxButton(services_, kNoId, uxPOINT(area.left, area.top + kRowHeight * n), area.width,
                                kRowHeight, colour, 0x303030, 0xFFFFFF, true, 2);
    button->SetText(texts[n]);
    if (flag != 0) button->SetText(texts[n], false);
    row->addColumn(button);
    table->addRow(row);
    if (buttons != nullptr) buttons[n] = button;
  }
  AddElement(table);
}

uxValueLabel* appVA_Clips::Label(int slot) const {
  switch (slot) {
    case kOperationSlot: return operation_;
    case kNameSlot: return name_;
    case kTakeOverSlot: return takeOver_;
    case kTempoSlot: return tempo_;
    default: return nullptr;
  }
}

void appVA_Clips::SetSlotText(int track, int scene, const char* text) {
  uxButton* b = slots_[track][scene];
  b->SetText(text);
  b->SetText(text, false);
}

void appVA_Clips::RefreshGrid() {
  if (clips_ == nullptr) return;
  ClipMaster& master = clips_->Master();
  {
    auto lock = master.Lock();
    for (int t = 0; t < kTracks; ++t) {
      CInstrument* track = master.Track(t);
      CInstrumentSeq* seq = Sequence(track);
      for (int s = 0; s < kScenes; ++s) {
        const bool named = seq != nullptr && HoldsClip(seq->Scene(s)) && !seq->Clip(s).name.empty();
        SetSlotText(t, s, named ? seq->Clip(s).name.c_str() : "-");
        states_[t][s] = -1;
      }
    }
  }
  tempo_->SetFloatRawValue(static_cast<float>(master.bpm));
  tempo_->SetFloatValue(static_cast<float>(master.bpm), FLAG_REPAINT);
  const int quarters = master.barTicks / ClipMaster::kTicksPerQuarter;
  for (int i = 0; i < static_cast<int>(std::size(kTakeOverQuarters)); ++i)
    if (kTakeOverQuarters[i] == quarters) {
      takeOver_->SetFloatRawValue(static_cast<float>(i));
      takeOver_->SetFloatValue(static_cast<float>(i), FLAG_REPAINT);
    }
}

void appVA_Clips::ClearSelection() {
  for (int t = 0; t < kTracks; ++t) {
    for (uxButton* b : slots_[t]) b->SetChecked(false, true);
    trackTables_[t]->deselectRow();
    trackTables_[t]->setRepaint();
  }
}

bool appVA_Clips::AnyActive(int track) {
  if (clips_ == nullptr) return false;
  auto lock = clips_->Master().Lock();
  for (int t = 0; t < kTracks; ++t) {
    if (track >= 0 && t != track) continue;
    CInstrument* inst = clips_->Master().Track(t);
    if (inst == nullptr) continue;
    for (int s = 0; s < kScenes; ++s) {
      const int state = inst->Scene(s).state;
      if (state == kSceneBeginning || state == kScenePlaying || state == kSceneChanging) return true;
    }
  }
  return false;
}

void appVA_Clips::CreateClips(int kind) {
  if (clips_ == nullptr) return;
  const char* chosen = name_->getEnumText(static_cast<int>(name_->GetFloatValue()));
  const std::string name = chosen != nullptr ? chosen : kNoName;
  auto lock = clips_->Master().Lock();
  for (int t = 0; t < kTracks; ++t) {
    CInstrumentSeq* seq = Sequence(clips_->Master().Track(t));
    if (seq == nullptr) continue;
    // The drum track plays trigger sequences and no arpeggiator; the others the reverse.
    if (kind == kClipArpeggiator && t == kDrumTrack) continue;
    if (kind == kClipTrigger && t != kDrumTrack) continue;
    for (int s = 0; s < kScenes; ++s) {
      if (!slots_[t][s]->isChecked()) continue;
      seq->Clip(s).name = name;
      SetSlotText(t, s, name.c_str());
      slots_[t][s]->SetChecked(false, true);
      states_[t][s] = -1;
      seq->CreateClip(s, kind);
    }
  }
}

void appVA_Clips::CopyClip() {
  if (clips_ == nullptr) return;
  auto lock = clips_->Master().EditLock();
  for (int t = 0; t < kTracks; ++t)
    for (int s = 0; s < kScenes; ++s) {
      if (!slots_[t][s]->isChecked()) continue;
      CInstrumentSeq* seq = Sequence(clips_->Master().Track(t));
      // Only a clip is copied: an empty slot would paste as a clip of no kind.
      if (seq == nullptr || !HoldsClip(seq->Scene(s))) return;
      clipboard_ = std::make_unique<ClipData>(seq->Clip(s));
      clipboardKind_ = seq->Scene(s).kind;
      clipboardSource_ = {t, s};
      return;
    }
}

void appVA_Clips::PasteClip() {
  if (clips_ == nullptr || clipboard_ == nullptr) return;
  for (int t = 0; t < kTracks; ++t)
    for (int s = 0; s < kScenes; ++s) {
      if (!slots_[t][s]->isChecked()) continue;
      if (clipboardKind_ == kClipArpeggiator && t == kDrumTrack) {
        slots_[t][s]->SetChecked(false, true);
        return;
      }
      // The copy and its play list are made before the lock; the clock waits for swaps only.
      ClipData incoming = *clipboard_;
      std::vector<SeqEvent> events;
      events.swap(incoming.events);
      std::vector<CInstrumentSeq::PlayEntry> list = CInstrumentSeq::MakePlayList(events);
      {
        auto lock = clips_->Master().Lock();
        CInstrumentSeq* seq = Sequence(clips_->Master().Track(t));
        if (seq == nullptr) return;
        ClipData& clip = seq->Clip(s);
        std::vector<SeqEvent> previous;
        previous.swap(clip.events);
        clip = incoming;
        clip.events.swap(previous);
        seq->SwapEvents(s, events, list);
        seq->CreateClip(s, clipboardKind_);
      }
      SetSlotText(t, s, clipboard_->name.c_str());
      states_[t][s] = -1;
      return;  // `events` and `list` now hold what the slot had, freed here
    }
}

void appVA_Clips::DeleteClips() {
  if (clips_ == nullptr) return;
  auto lock = clips_->Master().Lock();
  for (int t = 0; t < kTracks; ++t) {
    CInstrument* track = clips_->Master().Track(t);
    if (track == nullptr) continue;
    for (int s = 0; s < kScenes; ++s) {
      if (!slots_[t][s]->isChecked()) continue;
      track->DeleteClip(s);
      slots_[t][s]->SetChecked(false, true);
      SetSlotText(t, s, "-");
      states_[t][s] = -1;
    }
  }
}

void appVA_Clips::RenameClips() {
  if (clips_ == nullptr) return;
  auto lock = clips_->Master().Lock();
  for (int t = 0; t < kTracks; ++t) {
    CInstrumentSeq* seq = Sequence(clips_->Master().Track(t));
    for (int s = 0; s < kScenes; ++s) {
      if (!slots_[t][s]->isChecked()) continue;
      if (seq != nullptr && HoldsClip(seq->Scene(s))) {
        seq->Clip(s).name = nameText_;
        SetSlotText(t, s, nameText_.c_str());
        states_[t][s] = -1;
      }
      slots_[t][s]->SetChecked(false, true);
    }
  }
}

void appVA_Clips::ResetLabel(uxValueLabel* label) {
  label->SetFloatRawValue(0.0f);
  label->SetFloatValue(0.0f, FLAG_REPAINT);
}

void appVA_Clips::OnEncoderChange(int slot, int flag, bool changed, float value) {
  switch (slot) {
    case kOperationSlot: {
      if (flag != kPush) return;
      switch (static_cast<int>(value)) {
        case kCreateArp: CreateClips(kClipArpeggiator); RefreshGrid(); break;
        case kCreateSeq: CreateClips(kClipMidiSeq); RefreshGrid(); break;
        case kCreateTrg: CreateClips(kClipTrigger); RefreshGrid(); break;
        case kCopy:
          CopyClip();
          // The label goes on to "CreateTrg" after a copy; the owner's choice, kept.
          operation_->SetFloatRawValue(static_cast<float>(kCreateTrg));
          operation_->SetFloatValue(static_cast<float>(kCreateTrg), FLAG_REPAINT);
          RefreshGrid();
          break;
        case kPaste: PasteClip(); RefreshGrid(); break;
        case kDelete: DeleteClips(); RefreshGrid(); break;
        default: break;
      }
      open_->SetChecked(false, true);
      break;
    }
    case kNameSlot: {
      const char* text = name_->getEnumText(static_cast<int>(value));
      nameText_ = text != nullptr ? std::string(text) : kNoName;
      if (flag == kPush && nameText_ != "-") {
        RenameClips();
        nameText_ = kNoName;
        ResetLabel(name_);
      }
      break;
    }
    case kTakeOverSlot: {
      const int index = static_cast<int>(value);
      if (clips_ != nullptr && index >= 0 && index < static_cast<int>(std::size(kTakeOverQuarters)))
        clips_->Master().SetBarLength(kTakeOverQuarters[index]);
      if (!changed) takeOver_->SetFloatRawValue(value);
      break;
    }
    case kTempoSlot:
      if (clips_ != nullptr) clips_->Master().bpm = static_cast<int32_t>(value);
      if (!changed) tempo_->SetFloatRawValue(value);
      break;
    default:
      break;
  }
}

void appVA_Clips::OnButton(int id) {
  if (clips_ == nullptr) return;
  ClipMaster& master = clips_->Master();
  if (id == kMasterButton) {
    if (!AnyActive(-1)) masterButton_->SetChecked(false, true);
    auto lock = master.Lock();
    for (int t = 0; t < kTracks; ++t)
      if (CInstrument* track = master.Track(t)) track->StopAllScenes();
  } else if (id >= kTrackButton && id < kTrackButton + kTracks) {
    const int t = id - kTrackButton;
    if (!AnyActive(t)) trackButtons_[t]->SetChecked(false, true);
    auto lock = master.Lock();
    if (CInstrument* track = master.Track(t)) track->StopAllScenes();
  } else if (id == kOpenButton) {
    for (uxValueLabel* l : {operation_, name_}) ResetLabel(l);
  } else if (id == kPlayButton) {
    services_->TogglePlay();
  }
}

void appVA_Clips::OnTable(uxTableCtrl* table, int scene) {
  if (clips_ == nullptr) return;
  ClipMaster& master = clips_->Master();
  if (table == masterTable_) {
    if (scene < 0 || scene >= kScenes) return;
    {
      auto lock = master.Lock();
      for (int t = 0; t < kTracks; ++t)
        if (CInstrument* track = master.Track(t)) track->LaunchScene(scene);
    }
    master.running.store(1, std::memory_order_relaxed);
    return;
  }
  const auto it = std::find(trackTables_.begin(), trackTables_.end(), table);
  if (it == trackTables_.end()) return;
  const int t = static_cast<int>(it - trackTables_.begin());
  platform::LogPrintf("Track:%d,Scene:%d\n", t, scene);
  if (scene < 0 || scene >= kScenes) return;
  if (open_->isChecked()) {
    int kind = kClipNone;
    {
      auto lock = master.Lock();
      CInstrument* track = master.Track(t);
      if (track != nullptr && HoldsClip(track->Scene(scene))) {
        platform::LogPrintf("[CLIP] Open Scene (%d:%d) \n", t, scene);
        clips_->editClips[t] = scene;
        kind = track->Scene(scene).kind;
      }
    }
    if (kind != kClipNone) services_->SetTrackType(t, kind);
    ClearSelection();
    return;
  }
  if (static_cast<int>(operation_->GetFloatValue()) != kNone || static_cast<int>(name_->GetFloatValue()) != 0) return;
  {
    auto lock = master.Lock();
    if (CInstrument* track = master.Track(t)) track->LaunchScene(scene);
  }
  master.running.store(1, std::memory_order_relaxed);
  slots_[t][scene]->SetChecked(false, true);
}

void appVA_Clips::RenewSlotColours() {
  ClipMaster& master = clips_->Master();
  auto lock = master.Lock();
  for (int t = 0; t < kTracks; ++t) {
    CInstrument* track = master.Track(t);
    bool changed = false;
    for (int s = 0; s < kScenes; ++s) {
      const SceneSlot scene = track != nullptr ? track->Scene(s) : SceneSlot{kSceneEmpty, 0, 0, 0, kClipNone};
      const int state = scene.state;
      const bool queued = state == kSceneBeginning || state == kSceneChanging;
      if (state == states_[t][s] && !queued) continue;
      uxButton* b = slots_[t][s];
      switch (state) {
        case kSceneBeginning:
        case kSceneChanging:
          b->SetColor(ButtonBackgroundColor, blink_ ? kPlaying : kDark);
          break;
        case kScenePlaying:
          b->SetColor(ButtonBackgroundColor, kPlaying);
          masterRows_[s]->SetChecked(false, true);
          break;
        case kSceneStopped:
          b->SetColor(ButtonBackgroundColor, scene.kind == kClipArpeggiator ? kStoppedArp
                                             : scene.kind == kClipTrigger   ? kStoppedTrigger
                                                                            : kStoppedOther);
          trackButtons_[t]->SetChecked(false, true);
          masterButton_->SetChecked(false, true);
          break;
        case kSceneEmpty:
          b->SetColor(ButtonBackgroundColor, kDark);
          break;
        default:
          break;
      }
      states_[t][s] = state;
      changed = true;
    }
    if (changed) trackTables_[t]->setRepaintCtrls();
  }
}

void appVA_Clips::OnTick() {
  const int running = services_->TransportRunning() ? 1 : 0;
  if (running != shownRunning_) {
    shownRunning_ = running;
    play_->SetChecked(running == 0, true);
    const char* text = running != 0 ? "STOP" : "PLAY";
    play_->SetText(text);
    play_->SetText(text, false);
  }
  if (clips_ == nullptr) return;
  char text[32];
  const int beat = clips_->Beat();
  std::snprintf(text, sizeof text, "%d-%d,%02d", clips_->Bar() + 1, beat + 1, clips_->Tick() % 24 + 1);
  position_->setText(text, 0xFFFFFF, beat == 0 ? 0xC02020 : 0x202020);

  ClipMaster& master = clips_->Master();
  {
    auto lock = master.Lock();
    for (int t = 0; t < kTracks; ++t) {
      CInstrumentSeq* seq = Sequence(master.Track(t));
      const int current = seq != nullptr ? seq->Current() : -1;
      const bool playing = current >= 0 && current < kScenes && seq->Scene(current).state == kScenePlaying;
      uxBarCtrl* bar = positionBars_[t];
      if (!playing) {
        bar->setLevel(0.0f);
        continue;
      }
      const ClipData& clip = seq->Clip(current);
      // A clip of no length has nothing to show: the bar keeps a maximum of 1 and stays empty.
      const float length = static_cast<float>(std::max(clip.Length_PP, 1));
      bar->setMax(length);
      bar->setLevel(clip.Length_PP > 0 ? std::clamp(static_cast<float>(clip.position), 0.0f, length) : 0.0f);
    }
  }
  if (++ticks_ % kBlinkTicks == 0) {
    blink_ = !blink_;
    RenewSlotColours();
  }
}

int appVA_Clips::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int appVA_Clips::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_FOCUS:
      RefreshGrid();
      break;
    case UX_MSG_VALUES_CHANGED:
      RefreshGrid();
      if (clips_ != nullptr) clips_->OnClockTick(0, 1);
      break;
    case UX_MSG_ON_BUTTON:
      OnButton(static_cast<int>(msg->param));
      break;
    case UX_MSG_TABLE_ITEM_SEL:
      OnTable(static_cast<uxTableCtrl*>(msg->pData), static_cast<int>(msg->param));
      break;
    case UX_MSG_TICK_EVENT:
      OnTick();
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!focus_) break;
      for (uxValueLabel* l : {operation_, name_, takeOver_, tempo_}) {
        const int slot = static_cast<int>(l->GetUserData());
        if (slot / 8 == static_cast<int>(msg->param & 3)) OnEncoderChange(slot, static_cast<int>(msg->flag), true,
                                                                          l->GetFloatValue());
      }
      break;
    case APP_MSG_CLIP_CHANGED:
      RefreshGrid();
      break;
    default:
      break;
  }
  return result;
}
