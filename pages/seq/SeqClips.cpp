#include "pages/seq/SeqClips.h"

#include "platform/ArmConvert.h"
#include "platform/LogSink.h"
#include "toolkit/uxValueLabel.h"

namespace seq {

int Tempo(CClipCore* core) { return core ? core->Master().bpm.load(std::memory_order_relaxed) : 0; }

namespace {

void StoreTempo(CClipCore* core, float value) {
  if (core) core->Master().bpm.store(arm::ToInt32(value), std::memory_order_relaxed);
}

}  // namespace

void FocusEncoders(Labels labels, CClipCore* core, int track, int clip) {
  float gate = 0.0f;
  WithClip(core, track, clip, [&](ClipData& c) { gate = c.GateWidth; });
  uxValueLabel* c = labels[2];
  c->SetLabelText(" GATE ", "%", 13);
  c->SetFloatValue(gate, FLAG_REPAINT);
  c->SetEncoderMode(1, 0);
  c->SetChecked(true, true);
  c->SetFloatRawValue(gate);
  WithClip(core, track, clip, [&](ClipData& clipData) { clipData.GateWidth = gate; });

  const float tempo = static_cast<float>(Tempo(core));
  uxValueLabel* d = labels[3];
  d->SetLabelText(" TEMPO ", "BPM", 13);
  d->SetFloatValue(tempo, FLAG_REPAINT);
  d->SetEncoderMode(15, 0);
  d->SetChecked(true, true);
  d->SetFloatRawValue(tempo);
  StoreTempo(core, tempo);
}

void SetEncoderValue(Labels labels, CClipCore* core, int track, int clip, int slot, bool fromLabel, float value,
                     bool log) {
  if (!fromLabel) {
    const int index = slot / 8;
    if (index >= 0 && index < kLabels && labels[index]) labels[index]->SetFloatRawValue(slot == kSlotUnused ? 0.0f : value);
  }
  switch (slot) {
    case kSlotMode:
      WithClip(core, track, clip, [&](ClipData& c) { c.OpMode = static_cast<int32_t>(arm::ToUint32(value)); });
      if (log && clip != -1) platform::LogPrintf("VALUE: %f\n", static_cast<double>(value));
      break;
    case kSlotGate:
      WithClip(core, track, clip, [&](ClipData& c) { c.GateWidth = value; });
      break;
    case kSlotTempo:
      StoreTempo(core, value);
      break;
    default:
      break;
  }
}

void EncoderChanged(Labels labels, CClipCore* core, int track, int clip, uint32_t param, bool log) {
  for (int i = 0; i < kLabels; ++i) {
    uxValueLabel* label = labels[i];
    if (!label) continue;
    const int slot = static_cast<int>(label->GetUserData());
    if (static_cast<uint32_t>(slot / 8) == (param & 3) && label->isChecked())
      SetEncoderValue(labels, core, track, clip, slot, true, label->GetFloatValue(), log);
  }
}

}  // namespace seq
