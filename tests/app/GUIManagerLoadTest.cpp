// Loading and storing through the GUIManager, on the real documents under a temporary data
// root, with a real audio process whose engine writes down every call it gets.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/GUIManager.h"
#include "audio/CAudioProcess.h"
#include "data/CDataSets.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/StandardPages.h"
#include "pages/widgets/uxPopupWT.h"
#include "data/WaveTable.h"
#include "platform/MemoryFrameBuffer.h"
#include "tests/app/LoadFixtures.h"
#include "tests/audio/AudioProcessFakes.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxMessageBox.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxPopupPB.h"
#include "toolkit/uxTabCtrl.h"

namespace {

using audio_fakes::Journal;

constexpr char kWorking[] = "/var/lib/ruv/working/";

class RecordingManager : public GUIManager {
 public:
  using GUIManager::GUIManager;

 protected:
  void NotifyPages(int param, int flag) override {
    audio_fakes::Note("notify %d %d", param, flag);
    progressSeen.push_back(PopupProgress()->isVisible() && ProgressShown());
  }

 public:
  std::vector<bool> progressSeen;  // whether the progress popup was up at each notification
};

bool Exists(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int CountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<int>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

// Index of the first line beginning with prefix, or -1.
int Find(const std::vector<std::string>& lines, const std::string& prefix) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  return -1;
}

int Count(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<int>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

class GUIManagerLoad : public ::testing::Test {
 protected:
  GUIManagerLoad() : dc(&fb), audio(audio_fakes::Fakes()), gm(&dc, midi, &StandardPages()) {}

  void SetUp() override {
    ASSERT_EQ(dc.Init(), 0);
    audio_fakes::g_journal = &calls;
    ASSERT_EQ(InitAudioProcess(&audio, nullptr), 0);
    calls.Take();  // the sound objects' start-up
    gm.SetAudioProcess(&audio);
    gm.SetSleep([this](uint32_t micros) { sleeps.push_back(micros); });
    for (const char* dir : {"presets/test", "arrangments", "sampler", "clips", "wave/noises"})
      root.MakeDir(std::string(kWorking) + dir);
  }
  void TearDown() override {
    audio.Stop();
    audio_fakes::g_journal = nullptr;
  }

  std::string Working(const std::string& name) const { return root.Root() + kWorking + name; }

  // A preset written by the project's own writer; the part's data set is left as written.
  void WritePreset(int part, const char* name, float value) {
    CDataSets* ds = gm.DataSet(part);
    ds->setParam(FirstEngineCtrl(), 0, 0, value, 0);
    ASSERT_EQ(ds->XMLStorePreset(name), 1);
  }
  uint32_t FirstEngineCtrl() {
    const ParamEntry* e = gm.DataSet(0)->Entries();
    for (int i = 0; i < gm.DataSet(0)->EntryCount(); ++i)
      if (e[i].ctrl < 0x80000 && e[i].instance == 0) return e[i].ctrl;
    return 0;
  }

  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  Journal calls;
  std::vector<uint32_t> sleeps;
  platform::MemoryFrameBuffer fb;
  uxDC dc;
  FakeRawMidiBackend midi;
  CAudioProcess audio;
  RecordingManager gm;
};

TEST_F(GUIManagerLoad, PresetLoadLogsEveryRequestAndSwapsOnlyAfterSuccess) {
  WritePreset(2, "test/good", 0.25f);
  calls.Take();

  EXPECT_EQ(gm.LoadPreset(2, "test/missing", 1, 1), 0);
  EXPECT_NE(log.Text().find("[PART:3] ERROR preset load <test/missing>\n"), std::string::npos);
  EXPECT_EQ(Find(calls.Take(), "swap"), -1);

  EXPECT_EQ(gm.LoadPreset(2, "test/good", 1, 1), 1);
  const auto lines = calls.Take();
  const int notify = Find(lines, "notify 2 0");
  const int swap = Find(lines, "swap 2");
  ASSERT_GE(notify, 0);
  EXPECT_LT(notify, swap);
  EXPECT_EQ(sleeps, std::vector<uint32_t>{50000});

  // Without load only the swap is asked for; without notify the pages hear nothing.
  EXPECT_EQ(gm.LoadPreset(2, "test/good", 0, 0), 1);
  EXPECT_EQ(calls.Take(), std::vector<std::string>{"swap 2"});

  EXPECT_EQ(ReadFile(Working("logClient.txt")),
            "MESSAGE <test/missing>\nMESSAGE <test/good>\nMESSAGE <test/good>\n");
}

TEST_F(GUIManagerLoad, MissingPresetKeepsThePartsValues) {
  WritePreset(1, "default", 0.5f);
  EXPECT_EQ(gm.LoadPreset(1, "", 0, 1), 1) << "an empty name loads the default preset";
  WritePreset(0, "test/kept", 0.75f);
  ASSERT_EQ(gm.LoadPreset(0, "test/kept", 0, 1), 1);
  EXPECT_EQ(gm.LoadPreset(0, "test/gone", 0, 1), 0);
  EXPECT_FLOAT_EQ(gm.DataSet(0)->getParam(static_cast<int>(FirstEngineCtrl()), 0), 0.75f);
}

TEST_F(GUIManagerLoad, NonFiniteValuesInAPresetNeverReachTheEngine) {
  WritePreset(0, "test/nan", 0.5f);
  const std::string path = Working("presets/test/nan.preset");
  std::string text = ReadFile(path);
  std::size_t replaced = 0;
  for (std::size_t at = text.find("Value=\""); at != std::string::npos; at = text.find("Value=\"", at + 1)) {
    const std::size_t end = text.find('"', at + 7);
    text.replace(at + 7, end - at - 7, replaced % 2 ? "inf" : "nan");
    ++replaced;
  }
  ASSERT_GT(replaced, 10u);
  std::ofstream(path, std::ios::binary) << text;
  calls.Take();
  gm.LoadPreset(0, "test/nan", 0, 1);
  for (const std::string& line : calls.Take()) {
    EXPECT_EQ(line.find("nan"), std::string::npos) << line;
    EXPECT_EQ(line.find("inf"), std::string::npos) << line;
  }
}

TEST_F(GUIManagerLoad, SwapThatNeverCompletesTimesOutAfterTwentyPolls) {
  WritePreset(1, "test/slow", 0.5f);
  calls.swapNeverCompletes = true;
  EXPECT_EQ(gm.LoadPreset(1, "test/slow", 0, 1), 0);
  EXPECT_EQ(calls.swapPolls.load(), 20);
  EXPECT_EQ(sleeps, std::vector<uint32_t>(20, 50000));
  EXPECT_NE(log.Text().find("[PART:2] ERROR timeout swap loading <test/slow>\n"), std::string::npos);
}

TEST_F(GUIManagerLoad, EngineLoadSequence) {
  const int part = 1;
  CDataSets* ds = gm.DataSet(part);
  ds->Routes() = {{7, 3, 4, 1, 50.0f, 0.0f}, {2, 5, 6, 0, -20.0f, 0.0f}};
  // Wavetable of oscillator 0 only.
  std::vector<float> ramp(2048);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i) / 2048.0f - 0.5f;
  gm.StoreSamplePCM16(part << 16, "ramp", ramp.data(), static_cast<int>(ramp.size()));
  ds->Embedded(3)->encoding = "[OFF]";
  ds->StepData(0)->count = 16;
  ds->StepData(1)->count = 15;
  calls.Take();

  ASSERT_EQ(gm.LoadEngine(part), 1);
  const auto lines = calls.Take();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "clear 1");
  // The effect types of the part's ten slots go to its effects engine (target 9).
  for (int slot = 0; slot < 10; ++slot) {
    char expect[64];
    std::snprintf(expect, sizeof expect, "fx%d param rt 0 slot %d id F0 value 0", 4, slot);
    EXPECT_EQ(lines[1 + slot], expect);
  }
  // Every engine entry with the part and instance in its UID, on the shadow bank.
  int engineEntries = 0;
  const ParamEntry* e = ds->Entries();
  for (int i = 0; i < ds->EntryCount(); ++i)
    if ((e[i].ctrl & 0x180000) == 0) ++engineEntries;
  EXPECT_EQ(CountPrefix(lines, "param rt 0 part 1 uid "), engineEntries);
  char first[64];
  std::snprintf(first, sizeof first, "param rt 0 part 1 uid %X value ", (e[0].ctrl & 0x180FFF) | 0x10000 | e[0].instance << 12);
  EXPECT_EQ(Find(lines, first), 11);

