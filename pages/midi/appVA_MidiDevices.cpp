#include "pages/midi/appVA_MidiDevices.h"

#include <cstdio>

#include "app/PageServices.h"
#include "data/CDeviceConfig.h"
#include "midi/CAlsaMidi.h"
#include "midi/CMidiDev.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxImage.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

const uxPOINT kPortsAt{10, 100};
const uxPOINT kDevicesAt{410, 100};
constexpr int kRowHeight = 40;
constexpr int kFilters = 4;
constexpr const char* kFilterTexts[kFilters] = {"-", "NOTE", "CC", "NOTE-CC"};
constexpr const char* kFilterPictures[kFilters] = {"Filter_None.png", "Filter_Note.png", "Filter_CC.png",
                                                   "Filter_CC-Note.png"};
constexpr const char* kPortNames[appVA_MidiDevices::kPortRows] = {"P1", "P2", "P3", "P4", "CTRL"};
constexpr const char* kNoDevice = "  -  ";
constexpr const char* kPadControllers[] = {"APC MINI", "APC mini mk2", "SmartPAD", "Launchpad Pro MK3"};
constexpr int kNotesAndControllers = 3;
constexpr unsigned kLabelFlags = 7;

bool IsPadController(const std::string& name) {
  for (const char* pad : kPadControllers)
    if (name == pad) return true;
  return false;
}

bool IsSerialInput(const std::string& name) { return name == "DIN-MIDI" || name == "Midi IN"; }

const char* CellText(uxTableRow* row, int column) {
  const auto* cell = row != nullptr ? dynamic_cast<const uxButton*>(row->getColumn(column)) : nullptr;
  return cell != nullptr ? cell->GetText() : "";
}

uxValueLabel* ChoiceLabel(PageServices* services, const char* caption, uint32_t slot, int16_t x,
                          std::initializer_list<const char*> choices) {
  auto* label = new uxValueLabel(services, -1, slot, uxPOINT(x, 420), 180, 70, 0x303030, 0xC00000, 0xC0C0C0,
                                 0xFFFFFF, 0xA4A4A4, false);
  label->SetLabelText(caption, nullptr, 12);
  for (const char* choice : choices) label->AddEnumText(choice);
  label->SetEncoderMode(8);
  label->SetFloatValue(0.0f, 0);
  label->SetChecked(true, true);
  return label;
}

}  // namespace

appVA_MidiDevices::appVA_MidiDevices(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w,
                                     int16_t h, uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, colour), services_(services) {
  action_ = ChoiceLabel(services, "Action", 0, 10, {"DISABLED", "ENABLE"});
  filter_ = ChoiceLabel(services, "Filter", 8, 210, {kFilterTexts[0], kFilterTexts[1], kFilterTexts[2], kFilterTexts[3]});
  reopen_ = new uxButton(services, "REOPEN", kReopenButton, uxPOINT(410, 330), 180, 65, 0x202020, 0x808080, 0xFFFFFF);
  reopen_->SetText("REOPEN");
  update_ = new uxButton(services, "UPDATE", kUpdateButton, uxPOINT(610, 330), 180, 65, 0x202020, 0x808080, 0xFFFFFF);
  update_->SetText("UPDATE");
  devices_ = new uxTableCtrl(services, kDevicesTable, "Devices", kDevicesAt, 380, 200, 5, colour);
  ports_ = new uxTableCtrl(services, kPortsTable, "Ports", kPortsAt, 380, 290, kPortRows, colour);
  AddElement(action_);
  AddElement(filter_);
  AddElement(reopen_);
  AddElement(update_);
  AddElement(devices_);
  AddElement(ports_);
  FillPortList();
  FillDeviceList();
  OpenPorts();
  ShowNoPort();
  repaint_ = true;
}

