// The MIDI set-up pages alone on the page rig: part and external-track inputs, the clock
// settings, the device list with the raw-MIDI ports over the stand-in sound system, and the
// main page that holds them.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pages/midi/appVA_MidiDevices.h"
#include "pages/midi/appVA_MidiMain.h"
#include "pages/midi/appVA_MidiPart.h"
#include "pages/midi/appVA_MidiSettingsClock.h"
#include "pages/midi/appVA_MidiSettingsTrack.h"
#include "pages/widgets/uxPianoCtrl.h"
#include "platform/Paths.h"
#include "tests/app/PageRig.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

const uxPOINT kAt{0, 80};

template <class Rig>
std::vector<std::string> Calls(Rig& rig, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& c : rig.services.Take())
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  return out;
}

// Only the label given is checked on its encoder.
void CheckOnly(MidiInputPage& page, int setting) {
  const int slot = page.LabelOf(setting)->GetUserData();
  for (int i = 0; i < page.LabelCount(); ++i)
    if (static_cast<int>(page.Label(i)->GetUserData()) / 8 == slot / 8) page.Label(i)->SetChecked(false, false);
  page.LabelOf(setting)->SetChecked(true, false);
}

// ---- main page ----

TEST(MidiMainPage, TabsAndKeyboards) {
  testing_support::TempDataRoot root;
  page_rig::PageRig<appVA_MidiMain> rig;
  appVA_MidiMain& page = rig.Build(0u, "PANEL_MIDIIN", uxPOINT(0, 40), 800, 440, 0x404040);
  const std::vector<std::pair<unsigned, std::string>> expected = {
      {0, " IN-A "}, {1, " IN-B "},  {2, " IN-C "}, {3, " IN-D "},
      {10, "IO-ET1"}, {11, "IO-ET2"}, {15, "Clock"}, {static_cast<unsigned>(-1), "DEVICES"}};
  ASSERT_EQ(page.Tabs()->GetTabCount(), static_cast<int>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(page.Tabs()->GetTabItem(static_cast<int>(i))->GetUserData(), expected[i].first);
    EXPECT_EQ(page.Tabs()->GetTabItem(static_cast<int>(i))->getTabName(), expected[i].second);
  }
  EXPECT_EQ(page.Tabs()->getActiveTab(), 0);
  ASSERT_EQ(rig.services.keyMonitor, &page);

  // A note reaches the keyboard whose number is channel & 0x0F; the stop code clears it.
  rig.services.keyMonitor->ShowKey(0x80 | 11, 0x90, 40);
  rig.services.keyMonitor->ShowKey(2, 0x90, 41);
  EXPECT_NE(page.InputPage(5)->Keyboard()->KeyFlags(40) & uxPianoCtrl::kSecond, 0);
  EXPECT_NE(page.InputPage(2)->Keyboard()->KeyFlags(41) & uxPianoCtrl::kMarked, 0);
  EXPECT_EQ(page.InputPage(0)->Keyboard()->KeyFlags(41) & uxPianoCtrl::kMarked, 0);
  rig.services.keyMonitor->ShowKey(2, 12, 0);
  EXPECT_EQ(page.InputPage(2)->Keyboard()->KeyFlags(41) & uxPianoCtrl::kMarked, 0);
}

// ---- part page ----

class MidiPartPage : public ::testing::Test {
 protected:
  appVA_MidiPart& Build(int part) {
    appVA_MidiPart& page = rig.Build(part, "IN-A", kAt, 800, 400, 0x101010);
    rig.Show();
    rig.services.Take();
    return page;
  }
  uint32_t Uid(int part, int setting) { return 0x100000u | static_cast<uint32_t>(part) << 12 | setting; }

  testing_support::TempDataRoot root;
  page_rig::PageRig<appVA_MidiPart> rig;
};