  const int clear = Find(lines, "route rt 0 part 1 route 255 ");
  ASSERT_GT(clear, 11);
  EXPECT_EQ(lines[clear + 1], "route rt 0 part 1 route 7 amount 50 3->4 mode 1");
  EXPECT_EQ(lines[clear + 2], "route rt 0 part 1 route 2 amount -20 5->6 mode 0");
  EXPECT_EQ(lines[clear + 3], "wavetable 0 1 0 ramp");
  EXPECT_EQ(lines[clear + 4], "wavetable 0 1 1 null");
  EXPECT_EQ(lines[clear + 5], "sample 0 1 10000 null");
  EXPECT_EQ(std::vector<std::string>(lines.begin() + clear + 6, lines.end()), std::vector<std::string>{"lfo 0 1 0 16"});
  EXPECT_NE(log.Text().find("TIME: Load Engine us:"), std::string::npos);
}

TEST_F(GUIManagerLoad, EmbeddedSampleIsDecodedOnceAndItsBytesFreed) {
  EmbeddedData* sample = gm.DataSet(0)->Embedded(3);
  sample->name = "sine";
  sample->encoding = "RIFF";
  sample->data = app_fixtures::WaveImage(480, 440.0f);
  calls.Take();

  ASSERT_EQ(gm.LoadEngine(0), 1);
  EXPECT_GE(Find(calls.Take(), "sample 0 0 0 sine"), 0);
  EXPECT_TRUE(sample->data.empty());
  ASSERT_EQ(gm.WaveCache().Count(), 1u);
  EXPECT_EQ(static_cast<int32_t>(sample->key), gm.WaveCache().Entry(0)->Hash());
  // Loading the part again finds the decoded entry by its name and identifier.
  ASSERT_EQ(gm.LoadEngine(0), 1);
  EXPECT_GE(Find(calls.Take(), "sample 0 0 0 sine"), 0);

  sample->name = "broken";
  sample->data = {'R', 'I', 'F', 'F', 1, 2, 3};
  EXPECT_EQ(gm.LoadEngine(0), 0);
  EXPECT_NE(log.Text().find("LoadEngine: WavefileCache error loading Resource <broken>\n"), std::string::npos);
}