// Action and Filter are a port's values: with none selected they show a dash, not the
// values of the port chosen last or of a device choice that changed no port.
void appVA_MidiDevices::ShowNoPort() {
  for (uxValueLabel* label : {action_, filter_}) {
    label->SetFloatValue(0.0f, kLabelFlags);
    label->SetActive(false, true);
    label->setRepaint();
  }
}

int appVA_MidiDevices::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

std::string appVA_MidiDevices::DeviceName(int row) const { return CellText(devices_->getRow(row), 1); }
std::string appVA_MidiDevices::PortDevice(int row) const { return CellText(ports_->getRow(row), 2); }

const char* appVA_MidiDevices::FilterPicture(int row) const {
  return row >= 0 && row < kPorts ? kFilterPictures[pictureShown_[row]] : "";
}

void appVA_MidiDevices::SetPortColour(int row, uxCOLOR colour) {
  portColour_[row] = colour;
  if (portCells_[row] != nullptr) portCells_[row]->SetColor(ButtonTextColor, colour);
}

void appVA_MidiDevices::FillPortList() {
  ports_->Clear();
  CDeviceConfig& config = services_->DeviceConfig();
  for (int row = 0; row < kPortRows; ++row) {
    const int16_t y = static_cast<int16_t>(kPortsAt.y + (row < kPorts ? 53 * row : 229));
    auto* tableRow = new uxTableRow(ports_, row + 1, 0, kRowHeight, "ROW");
    auto* nameCell = new uxButton(services_, static_cast<unsigned>(-(row + 1)), uxPOINT(kPortsAt.x, y), 80, 40,
                                  0x101010, 0x303030, 0xFFFFFF);
    nameCell->SetText(kPortNames[row]);
    tableRow->addColumn(nameCell);
    const MidiPortConfig* port = row < kPorts ? config.Port(row) : nullptr;
    if (port != nullptr) {
      auto* picture = new uxImage(services_, uxPOINT(static_cast<int16_t>(kPortsAt.x + 80), y), kFilterPictures[0]);
      for (int f = 1; f < kFilters; ++f) picture->addImage(kFilterPictures[f]);
      const int filter = port->Filter >= 0 && port->Filter < kFilters ? port->Filter : 0;
      picture->showImage(filter);
      pictureShown_[row] = filter;
      pictures_[row] = picture;
      tableRow->addColumn(picture);
    } else {
      auto* blank = new uxButton(services_, static_cast<unsigned>(-1), uxPOINT(static_cast<int16_t>(kPortsAt.x + 80), y),
                                 40, 40, 0x101010, 0x101010, 0x101010);
      tableRow->addColumn(blank);
    }
    const uxCOLOR colour = port != nullptr && port->Enabled ? kOn : kOff;
    auto* device = new uxButton(services_, static_cast<unsigned>(-1), uxPOINT(static_cast<int16_t>(kPortsAt.x + 120), y),
                                260, 40, 0x101010, 0x303030, colour);
    if (port != nullptr) device->SetText(port->Device.c_str());
    portCells_[row] = device;
    portColour_[row] = colour;
    tableRow->addColumn(device);
    ports_->addRow(tableRow);
  }
  ports_->setRepaint();
}

