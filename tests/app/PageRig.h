#pragma once
// One page built alone over recording page services: no GUIManager, no audio process, no
// bus. The rig gives the page what the core would give it (its tab becoming active, touches,
// front-panel frames, ticks), paints it into a memory framebuffer, and keeps every service
// call the page makes as a line of text. The registrations the page makes are kept too, so a
// test can call the page the way the core does (controller fan-out, MIDI monitor, track
// types).
#include <cstdarg>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/PageServices.h"
#include "audio/IAudioProcess.h"
#include "app/OutputCapture.h"
#include "app/PanelFrames.h"
#include "data/CDataSetSampler.h"
#include "data/WavefileCache.h"
#include "data/WavetableCache.h"
#include "pages/widgets/uxPopupWT.h"
#include "data/CDataSets.h"
#include "engine/CVoiceAlloc.h"
#include "engine/VoiceStatus.h"
#include "data/CDeviceConfig.h"
#include "midi/CAlsaMidi.h"
#include "midi/FakeRawMidiBackend.h"
#include "platform/MemoryFrameBuffer.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxPopupPB.h"
#include "toolkit/uxPopupValue.h"

namespace page_rig {

class FakePageServices : public PageServices {
 public:
  explicit FakePageServices(uxDC* dc) : dc_(dc) {
    popupValue_ = std::make_unique<uxPopupValue>(this, "PopupValue", uxPOINT(300, 200), 200, 80, 0x202020, 0xFFFFFF);
    popupMessage_ = std::make_unique<uxPopupMsg>(this, "PopupMessage", uxPOINT(200, 150), 300, 110, 0x202020, 0xFFFFFF);
    popupDelete_ = std::make_unique<uxPopupMsg>(this, "PopupDelete", uxPOINT(200, 210), 300, 110, 0x202020, 0xFFFFFF);
    popupProgress_ = std::make_unique<uxPopupPB>(this, "PopupProgress", uxPOINT(50, 200), 300, 100, 0x404040, 0xFFFFFF);
    popupWT_ = std::make_unique<uxPopupWT>(this, "PopupWT", uxPOINT(175, 135), 450, 210, 0x202020, 0xFFFFFF);
  }

  // The calls so far, oldest first; the list starts again empty.
  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    out.swap(calls_);
    return out;
  }

  // What the fake answers: parameter values by UID (0 when absent), the audio process's
  // timing records, and the result of every load and store.
  std::map<int, float> params;
  // Effect parameter blocks by target * 16 + slot.
  std::map<int, const void*> fxBlocks;
  CAudioProcess::TimingRecord timing[CAudioProcess::kTimingRecords] = {};
  // The kit the drum pages read.
  CDataSetSampler kit;
  std::string kitName;
  int loadResult = 1;
  // The voice record of each part behind VoiceMonitor, filled by the test; a part outside
  // 0..kParts-1 has none.
  VoiceStatus voices[CAudioProcess::kParts];
  // The real caches, over the test's data root; sample names by uid as GetSampleName
  // answers them; the samples StoreSamplePCM16 was given last (count and first values).
  WavetableCache waveTables;
  WavefileCache waveCache;
  std::map<int, std::string> sampleNames;
  std::vector<float> storedSamples;
  // The LFO step records by uid, as GetLfoStepData hands them out (length byte, steps).
  std::map<int, std::vector<uint8_t>> lfoSteps;
  // The audio status the pages read: the allocation table (null: none), one voice record
  // per render slot, the scopes' capture, the transport, and the clip launcher (null: none).
  static constexpr int kVoiceSlots = 16;
  const VoiceAllocEntry* engineState = nullptr;
  VoiceStatus slots[kVoiceSlots];
  bool slotsShown = true;
  OutputCapture capture;
  bool running = true;
  // Learned controllers by parameter UID.
  std::map<uint32_t, int> ccMap;
  std::string presetNames[4];
  std::string songName;
  int panelMode = 1;
  bool progressShown = false;
  // The MIDI set-up: clock tempo and flag, the port assignments, the raw-MIDI ports over a
  // stand-in sound system (set `midiBackend.cards` before building a page that scans), and
  // no serial device unless a test gives one.
  double tempo = 120.0;
  bool externalClock = false;
  CDeviceConfig deviceConfig;
  FakeRawMidiBackend midiBackend;
  std::unique_ptr<CAlsaMidi> midiPorts = std::make_unique<CAlsaMidi>(midiBackend);
  CMidiDev* midiDevice = nullptr;
  // The clip launcher the page is given (tests/app/PageFixtures.h ClipRig), null for none.
  CClipCore* clips = nullptr;

  // What the page registered.
  std::vector<uxBaseElement*> controllerListeners;
  MidiLineMonitor* lineMonitor = nullptr;
  TrackTypeListener* trackTypeListener = nullptr;
  KeyMonitor* keyMonitor = nullptr;