TEST_F(GUIManagerLoad, StoredPresetLoadsBackEqual) {
  struct Case {
    const char* name;
    std::vector<uint8_t> image;
    const char* tag;
  };
  const Case cases[] = {
      {"test/riff", app_fixtures::WaveImage(480, 440.0f), "RIFF"},
      {"test/multi", app_fixtures::MultiImage(3, 256), "MSWF"},
  };
  for (const Case& c : cases) {
    CDataSets* ds = gm.DataSet(0);
    ds->setParam(FirstEngineCtrl(), 0, 0, 0.125f, 0);
    ds->Routes() = {{3, 2, 9, 1, 33.0f, 0.0f}};
    ds->StepData(1)->count = 20;
    for (int k = 0; k < 20; ++k) ds->StepData(1)->steps[k] = static_cast<uint8_t>(k * 7);
    EmbeddedData* sample = ds->Embedded(3);
    sample->name = c.name + 5;
    sample->encoding = c.tag;
    sample->data = c.image;
    ASSERT_EQ(gm.LoadEngine(0), 1) << c.name;
    const uint32_t key = sample->key;

    ASSERT_EQ(gm.StorePreset(0, c.name), 1) << c.name;
    EXPECT_TRUE(sample->data.empty());
    EXPECT_EQ(sample->encoding, c.tag);
    EXPECT_NE(log.Text().find(std::string("[PART:1] Preset Stored <") + c.name + ">\n"), std::string::npos);

    // Into another part: the same values, route, steps and sample.
    ASSERT_EQ(gm.LoadPreset(3, c.name, 0, 1), 1) << c.name;
    CDataSets* back = gm.DataSet(3);
    for (int i = 0; i < ds->EntryCount(); ++i)
      EXPECT_EQ(back->Entries()[i].value, ds->Entries()[i].value) << c.name << " " << ds->Entries()[i].name;
    ASSERT_EQ(back->Routes().size(), 1u);
    EXPECT_EQ(back->Routes()[0].destination, 9);
    EXPECT_EQ(back->StepData(1)->count, 20);
    EXPECT_EQ(back->StepData(1)->steps[19], 133);
    EXPECT_EQ(back->Embedded(3)->encoding, c.tag);
    EXPECT_EQ(back->Embedded(3)->key, key) << "the same decoded content";
  }
}