void appVA_MidiDevices::FillDeviceList() {
  devices_->Clear();
  CAlsaMidi& alsa = services_->MidiPorts();
  alsa.ScanDevices();
  SetPortColour(kCtrlRow, kOff);
  for (int i = 0; i < kDeviceRows; ++i) {
    const int16_t y = static_cast<int16_t>(kDevicesAt.y + kRowHeight * i);
    auto* row = new uxTableRow(devices_, i + 1, 0, kRowHeight, "ROW");
    auto* number = new uxButton(services_, static_cast<unsigned>(-1), uxPOINT(kDevicesAt.x, y), 30, 40, 0x303030,
                                0x545454, 0x808080);
    char text[8];
    std::snprintf(text, sizeof text, "%d", i + 1);
    number->SetText(text);
    std::string name = i == 0 ? "DIN-MIDI" : i - 1 < alsa.PortCount() ? alsa.Port(i - 1).name : kNoDevice;
    uxCOLOR colour = kOn;
    if (IsPadController(name)) {
      // A pad controller belongs to the clip launcher, not to a port.
      colour = kOff;
      if (portCells_[kCtrlRow] != nullptr) portCells_[kCtrlRow]->SetText(name.c_str());
      SetPortColour(kCtrlRow, kOn);
    }
    auto* cell = new uxButton(services_, static_cast<unsigned>(-1),
                              uxPOINT(static_cast<int16_t>(kDevicesAt.x + 30), y), 320, 40,
                              i % 2 ? 0x000000 : 0x202020, 0x545454, colour);
    cell->SetText(name.c_str());
    deviceCells_[i] = cell;
    deviceColour_[i] = colour;
    row->addColumn(number);
    row->addColumn(cell);
    devices_->addRow(row);
  }
  devices_->setRepaint();
  ports_->setRepaint();
}

void appVA_MidiDevices::OpenPorts() {
  CAlsaMidi& alsa = services_->MidiPorts();
  CDeviceConfig& config = services_->DeviceConfig();
  for (int i = 0; i < alsa.PortCount(); ++i) alsa.ClosePort(i);
  for (int p = 0; p < kPorts; ++p) {
    MidiPortConfig* port = config.Port(p);
    int row = 0;
    for (int r = 0; r < kPorts; ++r)
      if (PortDevice(r) == port->Device) {
        row = r;
        break;
      }
    open_[p] = false;
    if (!port->Enabled) continue;
    portNumber_[p] = row;
    if (IsSerialInput(port->Device)) {
      port->Type = 0;
      if (CMidiDev* serial = services_->MidiDevice()) serial->SetPortNumber(static_cast<uint8_t>(row));
      continue;
    }
    port->Type = 1;
    const bool opened = alsa.OpenPortByName(port->Device.c_str(), row) == 0;
    open_[p] = opened;
    SetPortColour(p, opened ? kOn : kOff);
  }
  ports_->setRepaint();
}

void appVA_MidiDevices::CheckPorts() {
  CAlsaMidi& alsa = services_->MidiPorts();
  CDeviceConfig& config = services_->DeviceConfig();
  for (int p = 0; p < kPorts; ++p) {
    const MidiPortConfig* port = config.Port(p);
    if (!port->Enabled) continue;
    int open = 0, readError = 0, run = 0;
    if (alsa.GetPortState(port->Device.c_str(), open, readError, run) == 1 && readError != 0) {
      SetPortColour(p, kFailed);
      ports_->setRepaint();
    }
  }
}

// Without a selected port there is no record to change: the CTRL row clears the selection,
// and a device chosen or a value turned then must not land on whichever port was last.
void appVA_MidiDevices::SetPortEnabled(bool on) {
  if (!HasPort()) return;
  MidiPortConfig* port = services_->DeviceConfig().Port(selectedPort_);
  open_[selectedPort_] = false;
  port->Enabled = on ? 1 : 0;
  SetPortColour(selectedPort_, on ? kOn : kOff);
}

void appVA_MidiDevices::SetPortFilter(int filter) {
  if (!HasPort()) return;
  services_->DeviceConfig().Port(selectedPort_)->Filter = filter;
  if (filter < 0 || filter >= kFilters) return;
  pictureShown_[selectedPort_] = filter;
  if (pictures_[selectedPort_] != nullptr) pictures_[selectedPort_]->showImage(filter);
}

void appVA_MidiDevices::AssignDevice(const std::string& name) {
  if (!HasPort()) return;
  if (portCells_[selectedPort_] != nullptr) portCells_[selectedPort_]->SetText(name.c_str());
  portNumber_[selectedPort_] = selectedPort_;
  services_->DeviceConfig().Port(selectedPort_)->Device = name;
}

