#pragma once
// A keyboard display that follows what the parts and tracks play (the MIDI page's part
// keyboards). It is told every note; a keyboard shows those whose channel & 0x0F is its own.
// Calls come from the MIDI threads and the audio thread: allocate nothing, block on nothing.
class KeyMonitor {
 public:
  virtual ~KeyMonitor() = default;
  // `channel` keeps its high bit for a note played by a clip track. Status 0x90 presses the
  // key, 0x80 releases it, the stop code 12 releases every key.
  virtual void ShowKey(int channel, int status, int key) = 0;
};
