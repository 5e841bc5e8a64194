#include "midi/CInstrument.h"

#include "midi/CClipCore.h"
#include "midi/ClipData.h"
#include "midi/ClipMaster.h"
#include "midi/LaunchCtrl.h"
#include "platform/LogSink.h"

namespace {

// LED colours the tracks use (the driver turns them into its own bytes).
constexpr int kLedOff = 0;
constexpr int kLedPlaying = 1;
constexpr int kLedPending = 2;  // starting or stopping
constexpr int kLedHasClip = 5;

bool Active(int32_t state) {
  return state == kSceneBeginning || state == kScenePlaying || state == kSceneChanging;
}

}  // namespace

CInstrument::CInstrument(CClipCore* owner_, int track_) : owner(owner_), track(track_) {
  for (SceneSlot& s : scenes) s = SceneSlot{kSceneEmpty, 0, 0, 0, 1};
}

void CInstrument::SetPadLed(int scene, int colour) {
  if (LaunchCtrl* c = owner->Ctrl()) c->SetPadLed(track, scene, colour);
}

// The second button row belongs to the track; the drivers that light a pad for it take the
// scene as the row.
void CInstrument::SetSceneLed(int scene, int colour) {
  if (LaunchCtrl* c = owner->Ctrl()) c->SetSceneLed(track, scene, colour);
}

void CInstrument::SetTrackLed(int position, int colour) {
  if (LaunchCtrl* c = owner->Ctrl()) c->SetTrackLed(position, colour);
}

void CInstrument::LaunchScene(int scene) {
  if (!ValidScene(scene)) return;
  for (int i = 0; i < kScenes; ++i) {
    scenes[i].launchRequest = 0;
    if (i == scene) continue;
    SetTrackLed(i, kLedOff);
    if (scenes[i].state == kSceneBeginning || scenes[i].state == kSceneChanging) {
      scenes[i].state = kSceneStopped;
      SetPadLed(i, kLedHasClip);
      platform::LogPrintf("CInstrument[stop_others]: track:%d scene:%d\n", track, scene);
    }
  }
  SceneSlot& s = scenes[scene];
  if (s.state == kSceneEmpty) {
    // An empty scene stops the track at the next quantum.
    s.launchRequest = 1;
  } else if (s.state == kSceneStopped) {
    SetPadLed(scene, kLedPending);
    if (current == -1) {
      s.state = kSceneBeginning;
      platform::LogPrintf("CInstrument[beginnig]: track:%d scene:%d\n", track, scene);
    } else {
      s.state = kSceneChanging;
      platform::LogPrintf("CInstrument[changing]: slot:%d scene:%d\n", track, scene);
    }
    owner->Master().running = 1;
    armed = 1;
  }
}

void CInstrument::StopActiveScenes() {
  for (int i = 0; i < kScenes; ++i) {
    if (!Active(scenes[i].state)) continue;
    scenes[i].state = kSceneStopping;
    platform::LogPrintf("CInstrument[stopping]: track:%d chn:%d\n", track, i);
    SetSceneLed(i, kLedPending);
  }
}

void CInstrument::StopAllScenes() { StopActiveScenes(); }

void CInstrument::CreateClip(int scene, int kind) {
  if (!ValidScene(scene)) return;
  scenes[scene].kind = kind;
  scenes[scene].hasClip = 1;
}

void CInstrument::SetKind(int scene, int kind) {
  if (ValidScene(scene)) scenes[scene].kind = kind;
}

void CInstrument::DeleteClip(int scene) {
  if (ValidScene(scene)) scenes[scene].deleteRequest = 1;
}

void CInstrument::SetBarLength(int ticks) {
  if (ticks > 0) barTicks = ticks;
}

void CInstrument::OnPadInput(int channel, int status, int data1, int data2) {
  LaunchCtrl* c = owner->Ctrl();
  if (!c) return;
  const uint8_t d1 = static_cast<uint8_t>(data1), d2 = static_cast<uint8_t>(data2);
  int row = 0, column = 0;
  if (c->DecodePad(channel, status, d1, d2, row, column)) {
    if (column != track || !ValidScene(row)) return;
    if (row == current)
      StopActiveScenes();
    else
      LaunchScene(row);
    return;
  }
  int position = 0;
  if (c->DecodeSceneButton(channel, status, d1, d2, position) && position == track)
    StopActiveScenes();
}

void CInstrument::OnClock(int, int) {
  const int64_t tick = owner->Tick();
  const bool atQuantum = barTicks > 0 && tick % barTicks == 0;
  for (int s = 0; s < kScenes; ++s) {
    SceneSlot& slot = scenes[s];
    if (slot.launchRequest && atQuantum) {
      slot.launchRequest = 0;
      for (int p = 0; p < kScenes; ++p) {
        if (scenes[p].state != kScenePlaying) continue;
        scenes[p].state = kSceneStopped;
        SetPadLed(p, kLedHasClip);
        OnClipStop();
        current = -1;
        platform::LogPrintf("*CInstrument[stopped]: track:%d scene:%d\n", track, p);
      }
    } else if (slot.deleteRequest) {
      SetPadLed(s, kLedOff);
      SetSceneLed(s, kLedOff);
      slot.state = kSceneEmpty;
      // Only the scene that plays has anything to stop; another playing scene keeps going.
      if (s == current) {
        OnClipStop();
        current = -1;
      }
      slot.deleteRequest = 0;
      slot.hasClip = 0;
      platform::LogPrintf("CInstrument[delete]: track:%d scene:%d\n", track, s);
    }

    switch (slot.state) {
      case kSceneEmpty:
        if (slot.hasClip) {
          slot.state = kSceneStopped;
          SetPadLed(s, kLedHasClip);
          platform::LogPrintf("CInstrument[enabled]: track:%d scene:%d\n", track, s);
        }
        break;
      case kSceneBeginning:
      case kSceneChanging:
        if (!atQuantum) break;
        OnClipStart();
        if (current != -1) {
          SetPadLed(current, kLedHasClip);
          scenes[current].state = kSceneStopped;
          platform::LogPrintf("**CInstrument[stopped]: track:%d scene:%d\n", track, current);
        }
        SetPadLed(s, kLedPlaying);
        slot.state = kScenePlaying;
        if (slot.kind == kClipArpeggiator) owner->Services().SendPartStop(track);
        current = s;
        Rewind(1);
        platform::LogPrintf("CInstrument[playing]: track:%d scene:%d\n", track, s);
        break;
      case kSceneStopping:
        if (!atQuantum) break;
        SetPadLed(s, kLedHasClip);
        SetSceneLed(s, kLedOff);
        slot.state = kSceneStopped;
        if (s == current || current == -1) {
          OnClipStop();
          current = -1;
        }
        platform::LogPrintf("***CInstrument[stopped]: track:%d scene:%d\n", track, s);
        break;
      default:
        break;
    }
  }
}
