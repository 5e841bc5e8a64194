#pragma once
// The lit store buttons of the browsing pages: a store lights SAVE or SAVE AS for a few GUI
// ticks, then every button of the page's store row goes dark together.
#include <initializer_list>

class uxButton;

class StoreLamp {
 public:
  void Light(int ticks) { ticks_ = ticks; }
  // One GUI tick: while `save` or `saveAs` is lit, counts down and then darkens them and `others`.
  void Tick(uxButton* save, uxButton* saveAs, std::initializer_list<uxButton*> others = {});

 private:
  int ticks_ = 0;
};