TEST_F(GUIManagerLoad, PresetWithoutCachedSampleIsStoredWithoutOne) {
  EmbeddedData* sample = gm.DataSet(0)->Embedded(3);
  sample->name = "never-decoded";
  sample->encoding = "RIFF";
  ASSERT_EQ(gm.StorePreset(0, "test/plain"), 1);
  EXPECT_EQ(sample->name, "");
  EXPECT_EQ(sample->encoding, "");
  EXPECT_EQ(ReadFile(Working("presets/test/plain.preset")).find("never-decoded"), std::string::npos);
}

TEST_F(GUIManagerLoad, UnsafePresetNamesFailCleanly) {
  for (const char* name : {"../escape", "/abs", "test/../../x"}) {
    EXPECT_EQ(gm.StorePreset(0, name), 0) << name;
    EXPECT_EQ(log.Text().find(std::string("Preset Stored <") + name), std::string::npos) << name;
    EXPECT_EQ(gm.LoadPreset(0, name, 0, 1), 0) << name;
  }
  EXPECT_FALSE(Exists(root.Root() + "/var/lib/ruv/working/escape.preset"));
}

TEST_F(GUIManagerLoad, StoreProgressEndsWithStateZero) {
  uxPopupPB* popup = gm.PopupProgress();
  popup->Message("STORE", "x");
  gm.OnStoreProgress(40, 100);  // no progress running: the popup is left alone
  EXPECT_FALSE(gm.ProgressShown());
  gm.OnStoreProgress(100, 0);
  EXPECT_FALSE(popup->isVisible());
}

TEST_F(GUIManagerLoad, DeletePopupWaitsForTheOtherPopups) {
  for (int other : {popupValue, popupMsg, popupWT, -1}) {
    gm.PopupDelete()->show();
    gm.PopupTimer(popupDel) = 500;
    if (other >= 0) gm.PopupTimer(other) = 3;
    gm.HideDeletePopup();
    EXPECT_EQ(gm.PopupDelete()->isVisible(), other >= 0) << other;
    EXPECT_EQ(gm.PopupTimer(popupDel).load(), other >= 0 ? 500 : 0) << other;
    if (other >= 0) gm.PopupTimer(other) = 0;
  }
}

TEST_F(GUIManagerLoad, DefaultSongWritesOnlyTheSettings) {
  EXPECT_EQ(gm.StoreSong("[default]", 1), 1);
  EXPECT_NE(log.Text().find("Store song skipped"), std::string::npos);
  EXPECT_TRUE(Exists(Working("[default].settings")));
  EXPECT_FALSE(Exists(Working("arrangments/[default].arr")));
  EXPECT_FALSE(Exists(Working("clips/[default].launch")));
}

TEST_F(GUIManagerLoad, SongWithPresetsSkipsPlaceholderNamesAndParses) {
  WritePreset(0, "test/a", 0.1f);
  WritePreset(1, "test/b", 0.2f);
  ASSERT_EQ(gm.LoadPreset(0, "test/a", 0, 1), 1);
  ASSERT_EQ(gm.LoadPreset(1, "test/b", 0, 1), 1);
  gm.Arranger().OnPreset(1, "<init>", 2);
  gm.Arranger().OnPreset(1, "[empty]", 3);
  std::remove(Working("presets/test/a.preset").c_str());

  EXPECT_EQ(gm.StoreSong("song1", 1), 1);
  const std::string text = log.Text();
  EXPECT_NE(text.find("[PART:3] skipped store preset <<init>>\n"), std::string::npos);
  EXPECT_NE(text.find("[PART:4] skipped store preset <[empty]>\n"), std::string::npos);
  EXPECT_TRUE(Exists(Working("presets/test/a.preset")));

  const std::string files[] = {Working("arrangments/song1.arr"), Working("clips/song1.launch"),
                               Working("arrangments/song1.settings")};
  for (const std::string& f : files) {
    const auto out = testing_support::RunCommand("python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' '" + f + "' 2>&1");
    EXPECT_EQ(out.status, 0) << f << ": " << out.text;
  }
}

