#pragma once
// A two-image toggle for scripts: every press anywhere flips it; the script reads isChecked.
#include "toolkit/Flavour.h"
#if SYNTH_TOOLKIT_SCRIPT
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

class uxImageButton : public uxBaseElement {
 public:
  uxImageButton(uxHost* manager, uxPOINT pos, const char* onFile, const char* offFile);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

 private:
  int onIndex_;
  int offIndex_;
  tImage on_;
  tImage off_;
};
#endif
