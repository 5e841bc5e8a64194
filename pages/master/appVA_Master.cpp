#include "pages/master/appVA_Master.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/OutputCapture.h"
#include "data/ParamTable.h"
#include "pages/master/MasterPages.h"
#include "pages/part/appVA_Part.h"
#include "pages/voice/appVA_VOICE.h"
#include "pages/widgets/uxScopeView.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr uint32_t kPartStep = 0x10000;
constexpr int kPartButton = 8;
constexpr int kMuteButton = 16;
constexpr int kPedalButton = 30;
constexpr uint32_t kLevelUid = 0x150B10;
constexpr uint32_t kMuteUid = 0x150B11;
constexpr uint32_t kPedalUid = 0x150B12;
constexpr uint32_t kInstanceStep = 0x1000;
constexpr int kPanelGroup = 1;
constexpr unsigned kShownSynthTab = 2;
constexpr int kScopePoints = 379;

constexpr uxCOLOR kPartColour[appVA_Master::kParts] = {0x0000FF, 0x00FF00, 0xFF0000, 0xC0C000};

struct TrackSpec {
  const char* arp;   // null: no arpeggiator page (the drum track)
  const char* midi;
  uxCOLOR colour;
};

constexpr TrackSpec kTrackSpecs[appVA_Master::kTracks] = {
    {" ARP A ", " SEQ A ", 0x0000FF}, {" ARP B ", " SEQ B ", 0x00FF00}, {" ARP C ", " SEQ C ", 0xFF0000},
    {" ARP D ", " SEQ D ", 0xC0C000}, {nullptr, " DRUM ", 0xC0C000},    {"ARP ET1", "SEQ ET1", 0xFFFFFF},
    {"ARP ET2", "SEQ ET2", 0xFFFFFF},
};

struct TabSpec {
  unsigned id;
  const char* caption;
  uxCOLOR background;
};

constexpr TabSpec kTabSpecs[appVA_Master::kTabs] = {
    {2, "SYNTH A", 0x404040}, {3, "VOICE A", 0x202020}, {4, "FX A", 0x404040}, {5, " ARP A ", 0x303030}};

uxButton* Button(PageServices* s, int id, int x, int y, int16_t h, uxCOLOR bg, uxCOLOR frame, const char* format,
                 int part) {
  auto* b = new uxButton(s, static_cast<unsigned>(id), uxPOINT(x, y), 180, h, bg, frame, 0xFFFFFF);
  char text[16];
  std::snprintf(text, sizeof text, format, 'A' + part);
  b->SetText(text);
  return b;
}

}  // namespace

