#include "pages/midi/MidiFileWorker.h"

#include <algorithm>
#include <utility>

#include "app/Capabilities.h"

MidiFileWorker::~MidiFileWorker() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void MidiFileWorker::Scan(const std::string& folder) {
  {
    std::lock_guard lock(mutex_);
    scanAsked_ = folder;
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

void MidiFileWorker::Read(ReadRequest request) {
  {
    std::lock_guard lock(mutex_);
    const bool import = request.import;
    readsAsked_.erase(std::remove_if(readsAsked_.begin(), readsAsked_.end(),
                                     [import](const ReadRequest& r) { return !r.import || import; }),
                      readsAsked_.end());
    readsAsked_.push_back(std::move(request));
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

std::optional<MidiFileIndex> MidiFileWorker::TakeScan() {
  std::lock_guard lock(mutex_);
  return std::exchange(scanDone_, std::nullopt);
}

std::deque<MidiFileWorker::ReadResult> MidiFileWorker::TakeReads() {
  std::lock_guard lock(mutex_);
  return std::exchange(readsDone_, {});
}

bool MidiFileWorker::Busy() {
  std::lock_guard lock(mutex_);
  return scanAsked_ || !readsAsked_.empty() || scanning_ || reading_ || scanDone_ || !readsDone_.empty();
}

bool MidiFileWorker::Reading() {
  std::lock_guard lock(mutex_);
  return !readsAsked_.empty() || reading_;
}

void MidiFileWorker::WaitIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !scanAsked_ && readsAsked_.empty() && !scanning_ && !reading_; });
}

void MidiFileWorker::Run() {
  // Threads inherit the capabilities of the one that starts them, which may be before start-up
  // lowers them: reading files needs none.
  app::KeepOnlyCapabilities({});
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || scanAsked_ || !readsAsked_.empty(); });
    if (stop_) break;
    // A file a person chose comes before the list.
    if (!readsAsked_.empty()) {
      ReadRequest request = std::move(readsAsked_.front());
      readsAsked_.pop_front();
      reading_ = true;
      lock.unlock();
      ReadResult result{std::move(request), {}};
      result.contents = MidiFileContents::Read(result.request.path, result.request.transpose,
                                               result.request.import);
      lock.lock();
      reading_ = false;
      readsDone_.push_back(std::move(result));
    } else {
      const std::string folder = std::move(*scanAsked_);
      scanAsked_.reset();
      scanning_ = true;
      lock.unlock();
      MidiFileIndex index;
      MidiFiles::ScanForMidiFiles(index, folder, "");
      lock.lock();
      scanning_ = false;
      // Asked again meanwhile: the folder may have changed, and the newer scan tells.
      if (!scanAsked_) scanDone_ = std::move(index);
    }
    idle_.notify_all();
  }
  idle_.notify_all();
}
