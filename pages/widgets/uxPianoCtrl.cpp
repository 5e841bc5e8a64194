#include "pages/widgets/uxPianoCtrl.h"

#include <algorithm>

#include "pages/widgets/WidgetDraw.h"
#include "platform/LogSink.h"
#include "toolkit/uxDC.h"

using widgets::Short;

namespace {

// Place of each semitone in the octave: white or black, and its index among them.
struct KeyPlace {
  bool black;
  int index;
};
constexpr KeyPlace kPlaces[12] = {{false, 0}, {true, 0}, {false, 1}, {true, 1}, {false, 2}, {false, 3},
                                  {true, 2},  {false, 4}, {true, 3}, {false, 5}, {true, 4}, {false, 6}};
// The black key that sits left of each white key (-1: none).
constexpr int kBlackBefore[7] = {-1, 0, 1, -1, 2, 3, 4};

constexpr uxCOLOR kWhite = 0xFFFFFF;
constexpr uxCOLOR kBlack = 0x101010;
constexpr uxCOLOR kSecondDot = 0x5050FF;
constexpr uxCOLOR kBand = 0x202020;
constexpr uxCOLOR kRangeBand = 0x4040FF;
constexpr int kMaxOctaves = 10;
constexpr int kLabelFont = 1;

}  // namespace

uxPianoCtrl::uxPianoCtrl(uxHost* manager, uint32_t userData, const char* name, uxPOINT pos, int16_t w, int16_t h,
                         int octaves, uxCOLOR mark, uxCOLOR frame)
    : uxBaseElement(manager, -1, userData, name),
      mark_(mark),
      frame_(frame),
      octaves_(octaves),
      shownOctaves_(std::clamp(octaves, 0, kMaxOctaves)) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w, pos.y + h, w, h);
  enabled_ = true;
  const int k = w / (shownOctaves_ * 7 + 1);
  whiteWidth_ = k - 4;
  blackWidth_ = ((k - 3) / 3) * 2;
}

std::atomic<uint8_t>* uxPianoCtrl::Flag(int note) {
  if (note < 0 || note > kLastNote) return nullptr;
  const KeyPlace p = kPlaces[note % 12];
  const int octave = note / 12;
  return p.black ? &black_[std::size_t(octave * 5 + p.index)] : &white_[std::size_t(octave * 7 + p.index)];
}

uint8_t uxPianoCtrl::KeyFlags(int note) const {
  const std::atomic<uint8_t>* f = Flag(note);
  return f ? f->load(std::memory_order_relaxed) : 0;
}

void uxPianoCtrl::SetKey(int note, bool second) {
  if (note < 0 || note > 0xFF) return;
  std::atomic<uint8_t>* f = Flag(note & 0x7F);
  if (!f) return;
  uint8_t bits = second ? kSecond : kMarked;
  if (note & 0x80) bits |= kSecondColour;
  f->fetch_or(bits, std::memory_order_relaxed);
  keysChanged_.store(true, std::memory_order_relaxed);
}

void uxPianoCtrl::ClearKey(int note, bool second) {
  if (note < 0 || note > 0xFF) return;
  std::atomic<uint8_t>* f = Flag(note & 0x7F);
  if (!f) return;
  const uint8_t bits = static_cast<uint8_t>((second ? kSecond : kMarked) | kSecondColour);
  f->fetch_and(static_cast<uint8_t>(~bits), std::memory_order_relaxed);
  keysChanged_.store(true, std::memory_order_relaxed);
}

void uxPianoCtrl::SetRangeStart(int note) {
  rangeStart_ = note;
  platform::LogPrintf("Start:%d\n", note);
  for (auto& f : white_) f.fetch_and(static_cast<uint8_t>(~kRangeStart), std::memory_order_relaxed);
  for (auto& f : black_) f.fetch_and(static_cast<uint8_t>(~kRangeStart), std::memory_order_relaxed);
  if (std::atomic<uint8_t>* f = Flag(note)) {
    f->fetch_or(kRangeStart, std::memory_order_relaxed);
    if (note / 12 + octaves_ < kMaxOctaves) firstOctave_ = note / 12;
  }
  repaint_ = true;
}

void uxPianoCtrl::SetRangeEnd(int note) {
  rangeEnd_ = note;
  platform::LogPrintf("End:%d\n", note);
  for (auto& f : white_) f.fetch_and(static_cast<uint8_t>(~kRangeEnd), std::memory_order_relaxed);
  for (auto& f : black_) f.fetch_and(static_cast<uint8_t>(~kRangeEnd), std::memory_order_relaxed);
  if (std::atomic<uint8_t>* f = Flag(note)) f->fetch_or(kRangeEnd, std::memory_order_relaxed);
  repaint_ = true;
}

