#pragma once
// The MIDI-file page's thread for what may take seconds: scanning the MIDI-file folder (tens
// of thousands of entries) and reading a chosen file (up to 8 MiB). The GUI tick asks and
// goes on; the results wait here until the page takes them on its own thread.
//
// Threads: every call but the worker's own loop is the page's (GUI tick or a test). The
// worker sees only the copies a request carries and fills only its results, never the page.
// One job runs at a time, and asking again never piles up work: a scan asked for while one
// waits replaces it, as a read replaces a waiting read; an import waiting is replaced only by
// a later import, so a choice made after IMPORT does not lose the import. A scan that a newer
// one has replaced hands back nothing.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "pages/midi/MidiFileContents.h"
#include "pages/midi/MidiFileIndex.h"

class MidiFileWorker {
 public:
  struct ReadRequest {
    std::string path;          // in full
    std::string relativePath;  // below the MIDI-file folder
    std::string shown;  // the name the list shows for it
    int transpose = 0;
    bool import = false;
  };
  struct ReadResult {
    ReadRequest request;
    MidiFileContents contents;
  };

  MidiFileWorker() = default;
  // Finishes the running job and drops the waiting ones.
  ~MidiFileWorker();
  MidiFileWorker(const MidiFileWorker&) = delete;
  MidiFileWorker& operator=(const MidiFileWorker&) = delete;

  // The thread starts with the first request.
  void Scan(const std::string& folder);
  void Read(ReadRequest request);

  // The newest scan's index, once, when no later scan is asked for or running.
  std::optional<MidiFileIndex> TakeScan();
  // The reads done since the last call, oldest first.
  std::deque<ReadResult> TakeReads();
  // True while a job waits or runs, or a result waits to be taken.
  bool Busy();
  // True while a read waits or runs.
  bool Reading();
  // Returns once no job waits or runs.
  void WaitIdle();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::optional<std::string> scanAsked_;
  std::deque<ReadRequest> readsAsked_;  // at most one import and one plain read
  bool scanning_ = false;
  bool reading_ = false;
  std::optional<MidiFileIndex> scanDone_;
  std::deque<ReadResult> readsDone_;
  bool stop_ = false;
  std::thread thread_;
};
