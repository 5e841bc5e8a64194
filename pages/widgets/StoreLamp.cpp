#include "pages/widgets/StoreLamp.h"

#include <algorithm>

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

namespace {

// Characters of the name the message popup's line holds.
constexpr std::size_t kShownCharacters = 24;

bool StartsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// The name cut to the popup's line, between two UTF-8 characters, with ".." where it was cut.
std::string Shown(const std::string& name) {
  if (std::count_if(name.begin(), name.end(), StartsCharacter) <= static_cast<long>(kShownCharacters)) return name;
  std::size_t characters = 0;
  std::size_t end = 0;
  for (; end < name.size(); ++end)
    if (StartsCharacter(name[end]) && ++characters > kShownCharacters - 2) break;
  return name.substr(0, end) + "..";
}

}  // namespace

void StoreLamp::Fail(PageServices* services, uxButton* pressed, const std::string& name) {
  ticks_ = 0;
  if (pressed != nullptr) pressed->SetChecked(false);
  uxPopupMsg* popup = services->PopupMessage();
  if (popup == nullptr) return;
  popup->Message("STORE FAILED", Shown(name).c_str(), "nothing was written");
  popup->show();
  services->PopupTimer(popupMsg).store(kMessageTicks);
}
