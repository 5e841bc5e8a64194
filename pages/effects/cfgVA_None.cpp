#include "pages/effects/cfgVA_None.h"

#include "toolkit/uxValueLabel.h"

namespace {

// The labels of encoders A and B show a dash; the others are left empty.
constexpr int kLastDashed = 7;

}  // namespace

cfgVA_None::cfgVA_None(PageServices* services, uint32_t pageId, uxValueLabel** labels, appVA_Effects* page)
    : cfgVA_Base(services, pageId, labels, page, "NONE", "Blank.png") {}

void cfgVA_None::SetupSlot(int slot) {
  slot_ = slot;
  for (int entry = kFirstParam; entry < kLabelSet; ++entry) {
    IdleLabel(entry, entry <= kLastDashed);
    if (entry > kLastDashed && labels_[entry] != nullptr) labels_[entry]->SetTextValue("", FLAG_REPAINT);
  }
  SetEnabled(true);
  setRepaint();
}