TEST_F(MidiPartPage, LabelsCarryThePartsSettingUids) {
  appVA_MidiPart& page = Build(2);
  ASSERT_EQ(page.LabelCount(), 7);
  for (int setting = 0xC8; setting <= 0xCE; ++setting)
    EXPECT_EQ(static_cast<uint32_t>(page.LabelOf(setting)->GetID()), Uid(2, setting)) << setting;
}

TEST_F(MidiPartPage, LoadValuesShowsPortKeyRangeAndCurve) {
  struct Case {
    float port;
    const char* text;
    float start, end;
    int rangeEnd;
  };
  const Case cases[] = {{0, "P0:Chn1", 0, 60, 61}, {17, "P1:Chn2", 12, 108, 109}, {47, "P2:Chn16", 96, 109, 110}};
  for (const Case& c : cases) {
    appVA_MidiPart& page = Build(1);
    rig.services.params[static_cast<int>(Uid(1, appVA_MidiPart::kPortChannel))] = c.port;
    rig.services.params[static_cast<int>(Uid(1, appVA_MidiPart::kStart))] = c.start;
    rig.services.params[static_cast<int>(Uid(1, appVA_MidiPart::kEnd))] = c.end;
    rig.services.params[static_cast<int>(Uid(1, appVA_MidiPart::kVelocityCurve))] = 40;
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 0, 0));  // another part's reload
    EXPECT_STREQ(page.InputText(), "");
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 1, 0));
    EXPECT_STREQ(page.InputText(), c.text);
    EXPECT_EQ(page.Keyboard()->RangeStart(), static_cast<int>(c.start));
    EXPECT_EQ(page.Keyboard()->RangeEnd(), c.rangeEnd);
    EXPECT_EQ(page.CurveAmount(), -40.0f);
    EXPECT_EQ(page.LabelOf(appVA_MidiPart::kEnd)->GetFloatRawValue(), c.end);
    // A range end past the last key marks none and reads nothing outside.
    EXPECT_EQ(page.Keyboard()->KeyFlags(c.rangeEnd) & uxPianoCtrl::kRangeEnd, c.rangeEnd > 109 ? 0 : uxPianoCtrl::kRangeEnd);
    rig.Paint();
  }
}

TEST_F(MidiPartPage, TurnsStopThePartOnlyForInputRangeAndTransposition) {
  struct Case {
    int setting;
    uint16_t encoder;
    bool stops;
  };
  const Case cases[] = {
      {appVA_MidiPart::kPortChannel, 144, true}, {appVA_MidiPart::kStart, 145, true},
      {appVA_MidiPart::kEnd, 146, true},         {appVA_MidiPart::kTranspose, 147, true},
      {appVA_MidiPart::kBendUp, 144, false},     {appVA_MidiPart::kBendDown, 144, false},
      {appVA_MidiPart::kVelocityCurve, 145, false},
  };
  for (const Case& c : cases) {
    appVA_MidiPart& page = Build(3);
    CheckOnly(page, c.setting);
    rig.Encoder(c.encoder, 130);
    EXPECT_EQ(Calls(rig, "SendPartStop"), c.stops ? std::vector<std::string>{"SendPartStop 3"} : std::vector<std::string>{})
        << std::hex << c.setting;
  }
  appVA_MidiPart& page = Build(0);
  CheckOnly(page, appVA_MidiPart::kPortChannel);
  page.ApplyValue(0, 17);
  EXPECT_STREQ(page.InputText(), "P1:Chn2");
  page.ApplyValue(16, 60);
  EXPECT_EQ(page.Keyboard()->RangeEnd(), 61);
  page.ApplyValue(9, 25);
  EXPECT_EQ(page.CurveAmount(), -25.0f);
}

// ---- external-track pages ----

