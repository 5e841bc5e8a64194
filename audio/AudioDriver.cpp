#include "audio/AudioDriver.h"

#include <sched.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/ProfilingBuffer.h"
#include "audio/CAudioProcess.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"
#include "platform/RtThread.h"

namespace {

constexpr char kCardName[] = "snd_rpi_proto";
constexpr int kAudioPriority = 90;
constexpr int kAudioCpu = 3;
constexpr int kUnderrun = -32;  // -EPIPE
constexpr int64_t kPeriodNanos = int64_t{1000000000} * 128 / 48000;

struct HardwareStep {
  PcmStep step;
  const char* message;  // printed with the error text where it has a %s
  bool withText;
};
constexpr HardwareStep kHardwareSteps[] = {
    {PcmStep::kAccess, "Failed set_access %s\n", true},
    {PcmStep::kFormat, "Failed set_format %s\n", true},
    {PcmStep::kChannels, "Failed to set the channels: %s\n", true},
    {PcmStep::kRate, "Failed to set the sample rate: %s\n", true},
    {PcmStep::kPeriodSize, "Failed to set the period size", false},
    {PcmStep::kPeriods, "Failed to set the number of periods", false},
    {PcmStep::kBufferSize, "Failed to set buffer size in frames", false},
    {PcmStep::kApplyHardware, "Audio device hardware configuration failed:<%s>\n", true},
};

void AddNanos(timespec& t, int64_t ns) {
  t.tv_nsec += ns;
  while (t.tv_nsec >= 1000000000L) {
    t.tv_nsec -= 1000000000L;
    ++t.tv_sec;
  }
}

}  // namespace

AudioDriver::AudioDriver() : AudioDriver(MakeAlsaPcm()) {}
AudioDriver::AudioDriver(std::unique_ptr<PcmBackend> backend) : pcm_(std::move(backend)) {}
AudioDriver::~AudioDriver() { Stop(); }

void AudioDriver::SetDevice(const char* name) { device_ = name != nullptr ? name : ""; }

int OpenAudioDriver(AudioDriver* driver, CAudioProcess* process) {
  if (driver == nullptr || process == nullptr || driver->started_) return -EINVAL;
  AudioDriver& d = *driver;
  PcmBackend& pcm = *d.pcm_;
  d.owner_ = process;

  char name[80];
  for (int card = 0; pcm.CardName(card, name, sizeof name) >= 0; ++card) {
    if (std::strcmp(name, kCardName) == 0) {
      char device[32];
      std::snprintf(device, sizeof device, "plughw:%d,0", card);
      d.device_ = device;
      break;
    }
  }

  int result = pcm.Open(d.device_.c_str());
  if (result < 0) {
    platform::LogPrintf(result == -EBUSY ? "The \"%s\" audio device is used by another application"
                                         : "Failed to open the \"%s\" audio device",
                        d.device_.c_str());
    platform::LogWrite("\n");
    return result;
  }

  unsigned values[] = {0, 0, 2, CAudioProcess::kRate, static_cast<unsigned>(d.frames_), AudioDriver::kPeriods,
                       static_cast<unsigned>(AudioDriver::kPeriods * d.frames_), 0};
  for (std::size_t i = 0; i < std::size(kHardwareSteps); ++i) {
    result = pcm.Configure(kHardwareSteps[i].step, &values[i]);
    if (result < 0) {
      if (kHardwareSteps[i].withText)
        platform::LogPrintf(kHardwareSteps[i].message, pcm.ErrorText(result));
      else
        platform::LogPrintf("%s\n", kHardwareSteps[i].message);
      pcm.Close();
      return i == 0 ? 1 : result;
    }
  }
  d.periodsAccepted_ = values[5];

  unsigned threshold = static_cast<unsigned>(d.frames_);
  if (pcm.Configure(PcmStep::kStartThreshold, &threshold) < 0) platform::LogPrintf("Failed to set start threshold.\n");
  unsigned availMin = d.periodsAccepted_;
  if (pcm.Configure(PcmStep::kAvailMin, &availMin) < 0)
    platform::LogPrintf("Software setup for minimum available frames failed.\n");
  unsigned none = 0;
  if (pcm.Configure(PcmStep::kApplySoftware, &none) < 0) platform::LogPrintf("Software setup failed.\n");

  d.interleaved_.assign(static_cast<std::size_t>(2 * d.frames_), 0.0f);
  d.paced_ = !pcm.HasCard();
  d.stop_.store(false, std::memory_order_relaxed);
  d.running_.store(true, std::memory_order_release);
  const platform::ThreadConfig config{"AudioProcess", SCHED_FIFO, kAudioPriority, kAudioCpu};
  const platform::ThreadStart start = platform::StartThread(d.thread_, config, &AudioDriver::ThreadMain, driver);
  if (start.fellBack && !d.fallbackReported_)
    platform::LogPrintf("Couldn't set high priority scheduling for the audio output\n");
  if (!start.started) {
    d.running_.store(false, std::memory_order_release);
    platform::LogPrintf(start.setPolicyError != 0 ? "Couldn't set scheduling policy.\n"
                                                  : "Couldn't create the audio thread.\n");
    pcm.Close();
    return start.createError != 0 ? start.createError : -1;
  }
  d.started_ = true;
  return 0;
}

