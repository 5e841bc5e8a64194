#pragma once
// The instrument's hub and the API the pages, the host link and the start-up use. It owns
// the user-side data (arrangement, settings, device configuration, controller map, sample
// caches), the clip launcher and the UI core (popups, page tree, GUI tick, message queue),
// and hands each other thread domain to a component of its own:
//   ParamRouter    parameters by UID; any thread, no page, no lock of its own
//   PanelLink      the front panel ("CAN-RX"; senders from page code and the audio thread)
//   MidiTransport  MIDI routing, transport clock, period hooks (MIDI threads, audio thread)
//   Loader         preset, song and kit loads and stores (page code, program loader)
//   ProgramLoader  preset loads asked for by program changes, on a thread of its own
// Pages see it only as PageServices; the toolkit widgets as uxHost.
//
// Threads and locks of the UI core: the GUI thread runs Tick; the "CAN-RX" and host threads
// give messages to the page tree directly. Page code, the page tree, the popups and every
// load and store run under one recursive priority-inheritance "UI mutex" (`uiMutex_`), so a
// page never runs in two threads at once. No real-time thread takes it: the MIDI threads
// reach the tick through the MIDI FIFO and the program loader, the audio thread through
// atomics. `controllerMutex_` guards the controller listeners (read on the MIDI threads);
// the track-type listener changes and is called under the UI mutex.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/AppLinks.h"
#include "app/GUIMessageQueue.h"
#include "app/KeyMonitor.h"
#include "app/Loader.h"
#include "app/MidiTransport.h"
#include "app/MsgFifo.h"
#include "app/OutputCapture.h"
#include "app/PageFactory.h"
#include "app/PageServices.h"
#include "app/PanelLink.h"
#include "app/ParamRouter.h"
#include "app/PedalPort.h"
#include "app/ProgramLoader.h"
#include "app/host/HostServices.h"
#include "data/CArranger.h"
#include "data/CDeviceConfig.h"
#include "data/CMidiCCSets.h"
#include "data/CSettings.h"
#include "data/WavefileCache.h"
#include "data/WavetableCache.h"
#include "midi/RawMidiBackend.h"
#include "midi/TrackServices.h"
#include "platform/PiMutex.h"
#include "toolkit/CDrvInput.h"

class CAudioProcess;
class CCANDev;
class CMidiDev;
class CClipCore;
class CDataSets;
class HostUIManager;
class MultiWaveReader;
class WaveTable;
class uxDC;
class uxMessageBox;
class uxPanelCtrl;
class uxPopup;
class uxPopupMsg;
class uxPopupPB;
class uxPopupValue;
class uxTabCtrl;

