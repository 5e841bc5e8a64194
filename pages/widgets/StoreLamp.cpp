#include "pages/widgets/StoreLamp.h"

#include "toolkit/uxButton.h"

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
