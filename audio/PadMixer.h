#pragma once
#include <cstdint>

// One sounding drum pad read through its sample and added into the stereo bus: a float read
// position stepped by a fixed increment, linear interpolation, an end fade counted in source
// samples, and the pad's gains. The read position is summed frame by frame as a float, as the
// pad has always done: the rounding of that sum sets where long notes end and what they read.
class PadMixer {
 public:
  // Fixed for the whole note.
  struct Note {
    const float* data = nullptr;  // the first playable sample
    int32_t length = 0;           // playable samples, at least 3
    float increment = 0.0f;       // > 0 and finite
    float rightGain = 0.0f;
    float leftGain = 0.0f;
    float velocityGain = 0.0f;
    int32_t fadeLength = 0;       // >= 0
  };
  struct Playhead {
    float position = 0.0f;  // samples from the first playable one
    float fade = 1.0f;
  };

  // Adds up to `frames` frames (>= 0) of the note into right and left. Returns false once the
  // note has ended; the position then rests two samples before the end.
  static bool Mix(const Note& note, Playhead& head, int frames, float* right, float* left);
};
