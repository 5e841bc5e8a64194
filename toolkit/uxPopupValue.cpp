#include "toolkit/uxPopupValue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ArmConvert.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxDC.h"

namespace {

struct PartTag {
  const char* script;
  const char* app;
  uxCOLOR fore;
  uxCOLOR back;
};

constexpr PartTag kPartTags[] = {
    {" A ", " ARP A ", 0xFFFFFF, 0x0000FF},
    {" B ", " ARP B ", 0x000000, 0x00FF00},
    {" C ", " ARP C ", 0xFFFFFF, 0xFF0000},
    {" D ", " ARP D ", 0x000000, 0xFFFF00},
};

constexpr uxCOLOR kBarFill = 0xC8C8C8;
constexpr uxCOLOR kMarker = 0xFF4040;
constexpr uxCOLOR kBarFrame = 0xFFFFFF;

// Pixel coordinate from a float: ARM's conversion, then into the drawing context's range.
int16_t Px(float v) { return static_cast<int16_t>(std::clamp(arm::ToInt32(v), -32768, 32767)); }

}  // namespace

void uxPopupValue::setValues(float minimum, float maximum, int part, float bar, float marker, float number,
                             const char* unit, const char* label) {
  minimum_ = minimum;
  maximum_ = maximum;
  part_ = part;
  bar_ = bar;
  marker_ = marker;
  number_ = number;
  unit_ = unit ? unit : "";
  label_ = label ? label : "";
}

std::string uxPopupValue::FormatNumber(float number, float marker) {
  char text[64];
  if (number < 10.0f)
    std::snprintf(text, sizeof text, "%.2f", number);
  else if (marker < 100.0f)
    std::snprintf(text, sizeof text, "%.1f", number);
  else
    std::snprintf(text, sizeof text, "%.f.", marker);
  return text;
}

void uxPopupValue::OnUserPaint(uxDC* dc) {
  const int w = rect_.width;
  const int h = rect_.height;
  const int half = arm::ToInt32(w * 0.5f);
  dc->FillFrame(0, 0, static_cast<int16_t>(w - 1), static_cast<int16_t>(h - 1), background_);

  const std::string number = FormatNumber(number_, marker_);
  dc->FontSelect(13);
  const tFontSize big = dc->getFontSize(FONT_SELECTED);
  dc->SetForecolor(numberColour_);
  dc->SetBackcolor(background_);
  // The number ends at the middle of the popup.
  const int numberX = w - arm::ToInt32(static_cast<float>(int(number.size()) * big.width) + w * 0.5f);
  dc->PutString(static_cast<int16_t>(numberX), static_cast<int16_t>(h / 6), number.c_str());

  dc->FontSelect(10);
  const tFontSize small = dc->getFontSize(FONT_SELECTED);
  dc->SetForecolor(unitColour_);
  dc->PutString(static_cast<int16_t>(half + 14), static_cast<int16_t>(h / 6 + big.height - small.height - 3),
                unit_.c_str());
  dc->PutString(static_cast<int16_t>(half + 2), Px(h * 0.7f), label_.c_str());

  if (part_ >= 0 && part_ < int(std::size(kPartTags))) {
    const PartTag& tag = kPartTags[part_];
    const char* text = ux::kScriptFlavour ? tag.script : tag.app;
    dc->SetForecolor(tag.fore);
    dc->SetBackcolor(tag.back);
    // Placed by its own length: room for fewer characters wraps the tag into a column.
    const int length = static_cast<int>(std::strlen(text));
    dc->PutString(static_cast<int16_t>(w - length * small.width - 5), static_cast<int16_t>(h / 6), text);
  }
  PaintBar(dc);
}

void uxPopupValue::PaintBar(uxDC* dc) {
  const int w = rect_.width;
  const int h = rect_.height;
  const int half = arm::ToInt32(w * 0.5f);
  const int16_t top = Px(h * 0.72f);
  const int16_t bottom = static_cast<int16_t>(arm::ToInt32(h * 0.7f) + arm::ToInt32(h * 0.2f));
  const int16_t right = static_cast<int16_t>(half + 5);
  dc->FillFrame(5, top, right, bottom, background_);
  dc->DrawFrame(5, top, right, bottom, kBarFrame);
  // An empty range has no scale; the box stays empty.
  if (!(maximum_ != minimum_)) return;
  const float scale = static_cast<float>(half - 3) / (maximum_ - minimum_);
  if (minimum_ >= 0.0f) {
    dc->FillFrame(5, top, Px(5.0f + (bar_ - minimum_) * scale), bottom, kBarFill);
    const float x = 5.0f + (marker_ - minimum_) * scale;
    dc->FillFrame(Px(x), top, Px(x + 2.0f), bottom, kMarker);
    return;
  }
  const int centre = (half + 5) - half / 2;
  const int16_t end = Px(static_cast<float>(centre) + bar_ * scale);
  if (bar_ > 0.0f)
    dc->FillFrame(static_cast<int16_t>(centre), top, end, bottom, kBarFill);
  else if (bar_ < 0.0f)
    dc->FillFrame(end, top, static_cast<int16_t>(centre), bottom, kBarFill);
  const float x = static_cast<float>(centre) + marker_ * scale;
  dc->FillFrame(Px(x + 1.0f), top, Px(x + 2.0f), bottom, kMarker);
}
