#include "pages/seq/appVA_Sequencer.h"

#include <algorithm>
#include <cstdio>

#include "app/PageServices.h"
#include "pages/seq/appVA_SeqSettings.h"
#include "pages/seq/appVA_SeqStep.h"
#include "platform/LogSink.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr uxCOLOR kPageColour = 0x303030;
const uxPOINT kSubPagePos(0, 130);
constexpr int16_t kSubPageWidth = 800;
constexpr int16_t kSubPageHeight = 280;
constexpr uint32_t kEnter = 1;
constexpr uint32_t kTurnRight = 130;
constexpr uint32_t kTurnLeft = 131;

struct LabelShape {
  int uid;
  int slot;
  int16_t x;
  uxCOLOR accent;
  uxCOLOR title;
};
constexpr LabelShape kLabelShapes[] = {
    {242, seq::kSlotMode, 10, 0xC00000, 0xC0C0C0},
    {0, seq::kSlotUnused, 210, 0xC00000, 0xC0C0C0},
    {243, seq::kSlotGate, 410, 0xC0C0C0, 0x808080},
    {240, seq::kSlotTempo, 610, 0xC00000, 0xC0C0C0},
};

template <class Page>
appVA_SeqStep* MakeStep(PageServices* s, int track, const char* name, CClipCore* clips, seq::Labels labels) {
  return new Page(s, track, name, kSubPagePos, kSubPageWidth, kSubPageHeight, kPageColour, clips, labels);
}

}  // namespace

appVA_Sequencer::appVA_Sequencer(PageServices* services, int track, const char* name, uxPOINT pos, int16_t w,
                                 int16_t h, uxCOLOR colour)
    : uxPanelCtrl(services, static_cast<uint32_t>(track), name, pos, w, h, colour),
      services_(services),
      clips_(services->ClipLauncher()),
      track_(track) {
  setRepaint();
  tabs_ = new uxTabCtrl(services, 0, "Seq", uxPOINT(0, 40), 800, 40, 0x404040, 0xC0C0C0, 0, 10);
  AddElement(tabs_);

  for (int i = 0; i < seq::kLabels; ++i) {
    const LabelShape& s = kLabelShapes[i];
    labels_[i] = new uxValueLabel(services, s.uid, static_cast<uint32_t>(s.slot), uxPOINT(s.x, 420), 180, 70,
                                  0x202020, s.accent, s.title, 0xFFFFFF, 0xA4A4A4, true);
  }
  uxValueLabel* a = labels_[0];
  a->SetLabelText(" MODE ", "", 12);
  for (const char* mode : {"ON", "HOLD", "LATCH", "ADD", "LIVE_SEQ"}) a->AddEnumText(mode);
  a->SetFloatValue(1.0f, FLAG_REPAINT);
  a->SetEncoderMode(8, 0);
  a->SetChecked(true, true);
  AddElement(a);
  // B learns and follows controllers only: it is never drawn nor touched.
  labels_[1]->SetLabelText(" --- ", "", 13);
  for (int i = 2; i < seq::kLabels; ++i) {
    labels_[i]->SetLabelText(" --- ", "", 13);
    labels_[i]->SetEncoderMode(0, 0);
    labels_[i]->SetChecked(true, true);
    AddElement(labels_[i]);
  }

  clipCaption_ = new uxLabel(services, uxPOINT(15, 90), 80, 35, 0x404040, 0x404040, 0xFFFFFF, 11);
  clipCaption_->setText("CLIP:");
  clipName_ = new uxLabel(services, uxPOINT(115, 90), 150, 35, 0x802020, 0x802020, 0xC0C0C0, 11);
  clipName_->setText("<empty>");
  metre_ = new uxLabel(services, uxPOINT(280, 90), 50, 35, 0x802020, 0x802020, 0xC0C0C0, 11);
  metre_->setText("4/4");
  position_ = new uxLabel(services, uxPOINT(340, 90), 150, 35, 0x802020, 0x802020, 0xC0C0C0, 11);
  position_->setText("1-1,1");
  for (uxLabel* l : {clipCaption_, clipName_, metre_, position_}) AddElement(l);

  seq::Labels shared = labels_;
  settings_ = new appVA_SeqSettings(services, track, "SEQ-SETTINGS", kSubPagePos, kSubPageWidth, kSubPageHeight,
                                    kPageColour, clips_, shared);
  // Page names are not shown; the octave tab carries its own.
  steps_[0] = MakeStep<appVA_SeqAssign>(services, track, "SEQ-ASSIGN", clips_, shared);
  steps_[1] = MakeStep<appVA_SeqMode>(services, track, "SEQ-MODE", clips_, shared);
  steps_[2] = MakeStep<appVA_SeqSemi>(services, track, "SEQ-SEMITONE", clips_, shared);
  steps_[3] = MakeStep<appVA_SeqOctave>(services, track, "SEQ-OCTAVE", clips_, shared);
  steps_[4] = MakeStep<appVA_SeqVelocity>(services, track, "SEQ-VELO", clips_, shared);
  steps_[5] = MakeStep<appVA_SeqCVA>(services, track, "SEQ-CVA", clips_, shared);
  steps_[6] = MakeStep<appVA_SeqCVB>(services, track, "SEQ-CVB", clips_, shared);
  steps_[7] = MakeStep<appVA_SeqCVC>(services, track, "SEQ-CVC", clips_, shared);

  static constexpr const char* kTabNames[kTabs] = {"SETTINGS", "ASSIGN", "MODE", "SEMITONE", "OCTAVE",
                                                   "VELOCITY", "CVA",    "CVB",  "CVC"};
  for (int i = 0; i < kTabs; ++i) {
    auto* item = new uxTabItemCtrl(services, static_cast<unsigned>(i), kTabNames[i], kPageColour, 0xFFFFFF, nullptr);
    item->AddPanel(i == 0 ? static_cast<uxPanelCtrl*>(settings_) : steps_[i - 1]);
    tabs_->AddTabItem(item);
  }
  tabs_->setActiveTab(0);
  tabs_->SetFocus(true);
  services_->AddControllerListener(this);
}