appVA_Master::appVA_Master(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w,
                           int16_t h, uxCOLOR colour, uxTabCtrl* mainMenu)
    : uxPanelCtrl(services, id, name, pos, w, h, colour), services_(services), mainMenu_(mainMenu) {
  for (int c = 0; c < 2; ++c) {
    uxPOINT at(c == 0 ? 10 : 410, 60);
    scopes_[c] = new uxScopeView(services, 0, &at, 380, 140, 0x101010, 0x808080, this, false, 0, 0, false);
    scopes_[c]->setName(c == 0 ? "Main [L]" : "Main [R]");
    scopes_[c]->SetEnabled(false);
    AddElement(scopes_[c]);
  }
  for (int p = 0; p < kParts; ++p) {
    const int x = 10 + 200 * p;
    partButtons_[p] = Button(services, kPartButton + p, x, 215, 35, 0x802020, 0xC00000, "PART %c", p);
    partButtons_[p]->setMode(BtnModeSelectable);
    pedalButtons_[p] = Button(services, kPedalButton + p, x, 260, 70, 0x202020, 0x0000C0, "EXPedal-%c", p);
    muteButtons_[p] = Button(services, kMuteButton + p, x, 340, 70, 0x202020, 0x0000C0, "MUTE %c", p);
    pedalButtons_[p]->setMode(BtnModeToggle);
    muteButtons_[p]->setMode(BtnModeToggle);
    AddElement(partButtons_[p]);
    AddElement(pedalButtons_[p]);
    AddElement(muteButtons_[p]);
  }
  for (int p = 0; p < kParts; ++p) {
    const uint32_t uid = kLevelUid + static_cast<uint32_t>(p) * kInstanceStep;
    auto* level = new uxValueLabel(services, static_cast<int>(uid), static_cast<uint32_t>(8 * p),
                                   uxPOINT(10 + 200 * p, 420), 180, 70, 0x202020, 0xC00000, 0xC0C0C0, 0xFFFFFF,
                                   0xA4A4A4, true);
    char text[8];
    std::snprintf(text, sizeof text, " [%c] ", 'A' + p);
    level->SetLabelText(text, "%");
    level->SetEncoderMode(1);
    level->SetFloatValue(0.0f, 0);
    level->SetChecked(true, false);
    levels_[p] = level;
    AddElement(level);
  }

  for (int p = 0; p < kParts; ++p) {
    const uint32_t pid = kPartStep * static_cast<uint32_t>(p);
    static constexpr const char* kPartNames[kParts] = {"PART A", "PART B", "PART C", "PART D"};
    static constexpr const char* kVoiceNames[kParts] = {"VOICE 1", "VOICE 2", "VOICE 3", "VOICE 4"};
    static constexpr const char* kFxNames[kParts] = {"FX 1", "FX 2", "FX 3", "FX 4"};
    partPages_[p] = new appVA_Part(services, pid, kPartNames[p], pos, w, h, 0x404040);
    voicePages_[p] = new appVA_VOICE(services, pid, kVoiceNames[p], pos, w, h);
    fxPages_[p] = master_pages::MakeEffectsPage(services, 0x80000 + pid, {kFxNames[p], pos, w, h, 0x404040});
  }
  for (int t = 0; t < kTracks; ++t) {
    const TrackSpec& s = kTrackSpecs[t];
    if (s.arp != nullptr) seqPages_[t] = master_pages::MakeSequencerPage(services, t, {s.arp, pos, w, h, 0x303030});
    midiPages_[t] = master_pages::MakeMidiTrackPage(services, t, {s.midi, pos, w, h, 0x303030});
    trackPages_[t] = seqPages_[t] != nullptr ? seqPages_[t] : midiPages_[t];
  }

  if (mainMenu_ != nullptr) {
    uxPanelCtrl* first[kTabs] = {partPages_[0], voicePages_[0], fxPages_[0], trackPages_[0]};
    for (int t = 0; t < kTabs; ++t) {
      tabs_[t] = new uxTabItemCtrl(services, kTabSpecs[t].id, kTabSpecs[t].caption, kTabSpecs[t].background,
                                   kPartColour[0], nullptr);
      tabs_[t]->AddPanel(first[t]);
      shown_[t] = first[t];
      mainMenu_->AddTabItem(tabs_[t]);
    }
  }
  partButtons_[0]->SetChecked(true, false);
  selected_ = 0;
  SetFocus(true);

  services_->AddControllerListener(this);
  services_->SetTrackTypeListener(this);
}

appVA_Master::~appVA_Master() {
  services_->RemoveTrackTypeListener(this);
  services_->RemoveControllerListener(this);
  // A tab deletes the page it holds; this page deletes the others.
  auto release = [this](uxPanelCtrl* page) {
    if (page != nullptr && std::find(shown_.begin(), shown_.end(), page) == shown_.end()) delete page;
  };
  for (int p = 0; p < kParts; ++p) {
    release(partPages_[p]);
    release(voicePages_[p]);
    release(fxPages_[p]);
  }
  for (int t = 0; t < kTracks; ++t) {
    release(seqPages_[t]);
    release(midiPages_[t]);
  }
}

void appVA_Master::Show(int tab, uxPanelCtrl* page, const char* caption, uxCOLOR colour) {
  if (tabs_[tab] == nullptr) return;
  tabs_[tab]->SetPanel(0, page);
  tabs_[tab]->setTabName(caption, colour);
  tabs_[tab]->setRepaint();
  shown_[tab] = page;
}