void* AudioDriver::ThreadMain(void* arg) {
  static_cast<AudioDriver*>(arg)->Loop();
  return nullptr;
}

void AudioDriver::Loop() {
  platform::ScopedFlushToZero ftz;
  if (pcm_->SetBlocking() < 0) platform::LogPrintf("Failed to set the audio device to blocking mode\n");
  if (pcm_->Prepare() < 0) platform::LogPrintf("Failed to prepare the audio device\n");
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  while (!stop_.load(std::memory_order_acquire)) {
    if (ProfilingBuffer::Enabled()) ProfilingBuffer::Write(10, static_cast<uint8_t>(sched_getcpu()), 1, 0, 0);
    owner_->RunPeriodHook();
    // Out of range samples would clip in the codec anyway; a NaN would not be caught by a
    // min/max clamp and must not reach it at all.
    const float* left = owner_->MixLeft();
    const float* right = owner_->MixRight();
    float peak = 0.0f;
    for (int i = 0; i < frames_; ++i) {
      const float l = left[i], r = right[i];
      interleaved_[2 * i] = l == l ? std::clamp(l, -1.0f, 1.0f) : 0.0f;
      interleaved_[2 * i + 1] = r == r ? std::clamp(r, -1.0f, 1.0f) : 0.0f;
      peak = std::max(peak, std::max(std::fabs(interleaved_[2 * i]), std::fabs(interleaved_[2 * i + 1])));
    }
    if (peak > peak_.load(std::memory_order_relaxed)) peak_.store(peak, std::memory_order_relaxed);
    if (!WritePeriod()) break;
    periods_.fetch_add(1, std::memory_order_relaxed);
    if (paced_) Pace(next);
  }
  running_.store(false, std::memory_order_release);
}

bool AudioDriver::WritePeriod() {
  long written = 0;
  while (written < frames_) {
    const long result = pcm_->Write(interleaved_.data() + 2 * written, static_cast<unsigned long>(frames_ - written));
    if (result >= 0) {
      written += result;
      continue;
    }
    if (result == kUnderrun) {
      owner_->OnUnderrun();
      platform::LogPrintf("Recovery from underrun");
      const int prepared = pcm_->Prepare();
      if (prepared < 0) {
        platform::LogPrintf(", prepare failed: %s\n", pcm_->ErrorText(prepared));
        return false;
      }
      platform::LogPrintf("\n");
    } else if (result == -EAGAIN) {
      pcm_->Wait();
    } else {
      // Any other error is not a frame count: let the sound system recover, or stop.
      const int recovered = pcm_->Recover(static_cast<int>(result));
      if (recovered < 0) {
        platform::LogPrintf("Audio write failed: %s\n", pcm_->ErrorText(static_cast<int>(result)));
        return false;
      }
    }
    if (stop_.load(std::memory_order_acquire)) return false;
  }
  return true;
}

// Sleeps to the next period boundary; more than two periods behind, it starts counting
// again from now rather than rushing to catch up.
void AudioDriver::Pace(timespec& next) {
  AddNanos(next, kPeriodNanos);
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const double behind = (now.tv_sec - next.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec - next.tv_nsec);
  if (behind > 2.0 * kPeriodNanos) {
    next = now;
    return;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
  }
}

void AudioDriver::Stop() {
  stop_.store(true, std::memory_order_release);
  if (started_) {
    pthread_join(thread_, nullptr);
    started_ = false;
  }
  running_.store(false, std::memory_order_release);
  if (pcm_) pcm_->Close();
}
