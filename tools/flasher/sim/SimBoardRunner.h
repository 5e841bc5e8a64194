#pragma once
// Puts a simulated board on a virtual CAN bus: a thread that takes the board's frames off
// its member connection and writes its answers back. With flooding on, a request the board
// leaves unanswered is followed by frames on another identifier until the next request
// arrives, so a host's wait runs out in a fraction of its quiet-bus time.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "tools/flasher/sim/SimBootloaderBoard.h"

namespace flasher_sim {

class SimBoardRunner {
 public:
  explicit SimBoardRunner(SimBootloaderBoard& board) : board_(board) {}
  ~SimBoardRunner() { Stop(); }
  SimBoardRunner(const SimBoardRunner&) = delete;
  SimBoardRunner& operator=(const SimBoardRunner&) = delete;

  void SetFloodWhenSilent(bool on) { flood_.store(on); }
  // Connects to the hub at `hubPath` and starts serving; false when there is no hub.
  bool Start(const std::string& hubPath);
  void Stop();

  // Runs `fn` on the board while the thread cannot touch it.
  void WithBoard(const std::function<void(SimBootloaderBoard&)>& fn);
  // Waits until `done(board)` holds, checked after every frame the board takes.
  bool WaitUntil(const std::function<bool(const SimBootloaderBoard&)>& done, std::chrono::milliseconds timeout);

 private:
  void Serve();

  SimBootloaderBoard& board_;
  int fd_ = -1;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> flood_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace flasher_sim