void appVA_Master::SelectPart(int p) {
  for (int i = 0; i < kParts; ++i) partButtons_[i]->SetChecked(i == p, true);
  const char letter = static_cast<char>('A' + p);
  char caption[16];
  std::snprintf(caption, sizeof caption, "SYNTH %c", letter);
  Show(kSynthTab, partPages_[p], caption, kPartColour[p]);
  std::snprintf(caption, sizeof caption, "VOICE %c", letter);
  Show(kVoiceTab, voicePages_[p], caption, kPartColour[p]);
  std::snprintf(caption, sizeof caption, "FX %c", letter);
  Show(kFxTab, fxPages_[p], caption, kPartColour[p]);
  Show(kTrackTab, trackPages_[p], trackPages_[p]->getName(), kPartColour[p]);
  partPages_[p]->RefreshList();
  if (mainMenu_ != nullptr) mainMenu_->setActiveTab(kShownSynthTab);
  selected_ = p;
  services_->sendPanelPart(p);
}

void appVA_Master::SetTrackType(int track, int type) {
  if (!ValidTrack(track) || (type != 1 && type != 2)) return;
  uxPanelCtrl* page = type == 1 ? seqPages_[track] : midiPages_[track];
  if (page == nullptr) return;  // the drum track has no arpeggiator
  trackPages_[track] = page;
  Show(kTrackTab, page, type == 1 ? kTrackSpecs[track].arp : kTrackSpecs[track].midi, kTrackSpecs[track].colour);
}

void appVA_Master::SetLevelRaw(int slot, float value) {
  if (slot < 0 || slot % 8 != 0 || slot / 8 >= kParts) return;
  levels_[slot / 8]->SetFloatRawValue(value);
}

void appVA_Master::EnableControls(bool enabled) {
  for (uxScopeView* s : scopes_) s->SetEnabled(enabled);
  for (int p = 0; p < kParts; ++p) {
    partButtons_[p]->SetEnabled(enabled);
    muteButtons_[p]->SetEnabled(enabled);
    pedalButtons_[p]->SetEnabled(enabled);
  }
  for (uxValueLabel* l : levels_) l->SetEnabled(enabled, false);
  SetEnabled(enabled);
  setRepaint();
}

void appVA_Master::ReloadValues(tagUX_Message* msg) {
  // The selected part's pages hear it through their tabs.
  for (int p = 0; p < kParts; ++p) {
    if (p == selected_) continue;
    partPages_[p]->OnMessage(msg);
    voicePages_[p]->OnMessage(msg);
    fxPages_[p]->OnMessage(msg);
  }
  for (uxValueLabel* l : levels_) {
    const float v = services_->GetSetting(static_cast<unsigned>(l->GetID()));
    l->SetFloatRawValue(v);
    l->SetFloatValue(v, FLAG_UPDATE_ENGINE);
  }
  for (int p = 0; p < kParts; ++p) {
    const uint32_t step = static_cast<uint32_t>(p) * kInstanceStep;
    const float mute = services_->GetSetting(kMuteUid + step);
    muteButtons_[p]->SetChecked(mute != 0.0f, true);
    services_->SetEngineParam(static_cast<int>(kMuteUid + step), mute);
    // Pedal follow goes back to the engine as a global setting, like mute; without the
    // setting bit the core would pass nothing on and a reload would lose it.
    const float pedal = services_->GetSetting(kPedalUid + step);
    pedalButtons_[p]->SetChecked(pedal != 0.0f, true);
    services_->SetEngineParam(static_cast<int>(kPedalUid + step), pedal);
  }
}

void appVA_Master::PanelValue(tagUX_Message* msg) {
  if (msg->pData == nullptr) return;
  const int canId = static_cast<int>(msg->param);
  const int ctrl = GetParamCtrlByCanId(canId, kPanelGroup);
  const int instance = GetParamInstanceByCanId(canId, kPanelGroup);
  float value;
  std::memcpy(&value, msg->pData, sizeof value);
  for (uxValueLabel* l : levels_) {
    const auto uid = static_cast<uint32_t>(l->GetID());
    if (static_cast<int>(uid & 0xFFF) == ctrl && static_cast<int>((uid >> 12) & 15) == instance &&
        ((uid >> 16) & 15) == msg->flag) {
      l->SetFloatRawValue(value);
      l->SetFloatValue(value, FLAG_REPAINT | FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM);
    }
  }
}

