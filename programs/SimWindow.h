#pragma once
// The PC's stand-in for the appliance's face, in a desktop window: the live 800x480 screen,
// the mouse as the touch screen, the computer keyboard as the front panel's keys and
// encoders and as a two-octave MIDI keyboard, the expression pedal on two keys and the wheel,
// and a strip under the screen with the panel's LEDs, the pedal and the output level. It reaches the instrument only the way the devices do: touch
// records into the touch FIFO, and panel frames (keys, encoders, the panel's MIDI) over the
// virtual CAN bus, whose frames back to the panel light the LEDs.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class AudioDriver;
namespace platform {
class MemoryFrameBuffer;
}

class SimWindow {
 public:
  struct Devices {
    std::string canSocket;  // the bus hub's socket for "can0"
    std::string touchFifo;  // the touch screen's event FIFO
    std::atomic<float>* pedal = nullptr;  // the expression pedal's position (0..1) the instrument reads
  };

  // Null when no window can be opened here (the reason printed in one line).
  static std::unique_ptr<SimWindow> Open(const platform::MemoryFrameBuffer& screen, const Devices& devices);
  ~SimWindow();
  SimWindow(const SimWindow&) = delete;
  SimWindow& operator=(const SimWindow&) = delete;

  // Takes the input that arrived within `waitMs` and redraws when a frame is due; false
  // once the window was closed.
  bool Step(AudioDriver& driver, int waitMs);

  // The key map, as printed at start.
  static const char* KeyMap();

 private:
  struct State;
  explicit SimWindow(std::unique_ptr<State> state);
  std::unique_ptr<State> s_;
};
