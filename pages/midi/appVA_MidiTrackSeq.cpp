#include "pages/midi/appVA_MidiTrackSeq.h"

#include <cstdio>

#include "midi/CClipCore.h"
#include "pages/midi/MidiTrackClip.h"
#include "pages/midi/appVA_MidiTrackFiles.h"
#include "pages/midi/appVA_MidiTrackGrid.h"
#include "pages/midi/appVA_MidiTrackSettings.h"
#include "platform/LogSink.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr uxCOLOR kPageColour = 0x303030;
const uxPOINT kSubPagePos(0, 80);
constexpr int kLoopEncoder = 2;   // C
constexpr int kTempoEncoder = 3;  // D

}  // namespace

appVA_MidiTrackSeq::appVA_MidiTrackSeq(uxHost* manager, CClipCore* clips, int track, const char* name, uxPOINT pos,
                                       int16_t w, int16_t h, uxCOLOR colour, PageServices* services)
    : uxPanelCtrl(manager, static_cast<uint32_t>(track), name, pos, w, h, colour), clips_(clips), track_(track) {
  setRepaint();
  tabs_ = new uxTabCtrl(manager, 0, "MIDI-SEQ", uxPOINT(0, 40), 800, 40, 0x303030, 0xC0C0C0, 0, 10);
  AddElement(tabs_);

  auto* loop = new uxValueLabel(manager, kLoopUid, static_cast<uint32_t>(kLoopEncoder * 8), uxPOINT(410, 420), 180,
                                70, 0x202020, 0xC00000, 0xC0C0C0, 0xFFFFFF, 0xA4A4A4, true);
  loop->SetLabelText(" LOOP ", "Bar", 13);
  loop->AddEnumText("OFF");
  for (int i = 1; i <= kLoopChoices; ++i) {
    char text[8];
    std::snprintf(text, sizeof text, "%d", i);
    loop->AddEnumText(text);
  }
  loop->SetEncoderMode(8, 0);
  // The page stores LOOP and TEMPO itself; neither is a parameter the labels could report.
  loop->setEncoderNotifications(FLAG_REPAINT);
  loop->SetFloatRawValue(1.0f);
  loop->SetFloatValue(1.0f, FLAG_REPAINT);
  loop->SetChecked(true, true);
  AddElement(loop);

  auto* tempo = new uxValueLabel(manager, kTempoUid, static_cast<uint32_t>(kTempoEncoder * 8), uxPOINT(610, 420),
                                 180, 70, 0x202020, 0xC00000, 0xC0C0C0, 0xFFFFFF, 0xA4A4A4, true);
  tempo->SetLabelText(" TEMPO ", "BPM", 13);
  const float bpm = clips_ ? static_cast<float>(clips_->Master().bpm.load(std::memory_order_relaxed)) : 120.0f;
  tempo->SetEncoderMode(15, 0);
  tempo->setEncoderNotifications(FLAG_REPAINT);
  tempo->SetFloatRawValue(bpm);
  tempo->SetFloatValue(bpm, FLAG_REPAINT);
  tempo->SetChecked(true, true);
  AddElement(tempo);
  labels_ = {loop, tempo};

  auto* caption = new uxLabel(manager, uxPOINT(15, 420), 70, 35, 0x404040, 0x404040, 0xFFFFFF, 11);
  caption->setText("CLIP:");
  AddElement(caption);
  clipName_ = new uxLabel(manager, uxPOINT(90, 420), 150, 35, 0x802020, 0x802020, 0xC0C0C0, 11);
  clipName_->setText("<empty>");
  metre_ = new uxLabel(manager, uxPOINT(259, 420), 50, 35, 0x802020, 0x802020, 0xC0C0C0, 11);
  metre_->setText("4/4");
  position_ = new uxLabel(manager, uxPOINT(319, 420), 80, 35, 0x802020, 0x802020, 0xC0C0C0, 11);
  position_->setText("1-1,1");
  for (uxLabel* l : {clipName_, metre_, position_}) AddElement(l);

  grid_ = new appVA_MidiTrackGrid(manager, track, "MIDI GRID", kSubPagePos, 800, 320, kPageColour, clips_, labels_);
  settings_ = new appVA_MidiTrackSettings(manager, track, "SEQ-SETTINGS", kSubPagePos, 800, 320, kPageColour,
                                          clips_, labels_);
  files_ = new appVA_MidiTrackFiles(manager, track, "MIDI FILE", kSubPagePos, 800, 320, kPageColour, clips_,
                                    labels_, services);
  static constexpr const char* kTabNames[] = {"GRID", "SETTINGS", "MIDI-FILE"};
  uxPanelCtrl* pages[] = {grid_, settings_, files_};
  for (int i = 0; i < 3; ++i) {
    auto* item = new uxTabItemCtrl(manager, static_cast<unsigned>(i), kTabNames[i], kPageColour, 0xFFFFFF, nullptr);
    item->AddPanel(pages[i]);
    tabs_->AddTabItem(item);
  }
  tabs_->setActiveTab(0);
  tabs_->SetFocus(true);
}

