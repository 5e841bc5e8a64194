#include "pages/widgets/StoreAsPrompt.h"

#include "toolkit/uxKeyboardCtrl.h"
#include "toolkit/uxSelectCtrl.h"

namespace {

constexpr char kDefaultName[] = "[default]";

}  // namespace

void StoreAsPrompt::Open(const std::string& shown) {
  keyboard_->setText(shown == kDefaultName ? "" : (shown + "_").c_str());
  open_ = true;
  select_->SetActive(0, -1);
}

std::string StoreAsPrompt::Close() {
  if (!open_) return std::string();
  open_ = false;
  std::string text = keyboard_->getText();
  keyboard_->setText("");
  return text;
}
