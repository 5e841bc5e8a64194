#pragma once
// What a page may ask of the application core, and nothing more: parameters, loading and
// storing, the popups, the front panel's senders, read-only audio status, and registration
// for the calls the core makes into pages. A page is built over this interface alone, so it
// can be built and driven without the rest of the instrument (tests/app/PageRig.h), and the
// core never names a page.
//
// Threads: pages are built, painted and given messages under the core's UI mutex (GUI tick,
// "CAN-RX", host server thread). The parameter calls may come from any thread; the load and
// store calls block their caller for up to a second. Registration is for the page's own
// constructor and destructor.
#include <atomic>
#include <cstdint>
#include <string>

#include "app/KeyMonitor.h"
#include "audio/CAudioProcess.h"
#include "toolkit/uxHost.h"

class CAlsaMidi;
class CClipCore;
struct OutputCapture;
class CDeviceConfig;
class CMidiDev;
class MultiWaveReader;
class WaveTable;
class WavefileCache;
class WavetableCache;
class CDataSetSampler;
class CDataSets;
class SampleFile;
struct EngineEvent;
class uxBaseElement;
class uxPopup;
class uxPopupMsg;
class uxPopupPB;
class uxPopupValue;

// A page that shows the incoming MIDI messages. AddMidiLine runs on the MIDI threads (never
// the audio thread), so it takes only locks that painting holds briefly.
class MidiLineMonitor {
 public:
  virtual ~MidiLineMonitor() = default;
  virtual void AddMidiLine(int port, int channel, int status, int data1, int data2) = 0;
};

// The page that holds the editor of a clip track and swaps it when the track's type changes.
class TrackTypeListener {
 public:
  virtual ~TrackTypeListener() = default;
  virtual void SetTrackType(int track, int type) = 0;
};

class PageServices : public uxHost {
 public:
  // ---- parameters (any thread; no allocation) ----
  // The instrument's own argument order; the toolkit's (uid, value, flags) stays beside it.
  virtual void ValueChanged(uint32_t uid, unsigned flags, float value) = 0;
  using uxHost::ValueChanged;
  virtual void SetParamById(int uid, float value) = 0;
  virtual float GetParamById(int uid) = 0;
  virtual float GetSetting(unsigned uid) = 0;
  virtual CDataSets* DataSet(int part) = 0;
  // A part's stored matrix entry (uid: index | part << 16) as a ModRoute, or null; and an edit
  // of one route (row | part << 16, row 255 clears them all) for the data set and the engine.
  virtual void* GetParamEntry(int uid) = 0;
  virtual void EditModMatrix(int uid, uint32_t packed, int polarity, float amount, int immediate) = 0;
  virtual CClipCore* ClipLauncher() = 0;
  // A part's LFO step record (uid: LFO << 12 | part << 16) as a length byte and the steps, or
  // null; and the 16 step bytes a page drew, to the data set and the engine.
  virtual uint8_t* GetLfoStepData(int uid) = 0;
  virtual void SetLfoStepData(int id, int uid, const uint8_t* bytes, int length) = 0;
  // Passes a value to the sound engine without storing it (a reload re-applies settings).
  virtual void SetEngineParam(int uid, float value) = 0;
  // Starts or stops the transport.
  virtual void TogglePlay() = 0;
  // A track now plays a clip of this kind: the track tab shows its editor page.
  virtual void SetTrackType(int track, int type) = 0;

  // ---- loading and storing ----
  virtual int LoadPreset(int part, const char* name, int notify, int load) = 0;
  virtual int StorePreset(int part, const char* name) = 0;
  virtual int LoadSong(const char* name, int unused, int showProgress) = 0;
  virtual int StoreSong(const char* name, int withPresets) = 0;
  virtual int LoadKit(const char* name) = 0;
  virtual int StoreKit(const char* name) = 0;
  // The current kit's rows, and the drum player's pad buffers: the sample given must outlive
  // its use by the player, so a page hands over a buffer the player is not playing.
  virtual CDataSetSampler& Kit() = 0;
  virtual void SetPadSample(int id, uint32_t uid, SampleFile* sample) = 0;
  // The name of the kit loaded or stored last (a copy, taken under the UI mutex).
  virtual std::string KitName() = 0;
  // An event straight to the audio process's queue (a drum pad's preview note).
  virtual void PostEvent(const EngineEvent& event) = 0;
  // The part's current preset ("category/name", "[default]" for the start-up sound) and the
  // loaded arrangement's name; copies, taken under the UI mutex.
  virtual std::string PresetName(int part) = 0;
  virtual std::string SongName() = 0;
  // File-backed sound sources (GUI thread). The caches are the core's own; the sample calls
  // keep a name or samples in the part's data set and hand a table or sample to the engine
  // (n: 1 = now).
  virtual WavetableCache& WaveTables() = 0;
  virtual WavefileCache& WaveCache() = 0;
  virtual void SetWavetableData(int uid, int n, WaveTable* wavetable) = 0;
  virtual void StoreSamplePCM16(int uid, const char* name, const float* samples, int count) = 0;
  virtual void GetSampleName(int uid, char* name) = 0;
  virtual void SetSampleName(int uid, const char* name, int flag) = 0;
  virtual void SetSampleData(int uid, int n, const char* name, MultiWaveReader* wave) = 0;
  virtual void ClearWaveData(int uid, int flag) = 0;
  // The stop event to a part's voices (a voice-mode change silences the part).
  virtual void SendPartStop(int part) = 0;

