#pragma once
// A framed log of recent lines, newest at the bottom; it keeps as many as fit its height.
#include <mutex>
#include <string>
#include <vector>

#include "toolkit/uxBaseElement.h"

class uxTextBox : public uxBaseElement {
 public:
  uxTextBox(uxHost* manager, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR second,
            uxCOLOR text, int font);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override { return uxBaseElement::OnMessage(msg); }

  void AddLine(char* line);
  // Formats into 64 bytes: longer lines are cut to 63 characters.
  void AddLine(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Clear();
  int GetCapacity() const { return capacity_; }
  const std::vector<std::string>& GetLines() const { return lines_; }

 private:
  void Add(const char* line);

  uxCOLOR text_;
  uxCOLOR second_;
  uxCOLOR background_;
  std::vector<std::string> lines_;  // newest first
  int capacity_ = 0;
  int scroll_ = 0;
  int font_;
  std::mutex mutex_;
};
