#pragma once
// The lit store buttons of the browsing pages: a store lights SAVE or SAVE AS for a few GUI
// ticks, then every button of the page's store row goes dark together. A store that wrote
// nothing lights nothing and says so in the message popup instead.
#include <initializer_list>
#include <string>

class PageServices;
class uxButton;

class StoreLamp {
 public:
  // Fourth ticks the failure message stays up.
  static constexpr int kMessageTicks = 150;

  void Light(int ticks) { ticks_ = ticks; }
  // One GUI tick: while `save` or `saveAs` is lit, counts down and then darkens them and `others`.
  void Tick(uxButton* save, uxButton* saveAs, std::initializer_list<uxButton*> others = {});
  // Darkens `pressed` and shows "STORE FAILED" with the name that was not stored.
  void Fail(PageServices* services, uxButton* pressed, const std::string& name);

 private:
  int ticks_ = 0;
};