  // ---- popups; a countdown in fourth ticks hides its popup (toolkit/uxDefs.h numbers) ----
  virtual uxPopupValue* PopupValue() const = 0;
  virtual uxPopupMsg* PopupMessage() const = 0;
  virtual uxPopupMsg* PopupDelete() const = 0;
  virtual uxPopupPB* PopupProgress() const = 0;
  virtual std::atomic<int32_t>& PopupTimer(int popup) = 0;
  // The progress popup with a title and a text, painted at once, unless another popup
  // counts down (then false and nothing shown); HideProgress takes it away again.
  virtual bool ShowProgress(const char* title, const char* text) = 0;
  virtual void HideProgress() = 0;
  virtual bool ProgressShown() const = 0;
  // The wavetable popup with a title and a table (none: the title alone) for 100 ticks,
  // unless another popup counts down (then false and nothing shown).
  virtual uxPopup* PopupWT() const = 0;
  virtual bool ShowWavetablePopup(const char* title, const WaveTable* table) = 0;
  // Ends a delete confirmation unless another popup is busy.
  virtual void HideDeletePopup() = 0;

  // ---- front-panel senders (the focus frame is uxHost's sendCANFocus) ----
  virtual void sendPanelEnum(int id, int a, int b) = 0;
  virtual void sendPanelText(int id, int idx, const char* text, bool alt = false) = 0;
  virtual void setPanelMode(int mode) = 0;
  // Opens a voice-module panel as its panel key would (assign -1: no assignment).
  virtual void ActivatePanel(int panel, int assign, int value) = 0;
  // Tells the front panel which part is selected.
  virtual void sendPanelPart(int part) = 0;
  // 1 while panel values jump to the labels, 0 while the pages pick them up (tracking).
  virtual int getPanelMode() const = 0;

  // ---- audio status, read without waiting for the audio thread ----
  // One of the audio process's timing records; zeros without an audio process.
  virtual CAudioProcess::TimingRecord AudioTiming(int record) const = 0;
  // The part's most recent voice record and the engine's state, refreshed by the GUI tick.
  virtual const void* VoiceMonitor(int part) const = 0;
  virtual const void* EngineState() const = 0;
  // The parameter block of effect slot `slot` of the effects engine of `target` (8..11),
  // read in place without a lock; null without such an engine or effect.
  virtual const void* FxParams(int target, int slot) const = 0;
  virtual bool TransportRunning() const = 0;
  // The oscilloscope's copy of the output; null when there is none.
  virtual OutputCapture* OutputScope() = 0;
  // The render slot's voice record (engine/VoiceStatus.h), null without an engine.
  virtual const void* VoiceSlot(int slot) const = 0;

  // ---- MIDI set-up (GUI thread) ----
  // The MIDI clock's tempo, and whether a clock message came since the last call (cleared).
  virtual double Tempo() const = 0;
  virtual bool TakeExternalClock() = 0;
  // The port assignments (stored after a delay once armed), the raw-MIDI side of the ports
  // P1-P4, and the serial MIDI device (null without one).
  virtual CDeviceConfig& DeviceConfig() = 0;
  virtual CAlsaMidi& MidiPorts() = 0;
  virtual CMidiDev* MidiDevice() = 0;

  // ---- registration ----
  // Controller messages fan out to the registered pages' OnMidiCC, in registration order.
  virtual void AddControllerListener(uxBaseElement* page) = 0;
  virtual void RemoveControllerListener(uxBaseElement* page) = 0;
  // At most one of each: a new one replaces the old; Remove forgets only the one given.
  virtual void SetMidiLineMonitor(MidiLineMonitor* monitor) = 0;
  virtual void RemoveMidiLineMonitor(MidiLineMonitor* monitor) = 0;
  virtual void SetTrackTypeListener(TrackTypeListener* listener) = 0;
  virtual void RemoveTrackTypeListener(TrackTypeListener* listener) = 0;
  // The keyboards of the MIDI page (track notes, from the audio thread); null: none.
  virtual void SetKeyMonitor(KeyMonitor* monitor) = 0;
};