// A song whose files cannot all be written replaces none of them: with the clips' folder
// unusable (as a full disk refuses a file) the previous arrangement and settings stay.
TEST_F(GUIManagerLoad, ASongNotWrittenWholeLeavesThePreviousSetWhole) {
  ASSERT_EQ(gm.StoreSong("song5", 0), 1);
  const std::string arr = Working("arrangments/song5.arr");
  const std::string settings = Working("arrangments/song5.settings");
  const std::string before = ReadFile(arr);
  const std::string settingsBefore = ReadFile(settings);
  gm.Arranger().OnPreset(1, "test/changed", 0);

  std::filesystem::remove_all(Working("clips"));
  std::ofstream(Working("clips")) << "no folder";
  EXPECT_EQ(gm.StoreSong("song5", 0), 0);
  EXPECT_EQ(ReadFile(arr), before);
  EXPECT_EQ(ReadFile(settings), settingsBefore);
  for (const auto& entry : std::filesystem::directory_iterator(Working("arrangments")))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();

  // Room again: the whole set goes in.
  std::filesystem::remove(Working("clips"));
  root.MakeDir(std::string(kWorking) + "clips");
  EXPECT_EQ(gm.StoreSong("song5", 0), 1);
  EXPECT_NE(ReadFile(arr).find("test/changed"), std::string::npos);
  EXPECT_TRUE(Exists(Working("clips/song5.launch")));
}

TEST_F(GUIManagerLoad, SongLoadOrder) {
  WritePreset(0, "test/a", 0.1f);
  WritePreset(2, "test/c", 0.3f);
  ASSERT_EQ(gm.LoadPreset(0, "test/a", 0, 1), 1);
  ASSERT_EQ(gm.LoadPreset(2, "test/c", 0, 1), 1);
  ASSERT_EQ(gm.StoreKit("kit1"), 1);
  ASSERT_EQ(gm.StoreSong("song2", 1), 1);
  std::remove(Working("arrangments/song2.settings").c_str());
  calls.Take();

  EXPECT_EQ(gm.LoadSong("song2", 0, 1), 1);
  const auto lines = calls.Take();
  EXPECT_NE(log.Text().find("Load Settings <song2> [ERROR] use default settings\n"), std::string::npos);
  const int kit = Find(lines, "notify 4 -1");
  const int partA = Find(lines, "notify 0 0");
  const int partC = Find(lines, "notify 2 0");
  const int reload = Find(lines, "notify 10 0");
  ASSERT_GE(kit, 0);
  EXPECT_LT(kit, partA);
  EXPECT_LT(partA, partC);
  EXPECT_LT(partC, reload);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"notify 10 0", "notify 11 0", "notify 15 0"}));
  EXPECT_EQ(Find(lines, "notify 1 0"), -1) << "a part without a preset is not loaded";
  EXPECT_FALSE(gm.PopupProgress()->isVisible());
  EXPECT_FALSE(gm.ProgressShown());

  calls.Take();
  EXPECT_EQ(gm.LoadSong("nosuchsong", 0, 1), 0);
  EXPECT_TRUE(calls.Take().empty());
  EXPECT_EQ(gm.Arranger().Slot(0)->name, "test/a");
}

TEST_F(GUIManagerLoad, WavetablePopupGivesWayToTheOtherPopups) {
  auto* popup = dynamic_cast<uxPopupWT*>(gm.PopupWT());
  ASSERT_NE(popup, nullptr);
  for (int other : {popupValue, popupMsg, popupDel}) {
    gm.PopupTimer(other) = 3;
    EXPECT_FALSE(gm.ShowWavetablePopup("busy", nullptr)) << other;
    EXPECT_EQ(gm.PopupTimer(popupWT).load(), 0) << other;
    gm.PopupTimer(other) = 0;
  }
  ASSERT_TRUE(gm.ShowProgress("Load", "x"));
  EXPECT_FALSE(gm.ShowWavetablePopup("busy", nullptr));
  gm.HideProgress();
  // Its own countdown does not keep it away: browsing shows the next table at once.
  gm.PopupTimer(popupWT) = 40;
  WaveTable table;
  EXPECT_TRUE(gm.ShowWavetablePopup("sweep", &table));
  EXPECT_EQ(gm.PopupTimer(popupWT).load(), 100);
  EXPECT_TRUE(popup->isVisible());
  EXPECT_TRUE(popup->Shown());
}

TEST_F(GUIManagerLoad, SongProgressOnlyWithoutARunningPopupTimer) {
  ASSERT_EQ(gm.StoreSong("song3", 0), 1);
  struct Case {
    int showProgress, timer;
    bool shown;
  };
  for (const Case c : {Case{1, 0, true}, Case{1, 30, false}, Case{0, 0, false}}) {
    gm.PopupTimer(popupMsg) = c.timer;
    gm.progressSeen.clear();
    ASSERT_EQ(gm.LoadSong("song3", 0, c.showProgress), 1);
    ASSERT_EQ(gm.progressSeen.size(), 3u);  // 10, 11, 15: no kit, no presets
    EXPECT_EQ(gm.progressSeen[0], c.shown) << c.showProgress << " " << c.timer;
    EXPECT_FALSE(gm.PopupProgress()->isVisible());
    EXPECT_FALSE(gm.ProgressShown());
  }
}

