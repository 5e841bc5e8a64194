#include "pages/widgets/TextButton.h"

#include "toolkit/uxButton.h"
#include "toolkit/uxPanelCtrl.h"

namespace text_button {

uxButton* Add(uxHost* host, uxPanelCtrl* page, unsigned id, const char* text, int x, int y, int w, int h,
              uxCOLOR background, uxCOLOR frame) {
  auto* b = new uxButton(host, id, uxPOINT(x, y), static_cast<int16_t>(w), static_cast<int16_t>(h), background, frame,
                         0xFFFFFF, true, 1);
  b->SetText(text);
  page->AddElement(b);
  return b;
}

}  // namespace text_button