appVA_Sequencer::~appVA_Sequencer() {
  services_->RemoveControllerListener(this);
  // B is in no element list, so the panel does not delete it.
  delete labels_[1];
}

bool appVA_Sequencer::ShowClipName() {
  char name[64] = {};
  if (!seq::WithClip(clips_, track_, editClip_,
                     [&](ClipData& c) { std::snprintf(name, sizeof name, "%s", c.name.c_str()); }))
    return false;
  clipName_->setText(name);
  return true;
}

int appVA_Sequencer::EditClipSteps() {
  int steps = -1;
  seq::WithClip(clips_, track_, editClip_, [&](ClipData& c) { steps = std::clamp(c.StepCount, 0, kClipSteps); });
  return steps;
}

void appVA_Sequencer::UpdateStepPages(int bank) {
  for (appVA_SeqStep* page : steps_) page->ShowBank(bank);
  settings_->updateParam();
}

int appVA_Sequencer::OnPaint() {
  uxPanelCtrl::OnPaint();
  if (editClip_ != -1 && clips_) {
    char text[32];
    std::snprintf(text, sizeof text, "%d-%d,%02d", clips_->Bar() + 1, clips_->Beat() + 1, clips_->Tick() % 24 + 1);
    position_->setText(text);
    position_->setRepaint();
  }
  repaint_ = false;
  return 1;
}

int appVA_Sequencer::OnMidiCC(int a, int part, int controller, int value) {
  for (uxValueLabel* label : labels_) label->OnMidiCC(a, part, controller, value);
  return 1;
}

int appVA_Sequencer::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TICK_EVENT: {
      const int clip = seq::EditClip(clips_, track_);
      if (clip == editClip_) break;
      platform::LogPrintf("Track[%d] Clip scene changed %d\n", track_, clip);
      editClip_ = clip;
      if (clip == -1) break;
      ShowClipName();
      UpdateStepPages(SeqStepBank);
      break;
    }
    case APP_MSG_CLIP_CHANGED:
      if (static_cast<int>(msg->param) == track_) UpdateStepPages(SeqStepBank);
      break;
    case UX_MSG_TAB_SELECT:
      // The settings page's lists reach below the sub-page area; the page under the next
      // sub-page paints over what they leave there.
      setRepaint();
      break;
    case UX_MSG_VALUES_CHANGED:
      if (editClip_ != -1) ShowClipName();
      if (static_cast<int32_t>(msg->flag) != -1) SeqStepBank = 0;
      UpdateStepPages(SeqStepBank);
      break;
    case UX_MSG_KEY: {
      if (msg->param != kEnter || !isFocus()) break;
      const int n = EditClipSteps();
      if (n < 0) break;
      // The next bank that starts inside the clip, else the first.
      ++SeqStepBank;
      if (8 * SeqStepBank >= n) SeqStepBank = 0;
      UpdateStepPages(SeqStepBank);
      break;
    }
    case UX_MSG_ENCODER_EVENT: {
      if (msg->param != kBankEncoder || !isFocus()) break;
      const int n = EditClipSteps();
      if (n < 0) break;
      if (msg->flag == kTurnRight)
        SeqStepBank = 8 * (SeqStepBank + 1) < n ? SeqStepBank + 1 : n / 8 - 1;
      else if (msg->flag == kTurnLeft)
        SeqStepBank = std::max(SeqStepBank - 1, 0);
      if (n < 8 * SeqStepBank) SeqStepBank = 0;
      // A clip shorter than a bank, or a count from a file that is not whole banks, stays
      // on banks that start inside its 64 steps.
      SeqStepBank = std::clamp(SeqStepBank, 0, seq::LastBank(n));
      UpdateStepPages(SeqStepBank);
      break;
    }
    default:
      break;
  }
  return result;
}
