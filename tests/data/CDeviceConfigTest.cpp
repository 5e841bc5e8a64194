#include "data/CDeviceConfig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Paths.h"
#include "tests/data/DocumentFiles.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

using document_files::Read;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>";

std::string Describe(const MidiPortConfig& p) {
  return std::to_string(p.Nr) + " " + std::to_string(p.Enabled) + " " + std::to_string(p.Filter) + " " +
         std::to_string(p.Type) + " " + p.Device;
}

std::vector<std::string> Ports(const CDeviceConfig& c) {
  std::vector<std::string> v;
  for (int i = 0; i < CDeviceConfig::kPorts; ++i) v.push_back(Describe(*c.Port(i)));
  return v;
}

const std::vector<std::string> kUnconfigured(5, "-1 0 0 0 -");

class DeviceConfigFile : public ::testing::Test {
 protected:
  std::string File(const std::string& name) const { return working_ + "/" + name + ".xml"; }

  testing_support::TempDataRoot root_;
  std::string working_ = root_.MakeDir("/var/lib/ruv/working");
};

TEST_F(DeviceConfigFile, StoreWritesFivePortsAndLoadRestoresThem) {
  CDeviceConfig a;
  EXPECT_EQ(Ports(a), kUnconfigured);
  *a.Port(0) = {1, 1, 2, "USB MIDI \"Keys\" & Pads", 3};
  *a.Port(3) = {4, 0, 1, "DIN", 1};
  EXPECT_EQ(a.Port(5), nullptr);
  EXPECT_EQ(a.Port(-1), nullptr);
  ASSERT_EQ(a.XMLStoreDeviceConfig("DeviceConfig"), 1);
  EXPECT_EQ(Read(File("DeviceConfig")),
            kDecl +
                "\n<DEVICE_CONFIG SynthType=\"PX415\" Version=\"1\">"
                "\n\t<MIDI_DEVICES>"
                "\n\t\t<PORT Nr=\"1\" Enabled=\"1\" Filter=\"2\" Type=\"3\" Device=\"USB MIDI &quot;Keys&quot; &amp; Pads\">"
                "\n\t\t</PORT>"
                "\n\t\t<PORT Nr=\"2\" Enabled=\"0\" Filter=\"0\" Type=\"0\" Device=\"-\">\n\t\t</PORT>"
                "\n\t\t<PORT Nr=\"3\" Enabled=\"0\" Filter=\"0\" Type=\"0\" Device=\"-\">\n\t\t</PORT>"
                "\n\t\t<PORT Nr=\"4\" Enabled=\"0\" Filter=\"1\" Type=\"1\" Device=\"DIN\">\n\t\t</PORT>"
                "\n\t\t<PORT Nr=\"5\" Enabled=\"0\" Filter=\"0\" Type=\"0\" Device=\"-\">\n\t\t</PORT>"
                "\n\t</MIDI_DEVICES>"
                "\n</DEVICE_CONFIG>");
  CDeviceConfig b;
  testing_support::LogCapture log;
  EXPECT_EQ(b.XMLLoadDeviceConfig("DeviceConfig"), 5);
  EXPECT_EQ(log.Text(), "XMLLoad DeviceConfig: OK params:5 (parsed:5)\r\n");
  // A port never configured comes back numbered by its position.
  EXPECT_EQ(Ports(b), (std::vector<std::string>{"1 1 2 3 USB MIDI \"Keys\" & Pads", "2 0 0 0 -", "3 0 0 0 -",
                                                "4 0 1 1 DIN", "5 0 0 0 -"}));
}

TEST_F(DeviceConfigFile, PortsAreTakenWhereverTheyStandAndOnlyForNumbers1To5) {
  struct Case {
    const char* what;
    const char* body;
    int parsed;
    std::vector<std::string> ports;
  };
  const std::vector<Case> cases = {
      {"enabled 2 is enabled, under the reader's grouping name",
       "<MIDI_PORTS><PORT Nr=\"2\" Enabled=\"2\" Filter=\"1\" Type=\"4\" Device=\"A\"/></MIDI_PORTS>", 1,
       {"-1 0 0 0 -", "2 1 1 4 A", "-1 0 0 0 -", "-1 0 0 0 -", "-1 0 0 0 -"}},
      {"directly under the root, attributes carried over",
       "<PORT Nr=\"1\" Enabled=\"-7\" Filter=\"9\" Type=\"2\" Device=\"A\"/><PORT Nr=\"5\"/>", 2,
       {"1 1 9 2 A", "-1 0 0 0 -", "-1 0 0 0 -", "-1 0 0 0 -", "5 1 9 2 A"}},
      {"numbers outside 1-5 ignored and not counted",
       "<PORT Nr=\"6\" Device=\"X\"/><PORT Nr=\"0\"/><PORT Nr=\"-1\"/><PORT Nr=\"-2147483648\"/>"
       "<PORT Nr=\"99999999999\"/><PORT/>",
       0, kUnconfigured},
      {"a later port of the same number wins", "<PORT Nr=\"3\" Device=\"A\"/><PORT Nr=\"3\" Device=\"B\"/>", 2,
       {"-1 0 0 0 -", "-1 0 0 0 -", "3 0 0 0 B", "-1 0 0 0 -", "-1 0 0 0 -"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    document_files::Write(File("t"), kDecl + "<DEVICE_CONFIG SynthType=\"PX415\" Version=\"1\">" + c.body +
                                         "</DEVICE_CONFIG>");
    CDeviceConfig config;
    EXPECT_EQ(config.XMLLoadDeviceConfig("t"), c.parsed);
    EXPECT_EQ(Ports(config), c.ports);
  }
}

TEST_F(DeviceConfigFile, FailedLoadLeavesEveryPortUnconfigured) {
  document_files::Write(File("good"), kDecl + "<DEVICE_CONFIG><PORT Nr=\"1\" Enabled=\"1\" Device=\"A\"/></DEVICE_CONFIG>");
  CDeviceConfig config;
  ASSERT_EQ(config.XMLLoadDeviceConfig("good"), 1);
  testing_support::LogCapture log;
  EXPECT_EQ(config.XMLLoadDeviceConfig("missing"), 0);
  EXPECT_EQ(log.Text(), "XMLLoad DeviceConfig: ERROR: 1\r\n");
  EXPECT_EQ(Ports(config), kUnconfigured);
  EXPECT_EQ(config.Path(), "/var/lib/ruv/working/missing.xml");
}

TEST_F(DeviceConfigFile, StoreWithoutNameUsesTheLastPath) {
  CDeviceConfig config;
  EXPECT_EQ(config.XMLStoreDeviceConfig(nullptr), 0);
  EXPECT_EQ(config.XMLStoreDeviceConfig(""), 0);
  EXPECT_EQ(config.XMLStoreDeviceConfig("../DeviceConfig"), 0);
  EXPECT_TRUE(document_files::FilesBelow(root_.Root()).empty());
  config.XMLLoadDeviceConfig("Other");
  EXPECT_EQ(config.XMLStoreDeviceConfig(nullptr), 1);
  EXPECT_EQ(document_files::FilesBelow(root_.Root()), std::vector<std::string>{File("Other")});
}

}  // namespace
