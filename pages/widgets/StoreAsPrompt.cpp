#include "pages/widgets/StoreAsPrompt.h"

#include "toolkit/uxKeyboardCtrl.h"
#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxSelectCtrl.h"

namespace {

constexpr char kDefaultName[] = "[default]";

}  // namespace

StoreAsPrompt::~StoreAsPrompt() { delete keyboard_; }

void StoreAsPrompt::Init(uxHost* host, uxPanelCtrl* page) {
  keyboard_ = new uxKeyboardCtrl(host, uxPOINT(0, 40), 800, 440, 0xC0C0C0, 0x202020);
  select_ = new uxSelectCtrl(host, 0, uxPOINT(10, 140), 120, 100, 0xFFFFFF, 0xFF0000, page, keyboard_);
  page->AddElement(select_);
}

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
