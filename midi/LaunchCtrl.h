#pragma once
// A pad controller as the clip launcher sees it: an 8 x 8 grid of pads, a row of launch
// buttons, a second row of buttons, shift and a function button. Each driver translates
// these into its controller's own MIDI dialect and sends through the raw-MIDI port
// manager on the controller's port index.
//
// LED states for pads and buttons: 0 off; 1/2 first colour steady/blinking; 3/4 second
// colour; 5/6 third colour. Channel and status arguments are split as the port parser
// delivers them (status 0x90 note-on, 0x80 note-off, 0xB0 control change).
#include <cstdint>

class CAlsaMidi;

class LaunchCtrl {
 public:
  using SleepFn = void (*)(unsigned microseconds);

  // A negative port index disables every output operation.
  LaunchCtrl(CAlsaMidi* midi, int portIndex) : midi_(midi), portIndex_(portIndex) {}

  virtual void ResetLeds() = 0;
  virtual void SetPadLed(int column, int row, int state) = 0;
  virtual void SetTrackLed(int position, int state) = 0;
  virtual void SetSceneLed(int position, int row, int state) = 0;
  virtual void SetShiftLed(int state) = 0;
  // Each decoder returns non-zero when the message is that control and fills the outputs.
  virtual int DecodePad(int channel, int status, uint8_t data1, uint8_t data2, int& row,
                        int& column) = 0;
  virtual int DecodeTrackButton(int channel, int status, uint8_t data1, uint8_t data2,
                                int& position) = 0;
  virtual int DecodeSceneButton(int channel, int status, uint8_t data1, uint8_t data2,
                                int& position) = 0;
  virtual int DecodeShift(int channel, int status, uint8_t data1, uint8_t data2, int& pressed) = 0;
  virtual int IsFunctionButton(int channel, int status, uint8_t data1, uint8_t data2) = 0;
  // 0 for messages the clip launcher leaves alone.
  virtual int IsNotControlChange(int channel, int status) = 0;
  // Raw input before decoding; non-zero consumes the message.
  virtual int OnMidiInput(int, int, uint8_t, uint8_t) { return 0; }
  // The MIDI clock, 24 ticks a quarter note.
  virtual void OnClockTick(int) {}
  // The factory and the clip launcher delete drivers through this interface.
  virtual ~LaunchCtrl() = default;

  // Waits between LED messages (the controllers drop messages that come too fast); tests
  // replace it so they do not wait.
  void SetSleep(SleepFn sleep) { sleep_ = sleep; }

  LaunchCtrl(const LaunchCtrl&) = delete;
  LaunchCtrl& operator=(const LaunchCtrl&) = delete;

 protected:
  static bool InGrid(int v) { return v >= 0 && v < 8; }
  bool CanSend() const { return midi_ && portIndex_ >= 0; }
  void Send(int channel, int status, uint8_t data1, uint8_t data2);
  void SendSysEx(const uint8_t* data, int length);
  void Wait(unsigned microseconds);

  CAlsaMidi* midi_;
  int portIndex_;

 private:
  static void DefaultSleep(unsigned microseconds);
  SleepFn sleep_ = &DefaultSleep;
};
