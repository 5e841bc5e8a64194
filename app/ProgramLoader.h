#pragma once
// The preset loads that MIDI program changes ask for, run on a thread of their own. A load
// takes the UI mutex and waits up to a second for the part's swap; the MIDI thread that
// received the program change only leaves the request here and goes on routing. When a
// load is done, the job itself tells the GUI tick (through its MIDI FIFO), so the pages hear
// of the new preset after it is in place.
//
// Threads: Request from the MIDI threads (takes `mutex_` for a few instructions, never
// waits for a load); the job runs on the loader's own thread, which the object starts and
// joins. A part asked for again before its load started loads only the newest program: the
// part ends on the same preset, sooner. Parts with requests waiting are served in turn.
#include <condition_variable>
#include <functional>
#include <thread>

#include "platform/PiMutex.h"

class ProgramLoader {
 public:
  static constexpr int kParts = 4;
  using Job = std::function<void(int part, int program)>;

  explicit ProgramLoader(Job job);
  ~ProgramLoader();
  ProgramLoader(const ProgramLoader&) = delete;
  ProgramLoader& operator=(const ProgramLoader&) = delete;

  void Request(int part, int program);
  // Returns once no request waits and no job runs.
  void WaitIdle();
  // Finishes the running job, drops the waiting ones and ends the thread.
  void Stop();

 private:
  void Run();

  Job job_;
  platform::PiMutex mutex_;
  std::condition_variable_any wake_;
  std::condition_variable_any idle_;
  int pending_[kParts] = {-1, -1, -1, -1};  // program asked for, per part
  int last_ = kParts - 1;                   // the part served last
  bool running_ = false;
  bool stop_ = false;
  std::thread thread_;
};
