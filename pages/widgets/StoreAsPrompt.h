#pragma once
// The on-screen keyboard as the browsing pages use it for SAVE AS: it opens seeded from the
// shown name, and only a closing that follows such an opening hands back a typed name.
#include <string>

class uxKeyboardCtrl;
class uxSelectCtrl;

class StoreAsPrompt {
 public:
  void Init(uxKeyboardCtrl* keyboard, uxSelectCtrl* select) {
    keyboard_ = keyboard;
    select_ = select;
  }
  // Seeds the keyboard with `shown` and "_" (nothing for the built-in "[default]") and opens it.
  void Open(const std::string& shown);
  // The typed text when the keyboard was opened by Open, else ""; the keyboard is left empty.
  std::string Close();

 private:
  uxKeyboardCtrl* keyboard_ = nullptr;
  uxSelectCtrl* select_ = nullptr;
  bool open_ = false;
};
