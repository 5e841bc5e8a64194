#pragma once
// The front panel's side of the instrument: frames from the "CAN-RX" thread become toolkit
// messages for the page tree (given directly, in that thread), panel keys switch pages and
// open module panels, the armed power key saves and ends the process, and the senders write
// the panel's value, text, focus and mode frames.
//
// Threads: OnCanFrame and what it calls run on "CAN-RX"; the senders run wherever page code
// runs (GUI tick, "CAN-RX", host thread) and on the audio thread (beat pulse, through the
// transport). Page-tree work goes through PanelUi under its UI mutex; the senders take no
// lock of their own (the CAN device serialises its writes and never blocks). The shutdown
// arming is atomic; the screen-dump counter and the panel mode belong to "CAN-RX" and page
// code, which the UI mutex already serialises.
#include <atomic>
#include <cstdint>
#include <functional>

#include "app/AppLinks.h"
#include "app/PanelFrames.h"
#include "platform/PiMutex.h"
#include "toolkit/uxDefs.h"

class CDeviceConfig;
class CSettings;
class uxDC;
class uxTabCtrl;

// What the panel link needs of the UI core.
class PanelUi {
 public:
  virtual ~PanelUi() = default;
  // Direct delivery to the page tree, under the UI mutex.
  virtual int SendMessage(tagUX_Message* msg, bool queued = false) = 0;
  virtual platform::PiMutex& UiMutex() = 0;
  virtual uxTabCtrl* MainMenu() const = 0;
  virtual int CurrentPanel() const = 0;
  virtual void SetCurrentPanel(int panel) = 0;
  virtual uxDC* getDC() = 0;
  // Whether any popup counts down or a progress display runs.
  virtual bool PopupsBusy() const = 0;
  // The message popup saying the screen went to `name`, for `fourthTicks`.
  virtual void ShowScreenSaved(const char* name, int fourthTicks) = 0;
  virtual void TogglePlay() = 0;
};

class PanelLink {
 public:
  // What the armed shutdown command does after saving; by default SIGTERM to the process
  // group. Tests inject their own.
  using ShutdownFn = std::function<void()>;

  PanelLink(PanelUi& ui, const AppLinks& links, CSettings& settings, CDeviceConfig& deviceConfig);
  PanelLink(const PanelLink&) = delete;
  PanelLink& operator=(const PanelLink&) = delete;

  // One received frame, as the "CAN-RX" thread hands it over.
  void OnCanFrame(uint16_t id, const uint8_t* data, uint8_t length);
  void CANValueNotify(int id, int part, float value);
  void CANAssignNotify(int id, int part, float value);
  void CANEncoderEvent(int id, int code);
  void CANKeyEvent(int id, int code);
  void ActivatePanel(int panel, int assign, int value);
  void SelectPart(int part);
  void SendPartStop(int part);

  void sendPanelEnum(int id, int a, int b);
  void sendPanelText(int id, int idx, const char* text, bool alt = false);
  void sendCANFocus(int n);
  void setPanelMode(int mode);
  void sendPanelPart(int part);
  int getPanelMode() const { return panelMode_; }

  void SetShutdownAction(ShutdownFn action);
  bool ShutdownArmed() const { return shutdownArmed_.load() != 0; }

 private:
  void GivePanelRequest(PanelRequest request);
  void SetMasterVolume(float v);
  void ScreenDump();
  void SaveBeforeShutdown();

  PanelUi& ui_;
  const AppLinks& links_;
  CSettings& settings_;
  CDeviceConfig& deviceConfig_;
  ShutdownFn shutdown_;
  std::atomic<uint8_t> shutdownArmed_{0};
  int32_t screenDumpCounter_ = 0;
  int32_t panelMode_ = 1;
};
