#pragma once
// Loading and storing of presets, songs and kits: the documents are read into the
// arrangement's data sets, then pushed into the part's shadow bank and swapped in, so the
// sounding part changes in one step.
//
// Threads: page code (GUI tick, "CAN-RX", host thread) and the program loader's thread;
// never a MIDI or the audio thread. Every load and store holds the UI mutex until it has
// asked for the swap, so that page code never sees a half-loaded data set; the wait for the
// swap (up to a second) is made without it, and a load waits for its part's pending swap
// before it clears that part's shadow bank. The pages hear of a load and see its progress
// through LoaderUi.
#include <atomic>
#include <cstdint>

#include "app/AppLinks.h"
#include "platform/PiMutex.h"

class CArranger;
class CClipCore;
class CSettings;
class WavefileCache;
class WavetableCache;

// What the loader asks of the UI core.
class LoaderUi {
 public:
  virtual ~LoaderUi() = default;
  virtual platform::PiMutex& UiMutex() = 0;
  // UX_MSG_VALUES_CHANGED for `param` (a part, or a page target) to the page tree.
  virtual void NotifyPages(int param, int flag) = 0;
  // A song load asks for its parts' presets through here, as a page would.
  virtual int LoadPreset(int part, const char* name, int notify, int load) = 0;
  virtual void Sleep(uint32_t micros) const = 0;
  virtual void OnStoreProgress(int percent, int state) = 0;
  // The song-load progress display: false when it cannot be shown now.
  virtual bool BeginSongProgress(const char* name, int steps) = 0;
  virtual void ShowSongStep(int step) = 0;
  virtual void EndSongProgress() = 0;
};

class Loader {
 public:
  Loader(LoaderUi& ui, const AppLinks& links, CArranger& arranger, CSettings& settings, WavefileCache& waves,
         WavetableCache& wavetables);
  Loader(const Loader&) = delete;
  Loader& operator=(const Loader&) = delete;

  // Set once, before any load.
  void SetClipCore(CClipCore* clips) { clipCore_ = clips; }

  int LoadPreset(int part, const char* name, int notify, int load);
  int LoadEngine(int part);
  int StorePreset(int part, const char* name);
  int LoadSong(const char* name, int unused, int showProgress);
  int StoreSong(const char* name, int withPresets);
  int LoadKit(const char* name);
  int StoreKit(const char* name);
  void StoreSamplePCM16(int uid, const char* name, const float* samples, int count);
  void EditModMatrix(int uid, uint32_t packed, int polarity, float amount, int immediate);

 private:
  // Sleeps and polls until the part has no swap pending (at most kSwapPolls times); false
  // on time-out. Needs the audio process.
  bool WaitForSwap(int part);

  LoaderUi& ui_;
  const AppLinks& links_;
  CArranger& arranger_;
  CSettings& settings_;
  WavefileCache& waveCache_;
  WavetableCache& wavetableCache_;
  CClipCore* clipCore_ = nullptr;
  std::atomic<int> waiting_[4] = {};  // loads waiting for each part's swap, without the UI mutex
};