TEST(MidiTrackPage, PortTextsAndStops) {
  testing_support::TempDataRoot root;
  page_rig::PageRig<appVA_MidiSettingsTrack> rig;
  appVA_MidiSettingsTrack& page = rig.Build(10, "IO-ET1", kAt, 800, 400, 0x101010);
  rig.Show();
  rig.services.params[0x10A000 | appVA_MidiSettingsTrack::kInPortChannel] = 26;
  rig.services.params[0x10A000 | appVA_MidiSettingsTrack::kOutPortChannel] = 33;
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 10, 0));
  EXPECT_STREQ(page.InputText(), "I P1:Chn11");
  EXPECT_STREQ(page.OutputText(), "O P2:Chn2");
  rig.services.Take();

  CheckOnly(page, appVA_MidiSettingsTrack::kOutPortChannel);
  rig.Encoder(144, 130);
  EXPECT_TRUE(Calls(rig, "SendPartStop").empty());
  CheckOnly(page, appVA_MidiSettingsTrack::kInPortChannel);
  rig.Encoder(144, 130);
  EXPECT_EQ(Calls(rig, "SendPartStop"), std::vector<std::string>{"SendPartStop 10"});

  appVA_MidiSettingsTrack& second = rig.Build(11, "IO-ET2", kAt, 800, 400, 0x101010);
  rig.Show();
  rig.services.Take();
  for (uint16_t encoder : {145, 146, 147}) {
    rig.Encoder(encoder, 130);
    EXPECT_EQ(Calls(rig, "SendPartStop"), std::vector<std::string>{"SendPartStop 11"}) << encoder;
  }
  EXPECT_EQ(static_cast<uint32_t>(second.LabelOf(appVA_MidiSettingsTrack::kEnd)->GetID()), 0x10B0CAu);
}

// ---- clock page ----

TEST(MidiClockPage, SwitchesFollowValuesAndTempoShowsTheExternalClock) {
  testing_support::TempDataRoot root;
  page_rig::PageRig<appVA_MidiSettingsClock> rig;
  appVA_MidiSettingsClock& page = rig.Build(15, "Clock", kAt, 800, 400, "MidiClockSetting.png");
  rig.Show();
  EXPECT_STREQ(page.SwitchPicture(0), "sw-l2r1-down.png");
  rig.Encoder(144, 130);  // two detents a choice: Clock Src to EXT
  rig.Encoder(144, 130);
  EXPECT_STREQ(page.Label(0)->getText(), "EXT");
  EXPECT_STREQ(page.SwitchPicture(0), "sw-l2r1-up.png");

  rig.services.params[0x10F000 | appVA_MidiSettingsClock::kTransportOut] = 1;
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 15, 0));
  EXPECT_STREQ(page.SwitchPicture(0), "sw-l2r1-down.png");
  EXPECT_STREQ(page.SwitchPicture(3), "sw-l1r1-closed.png");
  EXPECT_STREQ(page.SwitchPicture(2), "sw-l1r1-open.png");

  rig.services.tempo = 133.7;
  rig.services.externalClock = true;
  rig.Tick();
  EXPECT_STREQ(page.TempoText(), "133");
  EXPECT_EQ(page.TempoColour(), appVA_MidiSettingsClock::kTempoExternal);
  EXPECT_FALSE(rig.services.externalClock);  // the read clears it
  rig.Tick();
  EXPECT_EQ(page.TempoColour(), appVA_MidiSettingsClock::kTempoInternal);
}

// ---- devices page ----

using Card = FakeRawMidiBackend::Card;

class MidiDevicesPage : public ::testing::Test {
 protected:
  void Cards(const std::vector<std::string>& names) {
    rig.services.midiBackend.cards.clear();
    int n = 1;
    for (const std::string& name : names) rig.services.midiBackend.cards.push_back(Card{n++, {{0, name, {{"", true, false}}}}, 0, 0});
  }
  appVA_MidiDevices& Build() {
    appVA_MidiDevices& page = rig.Build(static_cast<uint32_t>(-1), "MIDI-DEV", kAt, 800, 400, 0);
    rig.Show();
    return page;
  }
  void Select(appVA_MidiDevices& page, uxTableCtrl* table, int row) {
    table->selectRow(row);
    rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, row, 0, table));
    (void)page;
  }
  MidiPortConfig& Port(int p) { return *rig.services.deviceConfig.Port(p); }

  testing_support::TempDataRoot root;
  page_rig::PageRig<appVA_MidiDevices> rig;
};

