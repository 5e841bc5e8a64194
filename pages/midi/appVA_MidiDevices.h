#pragma once
// Binds the MIDI ports P1-P4 to devices (the serial DIN input or a raw-MIDI port), enables
// them, sets their message filters, shows the attached pad controller (row "CTRL"), opens
// the configured raw-MIDI ports and marks the inputs that fail. Changes go to the device
// configuration, which stores them after a delay.
#include <cstdint>
#include <string>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxButton;
class uxImage;
class uxTableCtrl;
class uxValueLabel;

class appVA_MidiDevices : public uxPanelCtrl {
 public:
  static constexpr int kPorts = 4;
  static constexpr int kPortRows = 5;  // P1-P4 and CTRL
  static constexpr int kCtrlRow = 4;
  static constexpr int kDeviceRows = 10;
  static constexpr uint32_t kDevicesTable = 2000;
  static constexpr uint32_t kPortsTable = 2001;
  static constexpr int kUpdateButton = 90;
  static constexpr int kReopenButton = 91;
  static constexpr int kLampTicks = 15;
  static constexpr int kCheckTicks = 20;
  static constexpr int32_t kSaveDelay = 1720;
  static constexpr uxCOLOR kOn = 0xFFFFFF;
  static constexpr uxCOLOR kOff = 0x303030;
  static constexpr uxCOLOR kFailed = 0xFF0000;

  appVA_MidiDevices(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                    uxCOLOR colour);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  void FillPortList();
  void FillDeviceList();
  void OpenPorts();
  void CheckPorts();
  void ApplyValue(int slot, float value);
  void SetPortEnabled(bool on);
  void SetPortFilter(int filter);
  void AssignDevice(const std::string& name);
  void ShowPortValues(int port);

  uxTableCtrl* PortsTable() const { return ports_; }
  uxTableCtrl* DevicesTable() const { return devices_; }
  uxValueLabel* Action() const { return action_; }
  uxValueLabel* Filter() const { return filter_; }
  uxButton* UpdateButton() const { return update_; }
  uxButton* ReopenButton() const { return reopen_; }
  int SelectedPort() const { return selectedPort_; }
  // What the rows show: device texts and their colours, the filter pictures.
  std::string DeviceName(int row) const;
  uxCOLOR DeviceRowColour(int row) const { return deviceColour_[row]; }
  std::string PortDevice(int row) const;
  uxCOLOR PortColour(int row) const { return portColour_[row]; }
  const char* FilterPicture(int row) const;
  // Run-time state of a port, never stored: opened, and the number its messages carry.
  bool PortOpen(int port) const { return open_[port]; }
  int PortNumber(int port) const { return portNumber_[port]; }

 private:
  void SetPortColour(int row, uxCOLOR colour);
  void OnDeviceChosen();
  void OnPortChosen();
  bool HasPort() const { return selectedPort_ >= 0 && selectedPort_ < kPorts; }
  void ShowNoPort();

  PageServices* services_;
  uxValueLabel* action_;
  uxValueLabel* filter_;
  uxButton* update_;
  uxButton* reopen_;
  uxImage* pictures_[kPorts] = {};
  int pictureShown_[kPorts] = {};
  uxTableCtrl* devices_;
  uxTableCtrl* ports_;
  int selectedPort_ = -1;
  unsigned ticks_ = 0;
  int reopenLamp_ = 0;
  int updateLamp_ = 0;
  uxButton* portCells_[kPortRows] = {};
  uxCOLOR portColour_[kPortRows] = {};
  uxButton* deviceCells_[kDeviceRows] = {};
  uxCOLOR deviceColour_[kDeviceRows] = {};
  bool open_[kPortRows] = {};
  int portNumber_[kPortRows] = {};
};