  // Stored matrix entries by uid (index | part << 16), as GetParamEntry hands them out.
  std::map<int, ModRoute> routes;

  // Where direct messages go, as the page tree would take them: the page under test.
  uxBaseElement* target = nullptr;
  // Messages posted to the GUI queue, delivered by PageRig::Tick.
  std::vector<tagUX_Message> queued;

  // ---- uxHost ----
  uxDC* getDC() override { return dc_; }
  int HookSendMessage(tagUX_Message*) override { return 1; }
  int SendMessage(tagUX_Message* msg, bool queue = false) override {
    if (msg == nullptr) return 0;
    Record("SendMessage %u %d %d%s", msg->type, static_cast<int>(msg->param), static_cast<int>(msg->flag),
           queue ? " queued" : "");
    if (queue) {
      queued.push_back(*msg);
      return 1;
    }
    return target != nullptr ? target->OnMessage(msg) : 0;
  }
  void sendCANFocus(int n) override { Record("sendCANFocus %d", n); }
  void ValueChanged(uint32_t uid, float value, unsigned flags) override { ValueChanged(uid, flags, value); }
  int GetCCAssignment(uint32_t uid) override {
    const auto it = ccMap.find(uid);
    return it != ccMap.end() ? it->second : -1;
  }
  void SetCCAssignment(int cc, int uid) override { Record("SetCCAssignment %d %X", cc, uid); }

  // ---- PageServices ----
  void ValueChanged(uint32_t uid, unsigned flags, float value) override {
    Record("ValueChanged %X %u %g", uid, flags, static_cast<double>(value));
  }
  void SetParamById(int uid, float value) override { Record("SetParamById %X %g", uid, static_cast<double>(value)); }
  float GetParamById(int uid) override { return Param(uid); }
  const void* FxParams(int target, int slot) const override {
    const auto it = fxBlocks.find(target * 16 + slot);
    return it != fxBlocks.end() ? it->second : nullptr;
  }
  float GetSetting(unsigned uid) override { return Param(static_cast<int>(uid)); }
  CDataSets* DataSet(int) override { return nullptr; }
  void* GetParamEntry(int uid) override {
    const auto it = routes.find(uid);
    return it != routes.end() ? &it->second : nullptr;
  }
  void EditModMatrix(int uid, uint32_t packed, int polarity, float amount, int immediate) override {
    Record("EditModMatrix %X %X %d %g %d", uid, packed, polarity, static_cast<double>(amount), immediate);
  }
  uint8_t* GetLfoStepData(int uid) override {
    const auto it = lfoSteps.find(uid);
    return it != lfoSteps.end() ? it->second.data() : nullptr;
  }
  void SetLfoStepData(int id, int uid, const uint8_t* bytes, int length) override {
    std::string text;
    for (int i = 0; i < length; ++i) {
      text += ' ';
      text += std::to_string(bytes[i]);
    }
    Record("SetLfoStepData %d %X%s", id, uid, text.c_str());
  }
  CClipCore* ClipLauncher() override { return clips; }
  void SetEngineParam(int uid, float value) override {
    Record("SetEngineParam %X %g", uid, static_cast<double>(value));
  }
  void TogglePlay() override { Record("TogglePlay"); }
  void SetTrackType(int track, int type) override { Record("SetTrackType %d %d", track, type); }

  int LoadPreset(int part, const char* name, int notify, int load) override {
    Record("LoadPreset %d %s %d %d", part, Text(name), notify, load);
    return loadResult;
  }
  int StorePreset(int part, const char* name) override {
    Record("StorePreset %d %s", part, Text(name));
    return loadResult;
  }
  int LoadSong(const char* name, int unused, int showProgress) override {
    Record("LoadSong %s %d %d", Text(name), unused, showProgress);
    return loadResult;
  }
  int StoreSong(const char* name, int withPresets) override {
    Record("StoreSong %s %d", Text(name), withPresets);
    return loadResult;
  }
  int LoadKit(const char* name) override {
    Record("LoadKit %s", Text(name));
    return loadResult;
  }
  int StoreKit(const char* name) override {
    Record("StoreKit %s", Text(name));
    return loadResult;
  }

  CDataSetSampler& Kit() override { return kit; }
  void SetPadSample(int id, uint32_t uid, SampleFile* sample) override {
    Record("SetPadSample %d %X %s", id, uid, sample != nullptr ? "sample" : "null");
  }
  std::string KitName() override { return kitName; }
  void PostEvent(const EngineEvent& e) override {
    Record("PostEvent %d %d %d %g", e.type, e.part, e.first.note, static_cast<double>(e.second));
  }
  std::string PresetName(int part) override { return part >= 0 && part < 4 ? presetNames[part] : std::string(); }
  std::string SongName() override { return songName; }
  void SendPartStop(int part) override { Record("SendPartStop %d", part); }