TEST_F(GUIManagerLoad, KitLoadClearsThePadsAndKeepsThemOnFailure) {
  ASSERT_EQ(gm.StoreKit("kit1"), 1);
  calls.Take();
  ASSERT_EQ(gm.LoadKit("kit1"), 1);
  auto lines = calls.Take();
  for (int pad = 0; pad < 16; ++pad) {
    char expect[32];
    std::snprintf(expect, sizeof expect, "pad %X null", 0x40000 | pad << 12);
    EXPECT_EQ(lines[static_cast<std::size_t>(pad)], expect);
  }
  EXPECT_EQ(lines.back(), "notify 4 -1");
  EXPECT_EQ(gm.Arranger().KitName(), "kit1");

  gm.Arranger().Sampler().SetPadSample(3, CDataSetSampler::kCtrlSample, 7, "snare");
  EXPECT_EQ(gm.LoadKit("nokit"), 0);
  EXPECT_NE(log.Text().find("Load Kit ERROR<nokit>\n"), std::string::npos);
  EXPECT_TRUE(calls.Take().empty());
  EXPECT_STREQ(gm.Arranger().Sampler().Pads()[3].Sample, "snare");
  EXPECT_EQ(gm.Arranger().KitName(), "kit1");

  EXPECT_EQ(gm.StoreKit("../outside"), 0);
  EXPECT_NE(log.Text().find("Store Kit ERROR<../outside>\n"), std::string::npos);
  EXPECT_EQ(gm.Arranger().KitName(), "kit1");
}

TEST_F(GUIManagerLoad, SamplesBecomeLittleEndianSixteenBit) {
  struct Case {
    float in;
    uint8_t lo, hi;
  };
  const Case cases[] = {
      {0.5f, 0xFF, 0x3F},   // 16383
      {-1.0f, 0x01, 0x80},  // -32767
      {1.0f, 0xFF, 0x7F},
      {2.0f, 0xFF, 0x7F},   // beyond full scale: held at the limit, not wrapped
      {-3.0f, 0x00, 0x80},
      {std::numeric_limits<float>::quiet_NaN(), 0x00, 0x00},
  };
  std::vector<float> in;
  for (const Case& c : cases) in.push_back(c.in);
  gm.StoreSamplePCM16(0x21000, "osc2", in.data(), static_cast<int>(in.size()));
  const EmbeddedData* record = gm.DataSet(2)->Embedded(2);
  ASSERT_EQ(record->data.size(), 2 * in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    EXPECT_EQ(record->data[2 * i], cases[i].lo) << cases[i].in;
    EXPECT_EQ(record->data[2 * i + 1], cases[i].hi) << cases[i].in;
  }
  EXPECT_EQ(record->name, "osc2");
  EXPECT_EQ(record->encoding, "PCM_S16");

  const float three[] = {0.0f, 0.1f, -0.1f};
  gm.StoreSamplePCM16(0x0000, "three", three, 3);
  EXPECT_EQ(gm.DataSet(0)->Embedded(1)->data.size(), 6u);
}

TEST_F(GUIManagerLoad, ModMatrixEdits) {
  auto packed = [](int s, int d) { return static_cast<uint32_t>(s) << 16 | static_cast<uint32_t>(d) << 24; };
  std::vector<ModRoute>& routes = gm.DataSet(1)->Routes();
  struct Step {
    int uid;
    uint32_t packed;
    int immediate;
    const char* line;      // printed, or "" for none
    std::size_t entries;   // after the edit
    const char* engine;    // what the engine got
  };
  const Step steps[] = {
      {0x10005, packed(0, 7), 0, "", 0, "route rt 1 part 1 route 5 amount 25 0->7 mode 1"},         // no source: nothing inserted
      {0x10005, packed(3, 7), 0, "MATRIX->insert 5\n", 1, "route rt 1 part 1 route 5 amount 25 3->7 mode 1"},
      {0x10006, packed(4, 8), 0, "MATRIX->insert 6\n", 2, "route rt 1 part 1 route 6 amount 25 4->8 mode 1"},
      {0x10005, packed(0, 0), 1, "MATRIX->replace 5\n", 2, "amount 1 5 25"},
      {0x100FF, packed(9, 9), 0, "clear MX\n", 0, "route rt 1 part 1 route 255 amount 25 9->9 mode 1"},
  };
  for (const Step& s : steps) {
    log.Clear();
    gm.EditModMatrix(s.uid, s.packed, 1, 25.0f, s.immediate);
    EXPECT_EQ(log.Text(), s.line) << s.uid;
    EXPECT_EQ(routes.size(), s.entries) << s.uid;
    EXPECT_EQ(calls.Take(), std::vector<std::string>{s.engine}) << s.uid;
  }
}