TEST_F(MidiDevicesPage, DeviceListWithoutPortsAndWithPadControllers) {
  appVA_MidiDevices& page = Build();
  EXPECT_EQ(page.DeviceName(0), "DIN-MIDI");
  for (int i = 1; i < 10; ++i) EXPECT_EQ(page.DeviceName(i), "  -  ") << i;

  for (const char* pad : {"APC MINI", "APC mini mk2", "SmartPAD", "Launchpad Pro MK3"}) {
    Cards({"Keys", pad});
    appVA_MidiDevices& again = Build();
    EXPECT_EQ(again.DeviceName(1), "Keys");
    EXPECT_EQ(again.DeviceRowColour(1), appVA_MidiDevices::kOn);
    EXPECT_EQ(again.DeviceName(2), pad);
    EXPECT_EQ(again.DeviceRowColour(2), appVA_MidiDevices::kOff);
    EXPECT_EQ(again.PortDevice(appVA_MidiDevices::kCtrlRow), pad);
    EXPECT_EQ(again.PortColour(appVA_MidiDevices::kCtrlRow), appVA_MidiDevices::kOn);
  }
}

TEST_F(MidiDevicesPage, ChoosingADeviceAssignsOpensAndArmsTheSave) {
  Cards({"Keys"});
  appVA_MidiDevices& page = Build();
  Select(page, page.PortsTable(), 1);
  ASSERT_EQ(page.SelectedPort(), 1);
  Select(page, page.DevicesTable(), 1);
  EXPECT_EQ(Port(1).Device, "Keys");
  EXPECT_EQ(Port(1).Enabled, 1);
  EXPECT_EQ(Port(1).Filter, 3);
  EXPECT_EQ(Port(1).Type, 1);
  EXPECT_TRUE(page.PortOpen(1));
  EXPECT_EQ(page.PortNumber(1), 1);
  EXPECT_EQ(page.PortColour(1), appVA_MidiDevices::kOn);
  EXPECT_STREQ(page.FilterPicture(1), "Filter_CC-Note.png");
  EXPECT_EQ(page.Action()->GetFloatValue(), 1.0f);
  EXPECT_EQ(page.Filter()->GetFloatValue(), 3.0f);
  EXPECT_EQ(rig.services.deviceConfig.SaveCountdown(), 1720);
  EXPECT_EQ(rig.services.midiPorts->Port(0).open.load(), 1);

  // "  -  " disables with no filter.
  Select(page, page.DevicesTable(), 5);
  EXPECT_EQ(Port(1).Device, "-");
  EXPECT_EQ(Port(1).Enabled, 0);
  EXPECT_EQ(Port(1).Filter, 0);
  EXPECT_EQ(page.PortColour(1), appVA_MidiDevices::kOff);
  EXPECT_EQ(rig.services.midiPorts->Port(0).open.load(), 0);
}

TEST_F(MidiDevicesPage, PadControllerOnlyEnablesAndCtrlRowSelectsNothing) {
  Cards({"Launchpad Pro MK3"});
  appVA_MidiDevices& page = Build();
  Port(0).Device = "Keys";
  Select(page, page.PortsTable(), 0);
  Select(page, page.DevicesTable(), 1);
  EXPECT_EQ(Port(0).Device, "Keys");
  EXPECT_EQ(Port(0).Enabled, 1);
  EXPECT_EQ(Port(0).Filter, 3);
  EXPECT_EQ(rig.services.deviceConfig.SaveCountdown(), 0);

  // Without a port row nothing reaches a port record; Action still reopens.
  Select(page, page.PortsTable(), appVA_MidiDevices::kCtrlRow);
  EXPECT_EQ(page.SelectedPort(), -1);
  EXPECT_EQ(page.PortsTable()->getSelectedRow(), nullptr);
  const MidiPortConfig before = Port(0);
  Select(page, page.DevicesTable(), 0);
  page.ApplyValue(0, 0.0f);
  page.ApplyValue(8, 1.0f);
  EXPECT_EQ(Port(0).Device, before.Device);
  EXPECT_EQ(Port(0).Enabled, before.Enabled);
  EXPECT_EQ(Port(0).Filter, before.Filter);
}