  WavetableCache& WaveTables() override { return waveTables; }
  WavefileCache& WaveCache() override { return waveCache; }
  void SetWavetableData(int uid, int n, WaveTable* wavetable) override {
    Record("SetWavetableData %X %d %s", uid, n, wavetable != nullptr ? wavetable->Name().c_str() : "null");
  }
  void StoreSamplePCM16(int uid, const char* name, const float* samples, int count) override {
    Record("StoreSamplePCM16 %X %s %d", uid, Text(name), count);
    storedSamples.assign(samples, samples + (samples != nullptr ? count : 0));
  }
  void GetSampleName(int uid, char* name) override {
    const auto it = sampleNames.find(uid);
    std::snprintf(name, 64, "%s", it != sampleNames.end() ? it->second.c_str() : "");
  }
  void SetSampleName(int uid, const char* name, int flag) override {
    Record("SetSampleName %X %s %d", uid, Text(name), flag);
    sampleNames[uid] = Text(name);
  }
  void SetSampleData(int uid, int n, const char* name, MultiWaveReader* wave) override {
    Record("SetSampleData %X %d %s %s", uid, n, Text(name), wave != nullptr ? "sample" : "null");
  }
  void ClearWaveData(int uid, int flag) override { Record("ClearWaveData %X %d", uid, flag); }
  uxPopup* PopupWT() const override { return popupWT_.get(); }
  bool ShowWavetablePopup(const char* title, const WaveTable* table) override {
    for (int popup : {0, 1, 2})
      if (popupTimer_[popup].load() != 0) return false;
    if (progressShown) return false;
    Record("ShowWavetablePopup %s %s", Text(title), table != nullptr ? "table" : "null");
    popupWT_->SetWavetable(table);
    popupWT_->SetShown(true);
    popupWT_->SetTitle(Text(title));
    popupWT_->show();
    popupWT_->setRepaint();
    popupTimer_[3].store(100);
    return true;
  }
  uxPopupValue* PopupValue() const override { return popupValue_.get(); }
  uxPopupMsg* PopupMessage() const override { return popupMessage_.get(); }
  uxPopupMsg* PopupDelete() const override { return popupDelete_.get(); }
  uxPopupPB* PopupProgress() const override { return popupProgress_.get(); }
  std::atomic<int32_t>& PopupTimer(int popup) override { return popupTimer_[popup & 3]; }
  bool ShowProgress(const char* title, const char* text) override {
    for (const auto& timer : popupTimer_)
      if (timer.load() != 0) return false;
    Record("ShowProgress %s %s", Text(title), Text(text));
    progressShown = true;
    return true;
  }
  void HideProgress() override {
    Record("HideProgress");
    progressShown = false;
  }
  bool ProgressShown() const override { return progressShown; }
  void HideDeletePopup() override { Record("HideDeletePopup"); }

  void sendPanelEnum(int id, int a, int b) override { Record("sendPanelEnum %d %d %d", id, a, b); }
  void sendPanelText(int id, int idx, const char* text, bool alt = false) override {
    Record("sendPanelText %d %d %s%s", id, idx, Text(text), alt ? " alt" : "");
  }
  void setPanelMode(int mode) override {
    Record("setPanelMode %d", mode);
    panelMode = mode;
  }
  int getPanelMode() const override { return panelMode; }
  void ActivatePanel(int panel, int assign, int value) override {
    Record("ActivatePanel %d %d %d", panel, assign, value);
  }
  void sendPanelPart(int part) override { Record("sendPanelPart %d", part); }

  CAudioProcess::TimingRecord AudioTiming(int record) const override {
    return record >= 0 && record < CAudioProcess::kTimingRecords ? timing[record] : CAudioProcess::TimingRecord{};
  }
  const void* VoiceMonitor(int part) const override {
    return part >= 0 && part < CAudioProcess::kParts ? &voices[part] : nullptr;
  }
  const void* EngineState() const override { return engineState; }
  bool TransportRunning() const override { return running; }
  OutputCapture* OutputScope() override { return &capture; }
  const void* VoiceSlot(int slot) const override {
    return slot >= 0 && slot < kVoiceSlots && slotsShown ? &slots[slot] : nullptr;
  }

  double Tempo() const override { return tempo; }
  bool TakeExternalClock() override { return std::exchange(externalClock, false); }
  CDeviceConfig& DeviceConfig() override { return deviceConfig; }
  CAlsaMidi& MidiPorts() override { return *midiPorts; }
  CMidiDev* MidiDevice() override { return midiDevice; }

