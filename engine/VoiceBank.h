#pragma once
// One complete sound of a part: sixteen voices with their buffers and the part-level play
// settings (voice mode, keyboard mode, unison detune). Each part has two: the live bank that
// sounds and the shadow bank into which the next sound is loaded.
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/SynthVoice.h"
#include "engine/VoiceBuffers.h"
#include "engine/VoiceSlot.h"

class VoiceBank {
 public:
  static constexpr int32_t kVoices = BankVoices::kVoices;
  enum Mode : int32_t { kMono = 0, kPoly = 1, kUnison2 = 2, kUnison3 = 3, kUnison4 = 4 };

  VoiceBank(const VoiceControllers* controllers, int32_t part, int32_t frames, int32_t rate);
  VoiceBank(const VoiceBank&) = delete;
  VoiceBank& operator=(const VoiceBank&) = delete;

  SynthVoice& voice(int32_t i) { return *voices_.voices[i]; }
  // What a render slot binds to.
  const BankVoices* slotView() const { return &voices_; }
  int32_t part() const { return voices_.part; }
  int32_t frames() const { return frames_; }

  // Written by the routing threads, read by the note handlers.
  std::atomic<int32_t> mode{kPoly};
  std::atomic<bool> keyboardMode{true};
  std::atomic<float> unisonDetune{0.0f};

 private:
  int32_t frames_;
  BankVoices voices_;
  std::unique_ptr<VoiceBuffers> buffers_[kVoices];
  std::unique_ptr<SynthVoice> owned_[kVoices];
};
