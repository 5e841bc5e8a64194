#pragma once
// The board's expression pedal (a serial 11-bit converter read by bit-banging three pins),
// its pedal switch and the two LEDs, all on GPIO.
#include <string>

#include "app/GPIOMem.h"
#include "app/PedalPort.h"

class PedalIO final : public PedalPort {
 public:
  static constexpr int kClockPin = 4;
  static constexpr int kDataPin = 5;
  static constexpr int kSelectPin = 6;
  static constexpr int kSwitchPin = 30;
  static constexpr int kLedPins[2] = {42, 43};
  static constexpr float kScale = 0.00625f;  // 2047 counts -> about 12.8
  static constexpr int kHysteresis = 4;

  // Plain construction, no device access. `gpio` (for tests) replaces the own register block.
  PedalIO() : gpio_(&own_) {}
  explicit PedalIO(GPIOMem& gpio) : gpio_(&gpio) {}

  // The board's block (offset GPIOMem::kBase of `path`), or the PC's file at offset 0.
  // The GPIOMem result when negative, else 0.
  int Open(const std::string& path, off_t offset);
  // See GPIOMem::SetPrivilegeCheck.
  void SetPrivilegeCheck(bool on) { gpio_->SetPrivilegeCheck(on); }

  // Audio thread, once a period: the pedal position, 0..12.79.
  float ReadPedal() override;
  // 1 while the switch is away from where it was at Open.
  int ReadSwitch() override;
  // LED 0 (MIDI activity) or 1; other numbers do nothing.
  void SetLed(int led, int on) override;

 private:
  GPIOMem own_;
  GPIOMem* gpio_;
  int kept_ = 0;
  int switchAtStart_ = 0;
  int switchInverse_ = 1;
};
