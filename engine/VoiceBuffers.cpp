#include "engine/VoiceBuffers.h"

#include <algorithm>

VoiceBuffers::VoiceBuffers(int32_t frames)
    : frames_(frames > 0 ? frames & ~3 : 0),
      block_(std::make_unique<float[]>(static_cast<std::size_t>(kBufferCount) * static_cast<std::size_t>(frames_))) {}

void VoiceBuffers::Clear() {
  std::fill_n(block_.get(), static_cast<std::size_t>(kBufferCount) * static_cast<std::size_t>(frames_), 0.0f);
  controls = Controls{};
}
