#pragma once
// A GUIManager stand-in for widget tests: hands out a drawing context and records every
// call a widget makes. Its hook answers as the flavour's own manager does (the script
// module's 0, the instrument's 1).
#include <string>
#include <vector>

#include "toolkit/Flavour.h"
#include "toolkit/uxHost.h"

namespace toolkit_test {

class FakeHost : public uxHost {
 public:
  explicit FakeHost(uxDC* dc = nullptr) : dc_(dc) {}

  uxDC* getDC() override { return dc_; }
  int HookSendMessage(tagUX_Message* msg) override {
    hooked.push_back(*msg);
    calls.push_back("Hook");
    return hookResult;
  }
  int SendMessage(tagUX_Message* msg, bool queued) override {
    sent.push_back(*msg);
    calls.push_back(queued ? "SendQueued" : "Send");
    return 0;
  }
  void sendCANFocus(int n) override { calls.push_back("Focus " + std::to_string(n)); }
  void ValueChanged(uint32_t uid, float value, unsigned flags) override {
    calls.push_back("ValueChanged " + std::to_string(uid) + " " + std::to_string(value) + " " +
                    std::to_string(flags));
  }
  int GetCCAssignment(uint32_t) override { return -1; }
  void SetCCAssignment(int cc, int uid) override {
    calls.push_back("SetCC " + std::to_string(cc) + " " + std::to_string(uid));
  }

  int hookResult = ux::kScriptFlavour ? 0 : 1;
  std::vector<tagUX_Message> hooked;
  std::vector<tagUX_Message> sent;
  std::vector<std::string> calls;

 private:
  uxDC* dc_;
};

}  // namespace toolkit_test