void appVA_MidiDevices::ShowPortValues(int port) {
  const MidiPortConfig* record = services_->DeviceConfig().Port(port);
  if (record == nullptr || port >= kPorts) return;
  action_->SetActive(true);
  filter_->SetActive(true);
  action_->SetFloatValue(record->Enabled ? 1.0f : 0.0f, kLabelFlags);
  filter_->SetFloatValue(static_cast<float>(record->Filter), kLabelFlags);
}

void appVA_MidiDevices::ApplyValue(int slot, float value) {
  if (slot == 0) {
    SetPortEnabled(value == 1.0f);
    OpenPorts();
  } else if (slot == 8) {
    SetPortFilter(static_cast<int>(value));
  } else {
    return;
  }
  services_->DeviceConfig().ArmSave(kSaveDelay);
  ports_->setRepaint();
}

void appVA_MidiDevices::OnDeviceChosen() {
  uxTableRow* row = devices_->getSelectedRow();
  if (row == nullptr) return;
  std::string name = CellText(row, 1);
  if (name == kNoDevice) name = "-";
  const bool some = name != "-";
  SetPortEnabled(some);
  SetPortFilter(some ? kNotesAndControllers : 0);
  if (HasPort()) {
    action_->SetFloatValue(some ? 1.0f : 0.0f, kLabelFlags);
    filter_->SetFloatValue(some ? static_cast<float>(kNotesAndControllers) : 0.0f, kLabelFlags);
  }
  if (IsPadController(name)) return;
  AssignDevice(name);
  OpenPorts();
  services_->DeviceConfig().ArmSave(kSaveDelay);
  ports_->setRepaint();
}

void appVA_MidiDevices::OnPortChosen() {
  const int row = ports_->getRowIndex(ports_->getSelectedRow());
  if (row < 0 || row >= kPorts) {
    ports_->deselectRow();
    selectedPort_ = -1;
    ShowNoPort();
    return;
  }
  selectedPort_ = row;
  ShowPortValues(row);
  devices_->deselectRow();
  const std::string device = services_->DeviceConfig().Port(row)->Device;
  for (int i = 0; i < devices_->getRowCount(); ++i)
    if (DeviceName(i) == device) devices_->selectRow(i);
  devices_->ScrollToSelected();
}

int appVA_MidiDevices::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  if (msg->type == UX_MSG_TABLE_ITEM_SEL) {
    if (msg->pData == devices_) OnDeviceChosen();
    if (msg->pData == ports_) OnPortChosen();
    return result;
  }
  if (!isFocus()) return result;
  switch (msg->type) {
    case UX_MSG_TICK_EVENT:
      if (ticks_++ % kCheckTicks == 0) CheckPorts();
      if (reopenLamp_ > 0 && --reopenLamp_ == 0) reopen_->SetChecked(false, true);
      if (updateLamp_ > 0 && --updateLamp_ == 0) update_->SetChecked(false, true);
      break;
    case UX_MSG_ON_BUTTON:
      if (static_cast<int>(msg->param) == kUpdateButton) {
        FillDeviceList();
        update_->SetChecked(true, true);
        updateLamp_ = kLampTicks;
      } else if (static_cast<int>(msg->param) == kReopenButton) {
        OpenPorts();
        ports_->setRepaint();
        reopen_->SetChecked(true, true);
        reopenLamp_ = kLampTicks;
      }
      break;
    case UX_MSG_CLOSE_PANEL:
      // Another panel opens over this one.
      if (msg->param != GetUserData()) Close(msg->flag == 0);
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if ((msg->param & 3) == 0 && action_->isChecked()) ApplyValue(0, action_->GetFloatValue());
      if ((msg->param & 3) == 1 && filter_->isChecked()) ApplyValue(8, filter_->GetFloatValue());
      break;
    default:
      break;
  }
  return result;
}
