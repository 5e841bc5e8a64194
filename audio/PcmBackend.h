#pragma once
// The PCM output seen by the audio driver: the sound system's calls in the order the driver
// makes them. The real one is ALSA; tests script a fake one.
#include <cstddef>
#include <memory>
#include <string>

enum class PcmStep {
  kAccess,          // interleaved read/write
  kFormat,          // 32-bit float, little-endian
  kChannels,        // 2
  kRate,            // near 48000
  kPeriodSize,      // near 128 frames
  kPeriods,         // near 2
  kBufferSize,      // near 2 x 128 frames
  kApplyHardware,
  kStartThreshold,  // software: 128 frames
  kAvailMin,        // software: the accepted number of periods
  kApplySoftware,
};

class PcmBackend {
 public:
  virtual ~PcmBackend() = default;
  // The name of sound card `index`; a negative error when there is none.
  virtual int CardName(int index, char* name, std::size_t size) = 0;
  // Opens `device` for playback, non-blocking. 0 or a negative error.
  virtual int Open(const char* device) = 0;
  // One set-up step; `value` carries the wanted value in and the accepted one out.
  virtual int Configure(PcmStep step, unsigned* value) = 0;
  virtual int SetBlocking() = 0;
  virtual int Prepare() = 0;
  // Frames written, or a negative error.
  virtual long Write(const float* interleaved, unsigned long frames) = 0;
  // Waits until the device can take frames (after -EAGAIN).
  virtual int Wait() = 0;
  // The sound system's own recovery from `error`; 0 when it recovered.
  virtual int Recover(int error) = 0;
  // True when a sound card stands behind the opened device; ALSA's own "null" and "file"
  // devices have none and take frames as fast as they come.
  virtual bool HasCard() = 0;
  virtual void Close() = 0;
  virtual const char* ErrorText(int error) = 0;
};

// The real one, on ALSA's library.
std::unique_ptr<PcmBackend> MakeAlsaPcm();

// The name of ALSA's "file" device writing raw frames to `path`: quoted, with the quote and
// the backslash escaped, so any path the system accepts reaches the device whole.
std::string AlsaFileDevice(const std::string& path);
