#pragma once
// The on-screen keyboard as the browsing pages use it for SAVE AS: it opens seeded from the
// shown name, and only a closing that follows such an opening hands back a typed name.
#include <string>

class uxHost;
class uxKeyboardCtrl;
class uxPanelCtrl;
class uxSelectCtrl;

class StoreAsPrompt {
 public:
  StoreAsPrompt() = default;
  StoreAsPrompt(const StoreAsPrompt&) = delete;
  StoreAsPrompt& operator=(const StoreAsPrompt&) = delete;
  // The keyboard is owned here; its selector becomes one of `page`'s elements.
  ~StoreAsPrompt();

  void Init(uxHost* host, uxPanelCtrl* page);
  // Seeds the keyboard with `shown` and "_" (nothing for the built-in "[default]") and opens it.
  void Open(const std::string& shown);
  // The typed text when the keyboard was opened by Open, else ""; the keyboard is left empty.
  std::string Close();

  uxKeyboardCtrl* Keyboard() const { return keyboard_; }
  uxSelectCtrl* Select() const { return select_; }

 private:
  uxKeyboardCtrl* keyboard_ = nullptr;
  uxSelectCtrl* select_ = nullptr;
  bool open_ = false;
};