// Action and Filter are the selected port's values: without a port they show a dash, also
// after a device is chosen, which then changes no port.
TEST_F(MidiDevicesPage, WithoutASelectedPortTheLabelsShowNoValues) {
  Cards({"Keys"});
  appVA_MidiDevices& page = Build();
  auto shown = [&] { return page.Action()->isActive() || page.Filter()->isActive(); };
  EXPECT_FALSE(shown());
  Select(page, page.DevicesTable(), 1);
  EXPECT_FALSE(shown());
  Select(page, page.PortsTable(), 1);
  EXPECT_TRUE(page.Action()->isActive());
  EXPECT_TRUE(page.Filter()->isActive());
  Select(page, page.PortsTable(), appVA_MidiDevices::kCtrlRow);
  EXPECT_FALSE(shown());
}

TEST_F(MidiDevicesPage, FilterOutsideTheTableAndUnknownDevices) {
  appVA_MidiDevices& page = Build();
  Select(page, page.PortsTable(), 2);
  page.SetPortFilter(2);
  EXPECT_STREQ(page.FilterPicture(2), "Filter_CC.png");
  page.SetPortFilter(7);
  EXPECT_EQ(Port(2).Filter, 7);
  EXPECT_STREQ(page.FilterPicture(2), "Filter_CC.png");

  // A name no port carries opens nothing and stays grey.
  page.SetPortEnabled(true);
  page.AssignDevice("Gone");
  page.OpenPorts();
  EXPECT_FALSE(page.PortOpen(2));
  EXPECT_EQ(page.PortColour(2), appVA_MidiDevices::kOff);
}

TEST_F(MidiDevicesPage, ReadErrorAtTheTwentiethTick) {
  Cards({"Keys"});
  Port(0).Device = "Keys";
  Port(0).Enabled = 1;
  appVA_MidiDevices& page = Build();
  rig.Tick();  // tick 0 checks: all well
  EXPECT_EQ(page.PortColour(0), appVA_MidiDevices::kOn);
  rig.services.midiBackend.InjectReadError("hw:1,0", -EIO, 1000000);
  for (int i = 0; i < 500 && rig.services.midiPorts->Port(0).readError.load() == 0; ++i) usleep(1000);
  for (int i = 1; i < 20; ++i) rig.Tick();
  EXPECT_EQ(page.PortColour(0), appVA_MidiDevices::kOn);
  rig.Tick();  // tick 20
  EXPECT_EQ(page.PortColour(0), appVA_MidiDevices::kFailed);

  rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, appVA_MidiDevices::kReopenButton, 0));
  rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, appVA_MidiDevices::kUpdateButton, 0));
  for (int i = 0; i < 14; ++i) rig.Tick();
  EXPECT_TRUE(page.ReopenButton()->isChecked());
  EXPECT_TRUE(page.UpdateButton()->isChecked());
  rig.Tick();
  EXPECT_FALSE(page.ReopenButton()->isChecked());
  EXPECT_FALSE(page.UpdateButton()->isChecked());
}

TEST_F(MidiDevicesPage, AnotherPanelClosesThePage) {
  struct Case {
    int param, flag;
    bool closes, focusFrame;
  };
  const Case cases[] = {{-1, 0, false, false}, {3, 1, true, false}, {3, 0, true, true}};
  for (const Case& c : cases) {
    appVA_MidiDevices& page = Build();
    rig.services.Take();
    rig.Give(tagUX_Message(UX_MSG_CLOSE_PANEL, c.param, c.flag));
    EXPECT_EQ(page.isFocus(), !c.closes) << c.param << " " << c.flag;
    EXPECT_EQ(Calls(rig, "sendCANFocus 255").size(), c.focusFrame ? 1u : 0u) << c.param << " " << c.flag;
  }
}