TEST_F(GUIManagerLoad, FreshTreeGetsADefaultDeviceConfiguration) {
  uxMessageBox splash(&gm, "Splash", 400, 300, 0, 0xFFFFFF, 0xFFFFFF);
  splash.show(uxPOINT(200, 90), "START");
  std::atomic<uxMessageBox*> sink{&splash};
  gm.SetSplashSink(&sink);
  EXPECT_EQ(gm.InitialLoad(), 0);
  EXPECT_TRUE(Exists(Working("DeviceConfig.xml")));
  ASSERT_FALSE(splash.Lines().empty());
  EXPECT_EQ(splash.Lines().front(), "Load Device Config [ERROR]");
  EXPECT_EQ(gm.InitialLoad(), 1);
  EXPECT_EQ(splash.Lines().size(), 1u);
  gm.SetSplashSink(nullptr);
}

// A tree made with its working folder alone (as the run script, the factory bank and a board
// image make it) gets every folder a song is stored in at start, so a stored song keeps its
// clip set; a folder that cannot be made makes the store fail.
TEST_F(GUIManagerLoad, StartMakesTheFoldersASongIsStoredIn) {
  std::filesystem::remove_all(root.Root() + kWorking);
  root.MakeDir(kWorking);
  gm.InitialLoad();
  for (const char* dir : {"presets", "arrangments", "sampler", "clips", "effects", "midifiles"})
    EXPECT_TRUE(std::filesystem::is_directory(Working(dir))) << dir;
  ASSERT_EQ(gm.StoreSong("song5", 0), 1);
  EXPECT_TRUE(Exists(Working("arrangments/song5.arr")));
  EXPECT_TRUE(Exists(Working("clips/song5.launch")));

  // A file where the clips folder should be: logged at start, and the store says it failed.
  std::filesystem::remove_all(Working("clips"));
  std::ofstream(Working("clips")) << "";
  log.Clear();
  gm.InitialLoad();
  EXPECT_NE(log.Text().find("Data folder " + Working("clips") + " cannot be made: Not a directory\n"),
            std::string::npos)
      << log.Text();
  EXPECT_EQ(gm.StoreSong("song6", 0), 0);
}

// A program change loads in a MIDI thread while the pages edit the same part's routes.
using GUIManagerLoadThreads = GUIManagerLoad;
TEST_F(GUIManagerLoadThreads, LoadsAndRouteEditsAreSerialised) {
  WritePreset(0, "test/a", 0.1f);
  std::thread midiThread([this] {
    for (int i = 0; i < 5; ++i) EXPECT_EQ(gm.LoadPreset(0, "test/a", 0, 1), 1);
  });
  for (int i = 0; i < 200; ++i) gm.EditModMatrix(i % 24, 3u << 16 | 4u << 24, 0, static_cast<float>(i), 0);
  midiThread.join();
  EXPECT_LE(gm.DataSet(0)->Routes().size(), 24u);
}

// A load holds the UI mutex until it has asked for the swap; while it waits for the swap a
// page's call on another thread (the preset name, under the UI mutex) is answered at once.
TEST_F(GUIManagerLoadThreads, TheSwapIsWaitedForWithoutTheUiMutex) {
  WritePreset(0, "test/w", 0.3f);
  calls.swapNeverCompletes = true;
  std::vector<bool> answered;
  std::vector<std::future<std::string>> asked;
  gm.SetSleep([&](uint32_t) {
    if (answered.size() == 3) return;
    asked.push_back(std::async(std::launch::async, [&] { return gm.PresetName(0); }));
    answered.push_back(asked.back().wait_for(std::chrono::seconds(2)) == std::future_status::ready);
  });
  std::thread loader([&] { EXPECT_EQ(gm.LoadPreset(0, "test/w", 0, 1), 0); });
  loader.join();
  asked.clear();
  EXPECT_EQ(answered, std::vector<bool>(3, true));
}

