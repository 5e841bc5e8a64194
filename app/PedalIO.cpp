#include "app/PedalIO.h"

namespace {

// The converter's clock may run at a few MHz at most; these spins keep each half period
// above its minimum without a system call.
void Spin(int iterations) {
  for (int i = 0; i < iterations; ++i) asm volatile("" ::: "memory");
}

}  // namespace

int PedalIO::Open(const std::string& path, off_t offset) {
  const int r = gpio_->Open(path, offset);
  if (r < 0) return r;
  GPIOMem& g = *gpio_;
  g.SetFunction(kClockPin, 1);
  g.SetFunction(kDataPin, 0);
  g.SetPull(kDataPin, 2);
  g.SetFunction(kSelectPin, 1);
  g.SetFunction(kLedPins[0], 1);
  g.SetFunction(kLedPins[1], 1);
  g.SetFunction(kSwitchPin, 0);
  g.Write(kSelectPin, true);
  g.Write(kClockPin, false);
  switchAtStart_ = g.Read(kSwitchPin);
  switchInverse_ = switchAtStart_ ^ 1;
  return 0;
}

float PedalIO::ReadPedal() {
  GPIOMem& g = *gpio_;
  g.Write(kSelectPin, false);
  g.Write(kClockPin, false);
  unsigned bits = 0;
  for (int i = 15; i >= 0; --i) {
    g.Write(kClockPin, true);
    Spin(50);
    const int level = g.Read(kDataPin);
    g.Write(kClockPin, false);
    Spin(45);
    if (level) bits |= 1u << i;
  }
  g.Write(kSelectPin, true);
  const int value = static_cast<int>(bits >> 5);
  // Jitter of a few counts would make every period a parameter change downstream.
  if (value > kept_ + kHysteresis || value < kept_ - kHysteresis) kept_ = value;
  return static_cast<float>(kept_) * kScale;
}

int PedalIO::ReadSwitch() { return gpio_->Read(kSwitchPin) ^ switchAtStart_; }

void PedalIO::SetLed(int led, int on) {
  if (led != 0 && led != 1) return;
  gpio_->Write(kLedPins[led], on != 0);
}