TEST_F(MidiDevicesPage, DelayedSaveWritesAFileElementTreeReads) {
  std::filesystem::create_directories(platform::DataPath("/var/lib/ruv/working/"));
  ASSERT_EQ(rig.services.deviceConfig.XMLStoreDeviceConfig("DeviceConfig"), 1);
  Cards({"Keys"});
  appVA_MidiDevices& page = Build();
  Select(page, page.PortsTable(), 3);
  Select(page, page.DevicesTable(), 1);
  for (int i = 0; i < 1720; ++i) rig.services.deviceConfig.TickDirty();
  rig.services.deviceConfig.SaveIfDirty();
  const std::string path = platform::DataPath("/var/lib/ruv/working/DeviceConfig.xml");
  const std::string command =
      "python3 -c \"import sys, xml.etree.ElementTree as E; r = E.parse(sys.argv[1]).getroot(); "
      "print(';'.join(sorted(str(sorted(e.attrib.items())) for e in r.iter() if e.attrib)))\" '" + path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char out[4096] = {};
  const std::size_t n = std::fread(out, 1, sizeof out - 1, pipe);
  EXPECT_EQ(pclose(pipe), 0);
  const std::string parsed(out, n);
  EXPECT_NE(parsed.find("Keys"), std::string::npos) << parsed;
}

TEST_F(MidiDevicesPage, GoldenPicture) {
  Cards({"Keys", "APC MINI"});
  Port(0).Device = "Keys";
  Port(0).Enabled = 1;
  Port(0).Filter = 3;
  appVA_MidiDevices& page = Build();
  Select(page, page.PortsTable(), 0);
  rig.dc.FillScreen(0);
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("midi_devices_page", rig.Screen()));
}

TEST(MidiPagesGolden, PartTrackAndClock) {
  testing_support::TempDataRoot root;
  {
    page_rig::PageRig<appVA_MidiPart> rig;
    rig.Build(0, "IN-A", kAt, 800, 400, 0x101010);
    rig.services.params[0x1000C8] = 17;
    rig.services.params[0x1000C9] = 24;
    rig.services.params[0x1000CA] = 84;
    rig.services.params[0x1000CE] = 30;
    rig.Show();
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 0, 0));
    rig.services.keyMonitor = nullptr;
    rig.page().Keyboard()->SetKey(48, false);
    rig.dc.FillScreen(0);
    rig.Paint();
    EXPECT_TRUE(toolkit_test::MatchesGolden("midi_part_page", rig.Screen()));
  }
  {
    page_rig::PageRig<appVA_MidiSettingsTrack> rig;
    rig.Build(10, "IO-ET1", kAt, 800, 400, 0x101010);
    rig.services.params[0x10A0C8] = 26;
    rig.services.params[0x10A0CF] = 26;
    rig.services.params[0x10A0CA] = 109;
    rig.Show();
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 10, 0));
    rig.dc.FillScreen(0);
    rig.Paint();
    EXPECT_TRUE(toolkit_test::MatchesGolden("midi_track_page", rig.Screen()));
  }
  {
    page_rig::PageRig<appVA_MidiSettingsClock> rig;
    rig.Build(15, "Clock", kAt, 800, 400, "MidiClockSetting.png");
    rig.services.params[0x10F0D0] = 1;
    rig.Show();
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 15, 0));
    rig.services.externalClock = true;
    rig.services.tempo = 98.6;
    // The tick's paint is the page's first: a later full repaint would draw the panel over
    // labels that do not repaint with it.
    rig.Tick();
    EXPECT_TRUE(toolkit_test::MatchesGolden("midi_clock_page", rig.Screen()));
  }
}

}  // namespace
