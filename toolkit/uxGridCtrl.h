#pragma once
// A script's scrolling log: the newest line at the bottom, the increment and decrement keys
// scroll through older lines, and a bar at the right shows where the view is.
#include "toolkit/Flavour.h"
#if SYNTH_TOOLKIT_SCRIPT
#include <mutex>
#include <string>
#include <vector>

#include "toolkit/uxBaseElement.h"

class uxGridCtrl : public uxBaseElement {
 public:
  uxGridCtrl(uxHost* manager, unsigned int id, uxPOINT pos, int16_t w, int16_t h, int capacity, uxCOLOR text,
             uxCOLOR background);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  void AddLine(const char* line);
  void Clear();
  int GetScroll() const { return scroll_; }
  const std::vector<std::string>& GetLines() const { return lines_; }

 private:
  int Visible() const;

  uxCOLOR text_;
  uxCOLOR background_;
  std::vector<std::string> lines_;  // newest first
  int capacity_;
  int scroll_ = 0;  // the line shown at the bottom
  std::mutex mutex_;
};
#endif
