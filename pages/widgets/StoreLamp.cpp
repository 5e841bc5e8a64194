#include "pages/widgets/StoreLamp.h"

#include "app/PageServices.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxPopupMsg.h"

void StoreLamp::Tick(uxButton* save, uxButton* saveAs, std::initializer_list<uxButton*> others) {
  if (!save->isChecked() && !saveAs->isChecked()) return;
  if (ticks_ > 0) {
    --ticks_;
    return;
  }
  save->SetChecked(false);
  saveAs->SetChecked(false);
  for (uxButton* b : others) b->SetChecked(false);
}

void StoreLamp::Fail(PageServices* services, uxButton* pressed, const std::string& name) {
  ticks_ = 0;
  if (pressed != nullptr) pressed->SetChecked(false);
  uxPopupMsg* popup = services->PopupMessage();
  if (popup == nullptr) return;
  popup->Message("STORE FAILED", name.c_str(), "nothing was written");
  popup->show();
  services->PopupTimer(popupMsg).store(kMessageTicks);
}