int appVA_Master::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_ON_BUTTON: {
      const int id = static_cast<int>(msg->param);
      if (id >= kPartButton && id < kPartButton + kParts) {
        SelectPart(id - kPartButton);
      } else if (id >= kMuteButton && id < kMuteButton + kParts) {
        const int p = id - kMuteButton;
        services_->SetParamById(static_cast<int>(kMuteUid + static_cast<uint32_t>(p) * kInstanceStep),
                                muteButtons_[p]->isChecked() ? 1.0f : 0.0f);
      } else if (id >= kPedalButton && id < kPedalButton + kParts) {
        const int p = id - kPedalButton;
        services_->SetParamById(static_cast<int>(kPedalUid + static_cast<uint32_t>(p) * kInstanceStep),
                                pedalButtons_[p]->isChecked() ? 1.0f : 0.0f);
      }
      break;
    }
    case UX_MSG_FOCUS:
      // The tab strip shows and hides the page with focus 1 and 2; the scopes draw only while
      // it is shown.
      if (msg->param == 1 || msg->param == 2) {
        for (uxScopeView* s : scopes_) s->SetEnabled(msg->param == 1);
        if (msg->param == 1) setRepaint();
      } else if (msg->param == 3) {
        SetFocus(true);
        EnableControls(true);
      } else if (msg->param == 4) {
        EnableControls(false);
      }
      break;
    case UX_MSG_VALUES_CHANGED:
      ReloadValues(msg);
      break;
    case EN_MSG_SET_VALUE:
      PanelValue(msg);
      break;
    default:
      break;
  }
  return result;
}

int appVA_Master::OnMidiCC(int port, int channel, int controller, int value) {
  for (uxValueLabel* l : levels_) {
    if (l->OnMidiCC(port, 0, controller, value) == 0) continue;
    const float v = l->GetFloatValue();
    l->SetFloatRawValue(v);
    services_->SetParamById(l->GetID(), v);
  }
  for (int p = 0; p < kParts; ++p) {
    const int selected = channel == selected_ ? 1 : 0;
    voicePages_[p]->OnMidiCC(selected, channel, controller, value);
    partPages_[p]->OnMidiCC(selected, channel, controller, value);
    fxPages_[p]->OnMidiCC(selected, channel, controller, value);
  }
  return 1;
}

void appVA_Master::DrawScopes() {
  OutputCapture* capture = services_->OutputScope();
  if (capture == nullptr) return;
  for (int c = 0; c < 2; ++c) {
    ScopeChannel& ch = capture->channel[c];
    if (ch.GetState() != ScopeChannel::kFull) continue;
    const int n = ch.Length();
    const float* samples = ch.Samples();
    float m = 0.0f;
    for (int i = 0; i < n; ++i) m = std::max(m, samples[i] + 1.0f);
    const float k = n == 0 ? 2.0f : 2.0f - m / 2.0f;
    uxScopeView::Point* points = scopes_[c]->Points();
    const int count = std::min(kScopePoints, scopes_[c]->PointCount());
    for (int i = 0; i < count; ++i) {
      // Reads up to about twice the capture; the channel keeps that much, zeroed past it.
      const int index = std::min(i * n / 190, ScopeChannel::kCapacity - 1);
      points[i] = uxScopeView::Point{};
      points[i].a = 0.4f + k * samples[index];
      points[i].b = 0.0f;
    }
    ch.Reset();
    scopes_[c]->setRepaint();
  }
}

int appVA_Master::OnPaint() {
  uxPanelCtrl::OnPaint();
  if (focus_ && (++paints_ & 1) == 0) DrawScopes();
  repaint_ = false;
  return 1;
}
