#include "engine/VoiceBank.h"

VoiceBank::VoiceBank(const VoiceControllers* controllers, int32_t part, int32_t frames, int32_t rate)
    : frames_(frames) {
  voices_.part = part;
  for (int32_t i = 0; i < kVoices; ++i) {
    buffers_[i] = std::make_unique<VoiceBuffers>(frames);
    owned_[i] = std::make_unique<SynthVoice>(i, controllers, buffers_[i].get());
    owned_[i]->SetBlockSize(frames);
    owned_[i]->SetSampleRate(rate);
    owned_[i]->InitRouting();
    voices_.voices[i] = owned_[i].get();
  }
}