// A mapped program change is loaded by the program loader: the MIDI thread is back before
// the swap is even polled, and the GUI tick tells the pages only once the preset is in.
TEST_F(GUIManagerLoadThreads, ProgramChangeLoadsOffTheMidiThreadAndTheTickTellsThePages) {
  std::ofstream(Working("arrangments/map.arr")) << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
                                                  "<ARRANGMENT NAME=\"map\" SynthType=\"PX415\" Version=\"1\">\n"
                                                  "<PGM-MAP><PROGRAM Nr=\"7\" Preset=\"test/pgm\"></PROGRAM></PGM-MAP>\n"
                                                  "</ARRANGMENT>\n";
  ASSERT_EQ(gm.Arranger().Load("map"), 1);
  WritePreset(1, "test/pgm", 0.5f);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> polling{false};
  gm.SetSleep([&](uint32_t) {
    polling = true;
    released.wait();
  });
  calls.Take();

  std::future<int> routed = std::async(std::launch::async, [this] { return gm.ProgramChange(1, 7); });
  const bool back = routed.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  EXPECT_TRUE(back) << "the MIDI thread waited for the load";
  while (!polling) std::this_thread::yield();
  EXPECT_EQ(gm.MidiFifo().ReadIndex(), gm.MidiFifo().WriteIndex()) << "nothing for the tick before the load is done";
  const auto loading = calls.Take();
  EXPECT_EQ(Find(loading, "notify"), -1);
  release.set_value();
  EXPECT_EQ(routed.get(), 1);
  gm.WaitForProgramLoads();

  EXPECT_EQ(Count(loading, "swap 1") + Count(calls.Take(), "swap 1"), 1) << "the load swaps once";

  gm.Tick();
  const auto lines = calls.Take();
  EXPECT_EQ(lines, std::vector<std::string>{"notify 1 0"}) << "a second swap would bring the old sound back";
  EXPECT_EQ(gm.MidiFifo().ReadIndex(), gm.MidiFifo().WriteIndex());
}

// A program mapped to a preset that is not there (or does not load) leaves the part on its
// sound: no swap puts stale shadow data in, and the pages are not told of a new preset.
TEST_F(GUIManagerLoadThreads, AFailedProgramLoadSwapsNothingAndTellsNoPage) {
  std::ofstream(Working("arrangments/map.arr")) << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
                                                  "<ARRANGMENT NAME=\"map\" SynthType=\"PX415\" Version=\"1\">\n"
                                                  "<PGM-MAP><PROGRAM Nr=\"3\" Preset=\"test/missing\"></PROGRAM></PGM-MAP>\n"
                                                  "</ARRANGMENT>\n";
  ASSERT_EQ(gm.Arranger().Load("map"), 1);
  calls.Take();
  EXPECT_EQ(gm.ProgramChange(2, 3), 1);
  gm.WaitForProgramLoads();
  gm.Tick();
  const auto lines = calls.Take();
  EXPECT_EQ(Count(lines, "swap"), 0);
  EXPECT_EQ(Count(lines, "notify"), 0);
  EXPECT_EQ(gm.MidiFifo().ReadIndex(), gm.MidiFifo().WriteIndex());
}

}  // namespace

namespace {

TEST(GUIManagerTrackType, OpensTheTrackOrDrumTab) {
  testing_support::TempDataRoot root;
  platform::MemoryFrameBuffer fb;
  uxDC dc(&fb);
  ASSERT_EQ(dc.Init(), 0);
  FakeRawMidiBackend midi;
  GUIManager gm(&dc, midi, &StandardPages());
  gm.SetSleep([](uint32_t) {});
  gm.BuildPages();
  struct Case {
    int track, type, tab;
  };
  const Case cases[] = {{0, 1, 5}, {2, 2, 5}, {4, 3, 6}, {1, 3, 1}, {0, 0, 1}, {4, 4, 1}};
  for (const Case& c : cases) {
    gm.MainMenu()->setActiveTab(1);
    gm.SetTrackType(c.track, c.type);
    EXPECT_EQ(gm.MainMenu()->getActiveTab(), c.tab) << c.track << " " << c.type;
  }
}

}  // namespace
