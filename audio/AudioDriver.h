#pragma once
// The PCM output: opens and configures the sound device, then runs the "AudioProcess" thread,
// which calls the audio process's period hook once a period and writes the mixed period as
// interleaved 32-bit float stereo. A device with no sound card behind it (ALSA's "null" and
// "file" devices) takes frames as fast as they come; the thread then keeps the period's pace
// against the clock itself.
#include <pthread.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "audio/PcmBackend.h"

class CAudioProcess;

class AudioDriver {
 public:
  static constexpr int kPeriods = 2;

  // The sound system's PCM; tests hand a scripted one.
  AudioDriver();
  explicit AudioDriver(std::unique_ptr<PcmBackend> backend);
  ~AudioDriver();
  AudioDriver(const AudioDriver&) = delete;
  AudioDriver& operator=(const AudioDriver&) = delete;

  // "default" until set; a card named "snd_rpi_proto" replaces it when the device opens.
  // Any length: a file device's name holds a whole path.
  void SetDevice(const char* name);
  const char* Device() const { return device_.c_str(); }
  // The program has already told the user that real-time scheduling is not granted: the
  // thread's fall-back to normal scheduling is not reported a second time.
  void SetFallbackReported(bool reported) { fallbackReported_ = reported; }

  // Ends the audio thread after its current period and joins it; closes the device.
  void Stop();
  // True while the audio thread runs.
  bool Running() const { return running_.load(std::memory_order_acquire); }
  // Periods the thread has written.
  long Periods() const { return periods_.load(std::memory_order_relaxed); }
  bool Paced() const { return paced_; }
  // The largest absolute sample written since the last call (a level display's reading).
  float TakePeak() { return peak_.exchange(0.0f, std::memory_order_relaxed); }

 private:
  friend int OpenAudioDriver(AudioDriver* driver, CAudioProcess* process);
  static void* ThreadMain(void* arg);
  void Loop();
  bool WritePeriod();
  void Pace(struct timespec& next);

  std::unique_ptr<PcmBackend> pcm_;
  std::string device_ = "default";
  CAudioProcess* owner_ = nullptr;
  pthread_t thread_{};
  bool started_ = false;
  bool paced_ = false;
  bool fallbackReported_ = false;
  int frames_ = 128;
  unsigned periodsAccepted_ = kPeriods;
  std::vector<float> interleaved_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  std::atomic<long> periods_{0};
  std::atomic<float> peak_{0.0f};
};

// Opens and configures the device and starts the audio thread; 0 on success, else the sound
// system's error (1 for a refused access mode) with its message printed, and no thread.
int OpenAudioDriver(AudioDriver* driver, CAudioProcess* process);
