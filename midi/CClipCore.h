#pragma once
// The clip launcher: seven tracks by eight clips played in time with the MIDI clock. It
// owns the tracks (through the clip master), drives one USB pad controller found by its
// raw-MIDI device name, takes that controller's input, and advances the tracks on every
// clock tick. What the tracks play goes to the application core's track routing.
#include <atomic>
#include <cstdint>
#include <memory>

#include <string>

#include "data/XmlWriter.h"
#include "midi/CAlsaMidi.h"
#include "midi/CXMLParserClipLauncher.h"
#include "midi/ClipMaster.h"
#include "midi/LaunchInterface.h"
#include "midi/TrackServices.h"

class CClipCore : public CAlsaMidi, public LaunchInterface, private CXMLParserClipLauncher {
 public:
  // The controller's port number in the raw-MIDI manager.
  static constexpr int kControllerPort = 5;

  // `services` outlives the launcher; `backend` is the raw-MIDI side the controller is on.
  explicit CClipCore(TrackServices& services, RawMidiBackend& backend = AlsaRawMidi());
  ~CClipCore() override;

  // A message from the controller's port (PollInput delivers them on the GUI thread).
  void OnMidiInput(int port, int channel, int status, uint8_t data1, uint8_t data2) override;
  // One MIDI clock tick (24 a quarter note) at clock position `tick`; a non-zero `arg` moves
  // the scene states only and plays nothing.
  void OnClockTick(int tick, int arg);
  // A key from a track's MIDI input while clips run; non-zero when the track took it.
  int TrackNoteInput(int track, int channel, int status, int key, int velocity);
  // Scans the raw-MIDI ports for a known controller: 0 found (its LEDs switched off), -1
  // none (a previous controller stays), -2 it could not be opened.
  int DetectController();

  // The clip set as "<name>.launch" in the clips folder; without a name (null or empty) the
  // file last loaded or stored. Store: 1 written, 0 nothing written (no file known, a name
  // with a '/', or the write failed). Load: the number of elements read; a file that cannot
  // be read leaves the default clip set.
  int XMLStoreClipLauncher(const char* name);
  int XMLLoadClipLauncher(const char* name);
  // The file operations the store writes with; tests replace them. `ops` outlives the
  // launcher.
  void SetFileOps(XmlWriterFileOps& ops) { fileOps_ = &ops; }

  int Bar() const { return bar.load(std::memory_order_relaxed); }
  int Beat() const { return beat.load(std::memory_order_relaxed); }
  int Tick() const { return tick.load(std::memory_order_relaxed); }
  ClipMaster& Master() { return *master; }
  TrackServices& Services() { return services_; }

  // The clip (0-7) the pages of track `t` edit, -1 for none: in mode 1 the track's entry of
  // the edit-clip table (which the clip page sets), in mode 2 the scene the track's
  // instrument is on, in any other mode none. Hold the master's lock.
  int EditClip(int t);
  int32_t editClips[ClipMaster::kTracks] = {};
  int32_t editClipMode = 1;
  // The controller the MIDI track pages show in the roll's lane: the row of the settings
  // page's list and its controller number, -1 -1 for none. GUI thread only.
  int32_t chosenControllerRow = -1;
  int32_t chosenController = -1;

 private:
  struct LoadState;

  // Sets the kept path from `name`; false when there is none to use.
  bool ClipSetPath(const char* name);
  // True while `count` more of `what` stay within `limit`; otherwise the file is refused
  // with a line naming it.
  bool Within(std::size_t count, std::size_t limit, const char* what);
  // False once the SEQ being read holds a clip's most events (said once in the log).
  bool RoomForEvent();

  void OnLauncher(const char* synth, const char* version) override;
  void OnMaster(int bpm, int qn2c) override;
  void OnInstrument(const char* type, int track) override;
  void OnClip(const char* name, const char* subType, int nr, int qn) override;
  void OnTrgSequence(const char* kit, int stepCount) override;
  void OnTStep(int pos) override;
  void OnTrigger(int index, int fire, int note, int accent, double pitch, double pan) override;
  void OnArp(int nr, int restartMode, int keySubstitute, double gateWidth, int orderAlgo,
             int opMode, int stepCount, int factor) override;
  void OnArpStep(int pos, int key, int mode, int octave, int semitone, int velocity, double cva,
                 double cvb, double cvc) override;
  void OnSeq(const char* imported, int pp, int loopPP, int lengthPP, int lengthQN, int transpose,
             int numerator, int denominator) override;
  void OnNote(int key, int start, int end, int velocity) override;
  void OnControl(int control, int value, int tick) override;

  TrackServices& services_;
  std::atomic<int32_t> bar{0};
  std::atomic<int32_t> beat{0};
  std::atomic<int32_t> tick{0};
  std::unique_ptr<ClipMaster> master;
  // Kept for the pages; this subsystem only initialises them.
  int32_t trackValues[ClipMaster::kTracks] = {};
  uint8_t playFlag = 1;
  std::string clipSetPath;
  XmlWriterFileOps* fileOps_ = &XmlWriterFileOps::Default();
  int32_t parsedCount = 0;
  // What a load has collected and not yet handed on; only while a load runs.
  std::unique_ptr<LoadState> load;
};