  void AddControllerListener(uxBaseElement* page) override { controllerListeners.push_back(page); }
  void RemoveControllerListener(uxBaseElement* page) override {
    std::erase(controllerListeners, page);
  }
  void SetMidiLineMonitor(MidiLineMonitor* monitor) override { lineMonitor = monitor; }
  void RemoveMidiLineMonitor(MidiLineMonitor* monitor) override {
    if (lineMonitor == monitor) lineMonitor = nullptr;
  }
  void SetTrackTypeListener(TrackTypeListener* listener) override { trackTypeListener = listener; }
  void RemoveTrackTypeListener(TrackTypeListener* listener) override {
    if (trackTypeListener == listener) trackTypeListener = nullptr;
  }
  void SetKeyMonitor(KeyMonitor* monitor) override { keyMonitor = monitor; }

 private:
  static const char* Text(const char* s) { return s != nullptr ? s : "(null)"; }
  float Param(int uid) const {
    const auto it = params.find(uid);
    return it != params.end() ? it->second : 0.0f;
  }
  void Record(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.emplace_back(text);
  }

  uxDC* dc_;
  std::mutex mutex_;
  std::vector<std::string> calls_;
  std::unique_ptr<uxPopupValue> popupValue_;
  std::unique_ptr<uxPopupMsg> popupMessage_;
  std::unique_ptr<uxPopupMsg> popupDelete_;
  std::unique_ptr<uxPopupPB> popupProgress_;
  std::unique_ptr<uxPopupWT> popupWT_;
  std::atomic<int32_t> popupTimer_[4] = {};
};

template <class Page>
class PageRig {
 public:
  PageRig() { EXPECT_EQ(dc.Init(), 0); }
  ~PageRig() {
    services.target = nullptr;
    page_.reset();
  }

  // Builds the page over the fake services: Build(id, name, ...) for a page whose
  // constructor takes (PageServices*, id, name, ...).
  template <class... Args>
  Page& Build(Args&&... args) {
    services.target = nullptr;
    page_.reset();
    page_ = std::make_unique<Page>(&services, std::forward<Args>(args)...);
    services.target = page_.get();
    return *page_;
  }
  Page& page() { return *page_; }

  // The page's tab becomes the active one, as the main tab control tells it.
  void Show() { Give(tagUX_Message(UX_MSG_FOCUS, 1, 0)); }
  // A tap at screen coordinates: press, then release.
  void Touch(int x, int y) {
    Give(tagUX_Message(UX_MSG_TOUCH_EVENT, x, y, TYPE_PRESS));
    Give(tagUX_Message(UX_MSG_TOUCH_EVENT, x, y, TYPE_RELEASE));
  }
  // A front-panel frame as the "CAN-RX" thread receives it; false when the frame is not
  // one the core hands to the page tree as a message (keys, MIDI and control frames act in
  // the core itself).
  bool Can(uint16_t id, std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> data(bytes);
    PanelRequest request = ReadPanelFrame(id, data.data(), static_cast<uint8_t>(data.size()));
    tagUX_Message msg;
    if (!PanelPageMessage(request, msg)) return false;
    page_->OnMessage(&msg);
    return true;
  }
  // An encoder turn or press: code 130/131 turn, 132 press (panel encoder ids 144-148).
  void Encoder(uint16_t id, uint8_t code) { EXPECT_TRUE(Can(id, {code})); }
  // A heavy GUI tick: the pending-tick message (if asked), the page painted, then one
  // queued message delivered.
  void Tick(bool pendingTick = true) {
    if (pendingTick) Give(tagUX_Message(UX_MSG_TICK_EVENT));
    page_->OnPaint();
    if (!services.queued.empty()) {
      tagUX_Message msg = services.queued.front();
      services.queued.erase(services.queued.begin());
      page_->OnMessage(&msg);
    }
  }
  void Give(tagUX_Message msg) { page_->OnMessage(&msg); }
  // Every message the page posted to the GUI queue (a table's choice, for one), in order,
  // as the following ticks would deliver them.
  void Flush() {
    while (!services.queued.empty()) {
      tagUX_Message msg = services.queued.front();
      services.queued.erase(services.queued.begin());
      page_->OnMessage(&msg);
    }
  }
  // A full repaint of the page, as after its tab was selected.
  void Paint() {
    page_->setRepaint();
    page_->setRepaintCtrls();
    page_->OnPaint();
  }
  uint32_t Pixel(int x, int y) const { return fb.Pixel(static_cast<uint32_t>(x), static_cast<uint32_t>(y)); }
  // The screen below the main tab strip, where every page sits.
  toolkit_test::Picture Screen() const {
    return toolkit_test::Snapshot(dc, toolkit_test::Source::Screen, 0, 40, 800, 440);
  }

  platform::MemoryFrameBuffer fb;
  uxDC dc{&fb};
  FakePageServices services{&dc};

 private:
  std::unique_ptr<Page> page_;
};

}  // namespace page_rig
