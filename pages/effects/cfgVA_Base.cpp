#include "pages/effects/cfgVA_Base.h"

#include <algorithm>
#include <cstring>

#include "app/PageServices.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int16_t kPanelX = 410;
constexpr int16_t kPanelY = 60;
constexpr int16_t kPanelWidth = 380;
constexpr int16_t kPanelHeight = 240;
constexpr int kEnumFont = 12;
constexpr int kValueFont = 13;
constexpr unsigned kDefaultFlags = FLAG_REPAINT | FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM;

}  // namespace

cfgVA_Base::cfgVA_Base(PageServices* services, uint32_t pageId, uxValueLabel** labels, appVA_Effects* page,
                       const char* name, const char* image, std::span<const FxLabelRow> rows)
    : uxPanelCtrl(services, static_cast<uint32_t>(-1), name, uxPOINT(kPanelX, kPanelY), kPanelWidth, kPanelHeight, image),
      services_(services),
      pageId_(pageId),
      target_(static_cast<int>((pageId >> 16) & 0xF)),
      labels_(labels),
      page_(page),
      rows_(rows) {
  SetEnabled(false);
}

cfgVA_Base::~cfgVA_Base() = default;

int cfgVA_Base::OnMessage(tagUX_Message* msg) { return uxPanelCtrl::OnMessage(msg); }

int cfgVA_Base::Uid(int param) const { return (target_ << 16) | (slot_ << 12) | param; }

void cfgVA_Base::IdleLabel(int entry, bool dash) {
  uxValueLabel* label = labels_[entry];
  if (label == nullptr) return;
  formats_[entry] = Formatter::kNone;
  label->ClearEnums();
  label->SetLabelText("", "", kValueFont);
  label->setConvertFunction(nullptr);
  label->SetChecked(false);
  label->SetEncoderMode(0, 0);
  label->SetID(kNoUid);
  if (dash) label->SetTextValue("-", kDefaultFlags);
}

void cfgVA_Base::ConfigureLabel(const FxLabelRow& row) {
  uxValueLabel* label = labels_[row.entry];
  if (label == nullptr) return;
  if (row.mode == 0) {
    IdleLabel(row.entry, row.text != nullptr && std::strcmp(row.text, "-") == 0);
    label->SetChecked(row.selected);
    return;
  }
  const bool isEnum = row.choices[0] != nullptr;
  formats_[row.entry] = row.format;
  label->SetID(Uid(row.param));
  label->SetLabelText(row.text, row.unit, row.font != 0 ? row.font : isEnum ? kEnumFont : kValueFont);
  // The labels are shared by all panels: a list left from another type or slot goes first.
  if (isEnum) {
    int n = 0;
    while (n < kFxMaxChoices && row.choices[n] != nullptr) ++n;
    SetChoices(label, std::span<const char* const>(row.choices, static_cast<size_t>(n)));
  }
  label->setConvertFunction(value_format::Function(row.format));
  label->SetChecked(row.selected);
  label->SetEncoderMode(row.mode, 0);
}

void cfgVA_Base::SetChoices(uxValueLabel* label, std::span<const char* const> texts) {
  label->ClearEnums();
  for (const char* text : texts) label->AddEnumText(text);
  label->setRepaint();
}

void cfgVA_Base::SetPosition(int entry, float value) {
  if (labels_[entry] != nullptr) labels_[entry]->SetFloatRawValue(value_format::PositionFor(formats_[entry], value));
}

void cfgVA_Base::SetupSlot(int slot) {
  slot_ = slot;
  for (const FxLabelRow& row : rows_) ConfigureLabel(row);
  for (int entry = kFirstParam; entry < kLabelSet; ++entry) {
    const auto row = std::find_if(rows_.begin(), rows_.end(), [&](const FxLabelRow& r) { return r.entry == entry; });
    if (row == rows_.end()) IdleLabel(entry, false);
  }
  SetEnabled(true);
  setRepaint();
}

void cfgVA_Base::RefreshValues(int flags) {
  for (int entry = kFirstParam; entry < kLabelSet; ++entry) {
    uxValueLabel* label = labels_[entry];
    // An idle label stands for no parameter: it neither reads nor sends.
    if (label == nullptr || !label->isEnabled() || label->GetID() == kNoUid) continue;
    const float v = services_->GetParamById(label->GetID());
    SetPosition(entry, v);
    label->SetFloatValue(v, static_cast<unsigned>(flags));
  }
}

void cfgVA_Base::SetDefaults() {
  int last = 0;
  for (const FxLabelRow& row : rows_) last = std::max(last, row.order);
  for (int order = 1; order <= last; ++order) {
    for (const FxLabelRow& row : rows_) {
      if (row.order != order || labels_[row.entry] == nullptr || labels_[row.entry]->GetID() == kNoUid) continue;
      SetPosition(row.entry, row.value);
      labels_[row.entry]->SetFloatValue(row.value, kDefaultFlags);
    }
  }
}
