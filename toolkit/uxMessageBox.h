#pragma once
// An overlay box with a title bar and either one text or a scrolling log of lines, newest at
// the bottom: the start-up splash and the general message box.
#include <deque>
#include <string>

#include "toolkit/uxBaseElement.h"

class uxMessageBox : public uxBaseElement {
 public:
  uxMessageBox(uxHost* manager, const char* name, int16_t w, int16_t h, uxCOLOR background, uxCOLOR border,
               uxCOLOR text, int font = 7);

  int OnPaint() override;

  void show(uxPOINT pos, const char* title);
  void hide();
  void setText(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Adds one line and paints at once.
  void AddLine(char* line);
  void AddLine(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // The lines held, newest first.
  const std::deque<std::string>& Lines() const { return lines_; }
  int MaxLines() const { return maxLines_; }

 private:
  uxCOLOR background_;
  std::deque<std::string> lines_;
  uxCOLOR textColour_;
  uxCOLOR border_;
  uxCOLOR titleBackground_;
  uxCOLOR titleText_;
  uxCOLOR titleTextBackground_;
  int font_;
  int firstLine_ = 0;
  // Nothing can be shown before the first show() sizes the box.
  int maxLines_ = 0;
  int x_ = 0;
  int y_ = 0;
  std::string text_;
};