class GUIManager : public CDrvInput,
                   public PageServices,
                   public TrackServices,
                   public HostServices,
                   private PanelUi,
                   private LoaderUi {
 public:
  // Waits stand-in: tests replace the start-up's 2 s pause after opening the touch screen
  // and the loaders' swap polling. Microseconds.
  using SleepFn = std::function<void(uint32_t micros)>;

  // Touches no device: the start-up sets the audio process and the CAN device later.
  // `pages` makes the pages of the main tabs (null: bare panels); it must outlive the
  // manager.
  explicit GUIManager(uxDC* dc, RawMidiBackend& midiBackend = AlsaRawMidi(), const PageFactory* pages = nullptr);
  ~GUIManager() override;
  GUIManager(const GUIManager&) = delete;
  GUIManager& operator=(const GUIManager&) = delete;

  // ---- UI core: construction, page tree, GUI tick, queue and FIFO ----
  void BuildPages();
  // One pass of the GUI thread; the thread sleeps 5 ms between passes.
  void Tick();
  // Ends GuiThreadMain after its current pass (the appliance never asks; tests and the
  // simulator's shutdown do).
  void StopGuiThread() { guiStop_.store(true, std::memory_order_relaxed); }
  bool GuiThreadStopping() const { return guiStop_.load(std::memory_order_relaxed); }
  void OnTouchEvent(int x, int y, int type) override;
  // queued: copy into the GUI queue (delivered by a later tick); otherwise hand the message to
  // the page tree at once in the caller's thread, under the UI mutex.
  int SendMessage(tagUX_Message* msg, bool queued = false) override;
  void SendMessage(tagUX_Message& msg) override;  // the host link's direct form
  uxDC* getDC() override { return dc_; }

  void SetAudioProcess(CAudioProcess* audio) { links_.audio = audio; }
  CAudioProcess* AudioProcess() const { return links_.audio; }
  void SetCanDevice(CCANDev* can) { links_.can = can; }
  CCANDev* CanDevice() const { return links_.can; }
  void SetHostLink(HostUIManager* link) override { links_.host = link; }
  HostUIManager* HostLink() const { return links_.host; }
  CClipCore* ClipLauncher() override { return clipCore_; }
  // One of the audio process's timing records; zeros without an audio process.
  CAudioProcess::TimingRecord AudioTiming(int record) const override;
  void SetSleep(SleepFn sleep) { sleep_ = std::move(sleep); }
  void Sleep(uint32_t micros) const override;
  // The start-up's splash sink; the page build empties it before the splash box goes.
  void SetSplashSink(std::atomic<uxMessageBox*>* sink) { splashSink_ = sink; }

  // Accessors of the owned data.
  WavefileCache& WaveCache() override { return waveCache_; }
  WavetableCache& WaveTables() override { return wavetableCache_; }
  CMidiCCSets& CCMap() { return ccMap_; }
  CDeviceConfig& DeviceConfig() override { return deviceConfig_; }
  CSettings& Settings() { return settings_; }
  CArranger& Arranger() { return arranger_; }
  CDataSets* DataSet(int part) override { return arranger_.DataSet(part); }
  CDataSetSampler& Kit() override { return arranger_.Sampler(); }
  void SetPadSample(int id, uint32_t uid, SampleFile* sample) override;
  std::string KitName() override;
  void PostEvent(const EngineEvent& event) override;
  GUIMessageQueue& MessageQueue() { return messageQueue_; }
  MsgFifo<MidiFifoEntry, kMidiFifoSlots>& MidiFifo() { return midiFifo_; }

  // Popups, their countdowns (in fourth ticks) and the main tab control.
  uxPopupValue* PopupValue() const override { return popupValue_; }
  uxPopupMsg* PopupMessage() const override { return popupMessage_; }
  uxPopupMsg* PopupDelete() const override { return popupDelete_; }
  uxPopupPB* PopupProgress() const override { return popupProgress_; }
  uxPopup* PopupWT() const override { return popupWT_; }
  uxMessageBox* MessageBox() const { return messageBox_; }
  uxTabCtrl* MainMenu() const override { return mainMenu_; }
  // Countdown of popup popupValue, popupMsg, popupDel or popupWT (toolkit/uxDefs.h).
  std::atomic<int32_t>& PopupTimer(int popup) override { return popupTimer_[popup]; }
  bool ProgressShown() const override { return progressCountdown_.load(std::memory_order_relaxed) != 0; }
  void SetPendingTick() { pendingTick_.store(true, std::memory_order_relaxed); }
  // Any thread: how many passes the GUI thread has made.
  uint32_t TickCount() const { return tickCounter_.load(std::memory_order_relaxed); }
  // The part's most recent voice record, refreshed by the tick (null before any voice ran).
  const void* VoiceMonitor(int part) const override { return voiceMonitor_[part].load(std::memory_order_relaxed); }
  const void* EngineState() const override { return engineState_.load(std::memory_order_relaxed); }
  const void* FxParams(int target, int slot) const override {
    return links_.audio != nullptr ? links_.audio->GetFxParams(static_cast<uint32_t>(target) << 16, slot) : nullptr;
  }
  int CurrentPanel() const override { return currentPanel_.load(std::memory_order_relaxed); }
  void SetCurrentPanel(int panel) override { currentPanel_.store(panel, std::memory_order_relaxed); }
  int PageState(int i) const { return pageState_[i]; }
  bool TransportRunning() const override { return midi_.Running(); }
  OutputCapture* OutputScope() override { return &midi_.Capture(); }
  OutputCapture& Capture() { return midi_.Capture(); }
  const void* VoiceSlot(int slot) const override;

  // ---- registration of pages ----
  void AddControllerListener(uxBaseElement* page) override;
  void RemoveControllerListener(uxBaseElement* page) override;
  void SetMidiLineMonitor(MidiLineMonitor* monitor) override;
  void RemoveMidiLineMonitor(MidiLineMonitor* monitor) override;
  void SetTrackTypeListener(TrackTypeListener* listener) override;
  void RemoveTrackTypeListener(TrackTypeListener* listener) override;

  // ---- start-up ----
  void ShowSplash();
  int InitialLoad();

  // ---- parameter routing (ParamRouter) ----
  // GetSampleName writes at most this many bytes, the terminating zero included.
  static constexpr int kSampleNameSize = ParamRouter::kSampleNameSize;
  void ValueChanged(uint32_t uid, unsigned flags, float value) override { params_.ValueChanged(uid, flags, value); }
  void SetParamById(int uid, float value) override { params_.SetParamById(uid, value); }
  void SetEngineParam(int uid, float value) override { params_.SetEngineParam(uid, value); }
  float GetParamById(int uid) override { return params_.GetParamById(uid); }
  void* GetParamEntry(int uid) override { return params_.GetParamEntry(uid); }
  float GetSetting(unsigned uid) override { return params_.GetSetting(uid); }
  uint8_t* GetLfoStepData(int uid) override { return params_.GetLfoStepData(uid); }
  void SetLfoStepData(int id, int uid, const uint8_t* bytes, int length) override {
    params_.SetLfoStepData(id, uid, bytes, length);
  }
  void ClearWaveData(int uid, int flag) override { params_.ClearWaveData(uid, flag); }
  void SetWavetableData(int uid, int n, WaveTable* wavetable) override { params_.SetWavetableData(uid, n, wavetable); }
  void SetSampleData(int uid, int n, const char* name, MultiWaveReader* wave) override {
    params_.SetSampleData(uid, n, name, wave);
  }
  void GetSampleName(int uid, char* name) override { params_.GetSampleName(uid, name); }
  void SetSampleName(int uid, const char* name, int flag) override { params_.SetSampleName(uid, name, flag); }
  ParamRouter& Params() { return params_; }

  // ---- CAN panel protocol (PanelLink) ----
  void CANValueNotify(int id, int part, float value) { panel_.CANValueNotify(id, part, value); }
  void CANAssignNotify(int id, int part, float value) { panel_.CANAssignNotify(id, part, value); }
  void CANEncoderEvent(int id, int code) { panel_.CANEncoderEvent(id, code); }
  void CANKeyEvent(int id, int code) { panel_.CANKeyEvent(id, code); }
  void ActivatePanel(int panel, int assign, int value) override { panel_.ActivatePanel(panel, assign, value); }
  void SelectPart(int part) { panel_.SelectPart(part); }
  void SendPartStop(int part) override { panel_.SendPartStop(part); }
  int HookSendMessage(tagUX_Message* msg) override;
  void sendPanelEnum(int id, int a, int b) override { panel_.sendPanelEnum(id, a, b); }
  void sendPanelText(int id, int idx, const char* text, bool alt = false) override {
    panel_.sendPanelText(id, idx, text, alt);
  }
  void sendCANFocus(int n) override { panel_.sendCANFocus(n); }
  void setPanelMode(int mode) override { panel_.setPanelMode(mode); }
  void sendPanelPart(int part) override { panel_.sendPanelPart(part); }
  int getPanelMode() const override { return panel_.getPanelMode(); }
  // One received frame, as the "CAN-RX" thread hands it to OnCanMessage.
  void OnCanFrame(uint16_t id, const uint8_t* data, uint8_t length) { panel_.OnCanFrame(id, data, length); }
  using ShutdownFn = PanelLink::ShutdownFn;
  void SetShutdownAction(ShutdownFn action) { panel_.SetShutdownAction(std::move(action)); }
  bool ShutdownArmed() const { return panel_.ShutdownArmed(); }
  PanelLink& Panel() { return panel_; }

  // ---- loading and storing (Loader) ----
  // Virtual so that tests of the GUI tick can see what the tick asks for.
  int LoadPreset(int part, const char* name, int notify, int load) override {
    return loader_.LoadPreset(part, name, notify, load);
  }
  int LoadEngine(int part) { return loader_.LoadEngine(part); }
  int StorePreset(int part, const char* name) override { return loader_.StorePreset(part, name); }
  int LoadSong(const char* name, int unused, int showProgress) override {
    return loader_.LoadSong(name, unused, showProgress);
  }
  int StoreSong(const char* name, int withPresets) override { return loader_.StoreSong(name, withPresets); }
  int LoadKit(const char* name) override { return loader_.LoadKit(name); }
  int StoreKit(const char* name) override { return loader_.StoreKit(name); }
  void StoreSamplePCM16(int uid, const char* name, const float* samples, int count) override {
    loader_.StoreSamplePCM16(uid, name, samples, count);
  }
  void EditModMatrix(int uid, uint32_t packed, int polarity, float amount, int immediate) override {
    loader_.EditModMatrix(uid, packed, polarity, amount, immediate);
  }
  void SetTrackType(int track, int type) override;
  void OnStoreProgress(int percent, int state) override;
  void HideDeletePopup() override;
  bool ShowWavetablePopup(const char* title, const WaveTable* table) override;
  bool ShowProgress(const char* title, const char* text) override;
  void HideProgress() override;
  std::string PresetName(int part) override;
  std::string SongName() override;

  // ---- MIDI routing, transport and period hooks (MidiTransport) ----
  void TrackNoteOn(int track, int key, int velocity, int cv1, int cv2, int cv3) override {
    midi_.TrackNoteOn(track, key, velocity, cv1, cv2, cv3);
  }
  void TrackNoteOff(int track, int key) override { midi_.TrackNoteOff(track, key); }
  void TrackControlChange(int part, int controller, int value) override {
    midi_.TrackControlChange(part, controller, value);
  }
  void TriggerDrumNote(int step, int note, int velocity) override { midi_.TriggerDrumNote(step, note, velocity); }
  void TriggerDrum(int note, int velocity) override { midi_.TriggerDrum(note, velocity); }
  void PostMidiCC(int part, int channel, int controller, int value) {
    midi_.PostMidiCC(part, channel, controller, value);
  }
  // From the MIDI threads: a mapped program is loaded by the program loader and the GUI
  // tick hears of it when the load is done (1); an unmapped one goes to the tick at once (0).
  int ProgramChange(int part, int program);
  // Returns once the program changes asked for so far are loaded.
  void WaitForProgramLoads() { programLoader_.WaitIdle(); }
  // (channel, part, controller, value) from the GUI tick; the clip launcher's calls arrive
  // with its port as the channel and part 0.
  int DispatchMidiCC(int channel, int part, int controller, int value) override;
  int GetCCAssignment(uint32_t uid) override;
  void SetCCAssignment(int cc, int uid) override;
  void MonitorMidi(int port, int channel, int status, int data1, int data2, bool fromInput) {
    midi_.MonitorMidi(port, channel, status, data1, data2, fromInput);
  }
  void OnMidiTransport(int status) { midi_.OnMidiTransport(status); }
  void OnMidiClock() { midi_.OnMidiClock(); }
  void TransportTick() { midi_.TransportTick(); }
  void TransportStep() { midi_.TransportStep(); }
  void TogglePlay() override { midi_.TogglePlay(); }

 private:
  // The seam's argument order; the instrument's own is (uid, flags, value) above. Private,
  // so a call with the value and flags swapped does not compile.
  void ValueChanged(uint32_t uid, float value, unsigned flags) override { params_.ValueChanged(uid, flags, value); }

  void TickPages();
  void DeliverToPage(tagUX_Message* msg);
  void DrainMidiFifo();
  void DeliverQueued();
  void CountPopupDown(int popup, uxPopup* owner);
  void HidePopup(uxPopup* popup);
  // ---- what the panel link asks of the UI core (PanelUi) ----
  platform::PiMutex& UiMutex() override { return uiMutex_; }
  bool PopupsBusy() const override;
  void ShowScreenSaved(const char* name, int fourthTicks) override;

  // Owned members, in construction order.
  WavefileCache waveCache_;
  WavetableCache wavetableCache_;
  CMidiCCSets ccMap_;
  CDeviceConfig deviceConfig_;
  CSettings settings_;
  GUIMessageQueue messageQueue_;
  MsgFifo<MidiFifoEntry, kMidiFifoSlots> midiFifo_;
  CArranger arranger_;
  CClipCore* clipCore_ = nullptr;
  // The raw-MIDI side of the ports P1-P4: the MIDI devices page opens it, the ET tracks send
  // through it, the start-up gives it the input callback.
  CAlsaMidi* midiPorts_ = nullptr;
  uxPopupValue* popupValue_ = nullptr;
  uxPopupMsg* popupMessage_ = nullptr;
  uxPopupMsg* popupDelete_ = nullptr;
  uxPopupPB* popupProgress_ = nullptr;
  uxPopup* popupWT_ = nullptr;
  const PageFactory* pages_;

  uxDC* dc_;
  AppLinks links_;
  ParamRouter params_{links_, arranger_, settings_};
  uxTabCtrl* mainMenu_ = nullptr;
  uxMessageBox* messageBox_ = nullptr;
  // Registered pages. The controller listeners are read by the MIDI threads, so they have
  // their own lock; the track-type listener changes and is called under the UI mutex. The
  // MIDI monitor is MidiTransport's.
  platform::PiMutex controllerMutex_;
  std::vector<uxBaseElement*> controllerListeners_;
  TrackTypeListener* trackTypeListener_ = nullptr;
  uxMessageBox* splashBox_ = nullptr;
  uxPanelCtrl* splashPanel_ = nullptr;
  std::atomic<uxMessageBox*>* splashSink_ = nullptr;
  std::atomic<int32_t> currentPanel_{-1};
  std::atomic<int32_t> progressCountdown_{0};
  int songSteps_ = 1;
  std::atomic<bool> pendingTick_{false};
  int32_t pageState_[2] = {0, 0};

  // GUI tick state.
  std::atomic<uint32_t> tickCounter_{0};
  std::atomic<int32_t> popupTimer_[4] = {};
  std::atomic<const void*> voiceMonitor_[4] = {};
  std::atomic<const void*> engineState_{nullptr};
  platform::PiMutex uiMutex_{platform::PiMutex::kRecursive};
  SleepFn sleep_;
  std::atomic<bool> guiStop_{false};

  // ---- what the loader asks of the UI core (LoaderUi) ----
 protected:
  // Gives the main tab control UX_MSG_VALUES_CHANGED for param (a part, or a page target).
  // Virtual so that tests can see when the pages are told, among the engine's calls.
  void NotifyPages(int param, int flag) override;

 private:
  bool BeginSongProgress(const char* name, int steps) override;
  // Step `step` of a song load's steps on the progress popup, while the progress runs.
  void ShowSongStep(int step) override;
  void EndSongProgress() override;
  // Whether the value, message or wavetable popup (and with `withDelete` the delete popup)
  // is counting down.
  bool PopupTimersRunning(bool withDelete) const;
  // ---- end of loading and storing ----

  // ---- MIDI routing, transport clock and period hooks (MidiTransport) ----
 public:
  static constexpr int kMidiParts = MidiTransport::kParts;
  using MonotonicFn = MidiTransport::MonotonicFn;
  using PartEventSettings = MidiTransport::PartEventSettings;

  // The MIDI callback of the raw-MIDI ports and the DIN/USB device; reaches the manager set
  // with SetMidiTarget (none: the message is dropped, or kept while start-up holds MIDI).
  static int OnMidiMessage(int source, int port, int channel, int status, uint8_t data1, uint8_t data2);
  // Start-up: messages arriving before the first target are kept (in order, bounded) and
  // reach it when SetMidiTarget names it.
  static void HoldMidiUntilTarget();
  static void SetMidiTarget(GUIManager* target);
  void RouteMidi(int source, int port, int channel, int status, int data1, int data2) {
    midi_.RouteMidi(source, port, channel, status, data1, data2);
  }
  void InstallAudioHooks() { midi_.InstallAudioHooks(); }
  void OnPeriod() { midi_.OnPeriod(); }
  void AudioCycleTick() { midi_.AudioCycleTick(); }

  void SetMidiDevice(CMidiDev* device) { links_.midi = device; }
  void SetPedalPort(PedalPort* pedal) { links_.pedal = pedal; }
  void SetKeyMonitor(KeyMonitor* monitor) override { midi_.SetKeyMonitor(monitor); }
  void SetMonotonicClock(MonotonicFn now) { midi_.SetMonotonicClock(now); }
  static int64_t MonotonicNow() { return MidiTransport::MonotonicNow(); }

  double Tempo() const override { return midi_.Tempo(); }
  bool ExternalClock() const { return midi_.ExternalClock(); }
  bool TakeExternalClock() override { return midi_.TakeExternalClock(); }
  CAlsaMidi& MidiPorts() override { return *midiPorts_; }
  CMidiDev* MidiDevice() override { return links_.midi; }
  uint32_t StepCounter() const { return midi_.StepCounter(); }
  int32_t LedCountdown() const { return midi_.LedCountdown(); }
  uint32_t PeriodMicros() const { return midi_.PeriodMicros(); }
  MidiTransport& Midi() { return midi_; }

 private:

  // Last, so that it is built after everything its jobs use; stopped first thing in the
  // destructor.
  void LoadProgram(int part, int program);
  void PushProgramEntry(int part, int program);
  MidiTransport midi_{links_, settings_, deviceConfig_, midiFifo_, pendingTick_,
                      [this](int part, int program) { return ProgramChange(part, program); }};
  PanelLink panel_{*this, links_, settings_, deviceConfig_};
  Loader loader_{*this, links_, arranger_, settings_, waveCache_, wavetableCache_};
  ProgramLoader programLoader_{[this](int part, int program) { LoadProgram(part, program); }};
};

// ---- CAN panel protocol ----
// The receive callback the CAN device calls for every frame; it reaches the manager given to
// SetCanReceiver (none: frames are dropped).
void OnCanMessage(uint16_t id, const uint8_t* data, uint8_t length);
void SetCanReceiver(GUIManager* manager);
