#pragma once
// A PC has no pedal converter on its GPIO stand-in: a file that holds still reads as a
// pedal stuck at one end, and a part that follows the pedal goes silent. This port takes
// the pedal's level from a value its owner moves (the sim's window) and leaves the switch
// and the LEDs to the board's port.
#include <atomic>

#include "app/PedalPort.h"

class StandInPedal final : public PedalPort {
 public:
  // `level`: the pedal's position, 0 (heel) .. 1 (full travel), where a following part
  // plays at its own level; read once per audio period.
  StandInPedal(PedalPort& board, const std::atomic<float>& level) : board_(board), level_(level) {}

  float ReadPedal() override;
  int ReadSwitch() override { return board_.ReadSwitch(); }
  void SetLed(int led, int on) override { board_.SetLed(led, on); }

 private:
  PedalPort& board_;
  const std::atomic<float>& level_;
};
