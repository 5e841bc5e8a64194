#pragma once
// A keyboard strip of up to ten octaves that shows which keys sound (two kinds of mark)
// and a key range with its start and end. Marks arrive from the MIDI and audio threads:
// they are single byte updates and a dirty flag, never a lock or an allocation.
#include <array>
#include <atomic>
#include <cstdint>

#include "toolkit/uxBaseElement.h"

class uxPianoCtrl : public uxBaseElement {
 public:
  // Key flag bits.
  static constexpr uint8_t kMarked = 0x01;
  static constexpr uint8_t kSecond = 0x02;
  static constexpr uint8_t kSecondColour = 0x04;
  static constexpr uint8_t kRangeEnd = 0x08;
  static constexpr uint8_t kRangeStart = 0x10;
  static constexpr int kLastNote = 109;
  static constexpr uxCOLOR kSecondMarkColour = 0xC0C0C0;

  uxPianoCtrl(uxHost* manager, uint32_t userData, const char* name, uxPOINT pos, int16_t w, int16_t h, int octaves,
              uxCOLOR mark, uxCOLOR frame);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // `note` 0..109, bit 7 of the note byte asks for the second-mark colour; other values
  // change nothing. Safe from any thread.
  void SetKey(int note, bool second);
  void ClearKey(int note, bool second);
  // Any value is kept and logged; only keys 0..109 carry the flag.
  void SetRangeStart(int note);
  void SetRangeEnd(int note);

  int RangeStart() const { return rangeStart_; }
  int RangeEnd() const { return rangeEnd_; }
  void SetVisible(bool visible) { visible_ = visible; }
  uint8_t KeyFlags(int note) const;
  int FirstOctave() const { return firstOctave_; }
  int WhiteKeyWidth() const { return whiteWidth_; }
  int BlackKeyWidth() const { return blackWidth_; }

 private:
  // The flag byte of a key, null outside the arrays.
  std::atomic<uint8_t>* Flag(int note);
  const std::atomic<uint8_t>* Flag(int note) const { return const_cast<uxPianoCtrl*>(this)->Flag(note); }
  // Left edge of a key relative to the first octave shown, clamped to the keyboard.
  int KeyX(int note) const;
  int KeyboardRight() const { return (shownOctaves_ * 7 + 1) * (whiteWidth_ + 4) + 4; }

  std::array<std::atomic<uint8_t>, 81> white_{};
  std::array<std::atomic<uint8_t>, 51> black_{};
  std::atomic<bool> keysChanged_{false};
  uxCOLOR mark_;
  uxCOLOR frame_;
  int octaves_;
  int shownOctaves_;  // the octave count the geometry may use: 0..10
  int firstOctave_ = 0;
  int whiteWidth_;
  int blackWidth_;
  int rangeStart_ = 0;
  int rangeEnd_ = 0;
  unsigned paintCount_ = 0;
  bool visible_ = true;
};
