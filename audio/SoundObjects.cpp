#include "audio/CAudioProcess.h"
#include "audio/CFXEngine.h"
#include "audio/CSamplePlayer.h"
#include "audio/CKLTSynthEngine.h"

namespace {

IAudioProcess* MakeDrums() { return new CSamplePlayer(); }
IAudioProcess* MakeEffects() { return new CFXEngine(); }

}  // namespace

SoundObjectFactory DefaultSoundObjects() {
  SoundObjectFactory f;
  f.makeEngine = MakeSynthEngine;
  f.makeDrums = MakeDrums;
  f.makeEffects = MakeEffects;
  return f;
}
