#pragma once
// What the audio-period hook and the MIDI routing use of the board's pedal and LEDs: the
// start-up hands over the GPIO board object, tests a recorder.
class PedalPort {
 public:
  virtual ~PedalPort() = default;
  // The expression pedal's level and the pedal switch, read once per audio period.
  virtual float ReadPedal() = 0;
  virtual int ReadSwitch() = 0;
  // LED 0 shows MIDI activity.
  virtual void SetLed(int led, int on) = 0;
};
