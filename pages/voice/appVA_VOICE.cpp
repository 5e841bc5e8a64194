#include "pages/voice/appVA_VOICE.h"

#include <algorithm>

#include "app/PageServices.h"
#include "engine/CVoiceAlloc.h"
#include "engine/VoiceStatus.h"
#include "pages/voice/VoiceEditors.h"
#include "pages/voice/VoiceLayout.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxSelectCtrl.h"

namespace {

using voice_layout::AreaSpec;
using voice_layout::EditorSpec;
using voice_layout::kAreas;
using voice_layout::kEditorSpecs;
using voice_editors::Kind;

// The order the editors hear controllers in; the shaper has no controller handling.
constexpr int kControllerOrder[] = {
    appVA_VOICE::kEnv1, appVA_VOICE::kEnv2,    appVA_VOICE::kEnv3,    appVA_VOICE::kEnv4,  appVA_VOICE::kOsc1,
    appVA_VOICE::kOsc2, appVA_VOICE::kLfo1,    appVA_VOICE::kLfo2,    appVA_VOICE::kLfo3,  appVA_VOICE::kFilterA,
    appVA_VOICE::kFilterB, appVA_VOICE::kNoise, appVA_VOICE::kMixer, appVA_VOICE::kMatrix,
};

// A silent slot, one switched off after a missed deadline, and the part letters.
const char* const kTexts[] = {"", "X", "A", "B", "C", "D"};

constexpr uxCOLOR kFirstColour = 0xC00000;
constexpr uxCOLOR kSecondColour = 0x0000C0;

}  // namespace

appVA_VOICE::appVA_VOICE(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                         voice_editors::Factory make)
    : uxPanelCtrl(services, id, name, pos, w, h, "VoiceBackGround.png"), services_(services) {
  SetEnabled(true);
  for (int e = 0; e < kEditors; ++e) {
    const EditorSpec& s = kEditorSpecs[e];
    const voice_editors::Frame frame{id + s.instance * 0x1000, s.name, pos, w, h};
    uxPanelCtrl* partner = e == kFilterA ? editors_[kFilterB] : nullptr;
    const bool sharesInt = s.kind == Kind::kShaper || s.kind == Kind::kMixer;
    editors_[e] = make(s.kind, services, frame, partner, sharesInt ? &shared_ : nullptr);
  }
  for (int i = 0; i < kBars; ++i) {
    auto* bar = new uxBarCtrl(services, static_cast<unsigned>(i), static_cast<int16_t>(305 + 30 * i), 405, 25, 60,
                              0x202020, 0x808080, kFirstColour);
    bar->SetEnabled(true);
    bar->setMax(100.0f);
    bar->setLevel(static_cast<float>(std::min(10 * i, 100)));
    bars_[i] = bar;
    AddElement(bar);
  }
  for (const AreaSpec& a : kAreas)
    AddElement(new uxSelectCtrl(services, a.id, uxPOINT(a.x, a.y), a.w, a.h, 0xFFFFFF, 0xFF0000, this,
                                editors_[a.editor]));
}

appVA_VOICE::~appVA_VOICE() {
  // The selectors do not own the editors.
  for (uxPanelCtrl* e : editors_) delete e;
}

int appVA_VOICE::OnPaint() {
  uxPanelCtrl::OnPaint();
  const auto* table = static_cast<const VoiceAllocEntry*>(services_->EngineState());
  if (!enabled_ || table == nullptr) return 1;
  for (int i = 0; i < kBars; ++i) {
    const VoiceAllocEntry& v = table[i];
    const auto* status = static_cast<const VoiceStatus*>(services_->VoiceSlot(i));
    // The level of the slot's first amplitude envelope; a slot without a record is silent.
    const float level = status != nullptr ? status->envelope[0].level.load(std::memory_order_relaxed) : 0.0f;
    uxBarCtrl* bar = bars_[i];
    if (!(level > 0.0f))
      bar->setText(kTexts[v.state == CVoiceAlloc::kDisabled ? 1 : 0]);
    else if (v.part < 4)
      bar->setText(kTexts[2 + v.part]);
    // A mono voice is the second colour state.
    if (v.state == CVoiceAlloc::kPlaying)
      bar->setBarColor(kFirstColour);
    else if (v.state == CVoiceAlloc::kMono)
      bar->setBarColor(kSecondColour);
    bar->setLevel(level > 0.0f ? level * 100.0f : 0.0f);
    bar->setRepaint();
  }
  return 1;
}

void appVA_VOICE::EnableBars(bool enabled) {
  for (uxBarCtrl* bar : bars_) bar->SetEnabled(enabled);
  SetEnabled(enabled);
  setRepaint();
}

int appVA_VOICE::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  if (msg->type != UX_MSG_FOCUS) return result;
  if (msg->param == 3)
    EnableBars(true);
  else if (msg->param == 4)
    EnableBars(false);
  else if (msg->param == 0)
    setRepaint();
  return result;
}

int appVA_VOICE::OnMidiCC(int port, int channel, int controller, int value) {
  for (int e : kControllerOrder) editors_[e]->OnMidiCC(port, channel, controller, value);
  return 1;
}
