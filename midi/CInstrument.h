#pragma once
// One track of the clip launcher: eight scenes (clip slots) with their launch states. The
// clock moves them from state to state at the launch quantum and lights the pad
// controller as it goes; pages, the host and the controller only set states and request
// flags, so whichever thread asks, playback starts and stops on a quantum boundary.
//
// Callers other than the clock hold the clip master's lock (ClipMaster::Lock) while they
// touch an instrument: a clip-set load may delete it.
#include <cstdint>

class CClipCore;
class XmlWriter;

enum SceneState : int32_t {
  kSceneEmpty = 0,
  kSceneStopped = 1,    // holds a clip
  kSceneBeginning = 2,  // launched while nothing plays
  kScenePlaying = 3,
  kSceneChanging = 4,   // launched while another scene plays
  kSceneStopping = 5,
};

struct SceneSlot {
  int32_t state;
  uint8_t hasClip;
  uint8_t launchRequest;
  uint8_t deleteRequest;
  int32_t kind;  // ClipKind
};

class CInstrument {
 public:
  static constexpr int kScenes = 8;

  CInstrument(CClipCore* owner, int track);
  virtual ~CInstrument() = default;
  CInstrument(const CInstrument&) = delete;
  CInstrument& operator=(const CInstrument&) = delete;

  virtual int IsSequence() = 0;
  virtual void Refresh(int) {}
  // A message from the pad controller, offered to every track.
  virtual void OnPadInput(int channel, int status, int data1, int data2);
  // Once per MIDI clock tick; a non-zero `arg` runs the scene states only and plays nothing.
  virtual void OnClock(int tick, int arg);
  virtual void ClearSounding() {}
  // A key from the track's MIDI input; non-zero when the track took it.
  virtual int OnNoteInput(int channel, int status, int key, int velocity) = 0;
  virtual void Rewind(int) {}
  virtual void OnClipStop() {}
  virtual void OnClipStart() {}
  virtual void SelectClip(int) {}
  // Ends every note the track has sounding (the transport stopped).
  virtual void Stop() {}
  // The INSTRUMENT element with the scenes as `scenes` gives them (a copy taken under the
  // clock's mutex); the clips' contents are read as they stand, so hold EditLock().
  virtual void XMLStoreTrack(XmlWriter&, const SceneSlot (&)[kScenes]) {}

  // Scenes outside 0-7 are ignored by every call below.
  void LaunchScene(int scene);
  void StopAllScenes();
  // A clip was made in `scene`; the next clock tick enables it.
  void CreateClip(int scene, int kind);
  // The next clock tick empties `scene`.
  void DeleteClip(int scene);
  // The kind alone, as a clip-set file gives it for a scene.
  void SetKind(int scene, int kind);
  // Launch quantum in clock ticks; values <= 0 are ignored.
  void SetBarLength(int ticks);

  int Track() const { return track; }
  int Current() const { return current; }
  int BarTicks() const { return barTicks; }
  bool Armed() const { return armed != 0; }
  const SceneSlot& Scene(int scene) const { return scenes[scene]; }

 protected:
  static bool ValidScene(int scene) { return scene >= 0 && scene < kScenes; }
  void SetPadLed(int scene, int colour);
  void SetSceneLed(int scene, int colour);
  void SetTrackLed(int position, int colour);
  // Every scene launched, playing or changing goes to stopping.
  void StopActiveScenes();

  CClipCore* owner;
  int32_t track;
  int32_t current = -1;
  SceneSlot scenes[kScenes];
  uint8_t armed = 0;
  int32_t barTicks = 96;
};