int appVA_MidiTrackSeq::OnPaint() {
  uxPanelCtrl::OnPaint();
  if (clip_ != -1 && clips_) {
    char text[48];
    std::snprintf(text, sizeof text, "%d-%d,%02d", clips_->Bar() + 1, clips_->Beat() + 1, clips_->Tick() % 24 + 1);
    position_->setText(text);
    position_->setRepaint();
  }
  repaint_ = false;
  return 1;
}

int appVA_MidiTrackSeq::OnMidiCC(int port, int channel, int data1, int data2) {
  labels_.loop->OnMidiCC(port, channel, data1, data2);
  labels_.tempo->OnMidiCC(port, channel, data1, data2);
  return 1;
}

int appVA_MidiTrackSeq::OnMessage(tagUX_Message* msg) {
  switch (msg->type) {
    case UX_MSG_TICK_EVENT: {
      clip_ = midi_track::EditClip(clips_, track_);
      char metre[32] = {};
      char name[64] = {};
      if (midi_track::WithClip(clips_, track_, clip_, [&](ClipData& c) {
            std::snprintf(metre, sizeof metre, "%d/%d", c.Numerator, c.Denominator);
            std::snprintf(name, sizeof name, "%s", c.name.c_str());
          })) {
        metre_->setText(metre);
        clipName_->setText(name);
      }
      break;
    }
    case UX_MSG_VALUES_CHANGED: {
      char name[64] = {};
      if (midi_track::WithClip(clips_, track_, clip_,
                               [&](ClipData& c) { std::snprintf(name, sizeof name, "%s", c.name.c_str()); }))
        clipName_->setText(name);
      break;
    }
    case UX_MSG_ENCODER_VALUE_CHANGED: {
      if (!isFocus() || !clips_) break;
      const int encoder = static_cast<int>(msg->param & 3);
      if (encoder == kTempoEncoder) {
        clips_->Master().bpm.store(static_cast<int32_t>(labels_.tempo->GetFloatValue()), std::memory_order_relaxed);
      } else if (encoder == kLoopEncoder && clip_ != -1) {
        const int bars = static_cast<int>(labels_.loop->GetFloatValue());
        midi_track::WithClip(clips_, track_, clip_, [&](ClipData& c) {
          const int64_t pp = static_cast<int64_t>(bars) * midi_track::BarQuarters(c.Numerator) * kSeqPulsesPerQuarter;
          c.Loop_PP = static_cast<int32_t>(std::min<int64_t>(pp, INT32_MAX));
        });
        grid_->ShowClip(track_, clip_);
      }
      break;
    }
    case APP_MSG_CLIP_CHANGED: {
      if (!isFocus()) break;
      int quarters = 0;
      int metre = 4;
      midi_track::WithClip(clips_, track_, clip_, [&](ClipData& c) {
        quarters = c.Loop_PP / kSeqPulsesPerQuarter;
        metre = midi_track::BarQuarters(c.Numerator);
      });
      grid_->ShowClip(track_, clip_);
      // LOOP offers up to 16 bars; longer loops show the last choice and keep their length.
      const float bars = MidiTrackLabels::LoopChoice(quarters / metre);
      labels_.loop->SetFloatRawValue(bars);
      labels_.loop->SetFloatValue(bars, FLAG_REPAINT);
      platform::LogPrintf("CLIPLAUNCHER set Bar: %d\n", quarters);
      break;
    }
    default:
      break;
  }
  return uxPanelCtrl::OnMessage(msg);
}