int uxPianoCtrl::KeyX(int note) const {
  const int step = whiteWidth_ + 4;
  const int first = firstOctave_ * 12;
  // Keys off either end of the keyboard put the band's edge at that end.
  if (note < first) return 0;
  if (note > first + shownOctaves_ * 12) return KeyboardRight();
  const KeyPlace p = kPlaces[note % 12];
  const int octave = note / 12 - firstOctave_;
  if (!p.black) return 4 + (octave * 7 + p.index) * step;
  const int nextWhite = p.index < 2 ? p.index + 1 : p.index + 2;
  return 4 + (octave * 7 + nextWhite) * step - (whiteWidth_ / 3 + 2);
}

int uxPianoCtrl::OnPaint() {
  const bool due = (++paintCount_ % 10) == 0;
  const bool changed = keysChanged_.exchange(false, std::memory_order_relaxed);
  if (!visible_ || !dc_ || !(due || repaint_ || changed)) return 0;
  const int w = rect_.width, h = rect_.height;
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(w), Short(h));
  const int right = KeyboardRight();
  dc_->DrawFrame(0, 0, Short(right), Short(h - 1), frame_);
  const int g = h - 18 >= 0 ? h - 18 : h - 11;
  const int ww = whiteWidth_, bw = blackWidth_;
  const int step = ww + 4;
  const int lastOctave = std::min(firstOctave_ + shownOctaves_, kMaxOctaves);
  const int whiteKeys = (lastOctave - firstOctave_) * 7 + (lastOctave < kMaxOctaves ? 1 : 0);
  dc_->FontSelect(kLabelFont);
  for (int i = 0; i < whiteKeys; ++i) {
    const int octave = firstOctave_ + i / 7, index = i % 7;
    const int x = 4 + i * step;
    const int note = octave * 12 + (index < 3 ? index * 2 : index * 2 - 1);
    const uint8_t f = KeyFlags(note);
    const uxCOLOR fill = (f & kMarked) ? ((f & kSecondColour) ? kSecondMarkColour : mark_) : kWhite;
    dc_->FillFrame(Short(x), 1, Short(x + ww), Short(g), fill);
    if (f & kSecond) dc_->FillCircle(Short(x + ww / 2), Short(g / 4 * 3), Short(ww / 2), kSecondDot);
    if (index == 0) {
      dc_->PutChar('C', Short(x + ww / 2 - 2), Short(g / 8 * 6), 0x000000, fill);
      dc_->PutChar(static_cast<char>('1' + octave), Short(x + ww / 2 - 1), Short(g / 8 * 7), 0x000000, fill);
    }
  }
  for (int i = 0; i < whiteKeys; ++i) {
    const int octave = firstOctave_ + i / 7, index = i % 7;
    const int b = kBlackBefore[index];
    if (b < 0 || i == 0) continue;
    const int x = 4 + i * step - (ww / 3 + 2);
    const int note = octave * 12 + (index < 3 ? index * 2 - 1 : index * 2 - 2);
    const uint8_t f = KeyFlags(note);
    if (f & kMarked) {
      dc_->FillFrame(Short(x), 1, Short(x + bw), Short(g / 3 * 2), (f & kSecondColour) ? kSecondMarkColour : mark_);
      dc_->DrawFrame(Short(x), 1, Short(x + bw), Short(g / 3 * 2), frame_);
    } else {
      dc_->FillFrame(Short(x), 1, Short(x + bw), Short(g / 3 * 2), kBlack);
    }
    if (f & kSecond) dc_->FillCircle(Short(x + bw / 2), Short(g / 3), Short(ww / 2), kSecondDot);
  }
  dc_->FillFrame(0, Short(h - 15), Short(right), Short(h - 1), kBand);
  if (rangeStart_ < rangeEnd_) {
    dc_->FillFrame(Short(KeyX(rangeStart_)), Short(h - 15), Short(KeyX(rangeEnd_)), Short(h - 1), kRangeBand);
  }
  dc_->EndPaint();
  repaint_ = false;
  return 1;
}

int uxPianoCtrl::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (msg->type == UX_MSG_TOUCH_EVENT && msg->m_evt_type == TYPE_MOVE) repaint_ = true;
  return result;
}
