#include "app/GUIManager.h"
#include "app/GuiThread.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "midi/FakeRawMidiBackend.h"
#include "pages/StandardPages.h"
#include "platform/MemoryFrameBuffer.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxMessageBox.h"
#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxPopupPB.h"
#include "toolkit/uxPopupValue.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"
#include "pages/widgets/uxPopupWT.h"

namespace {

struct Seen {
  uint32_t type, param, flag;
  int32_t x, y, evt;
};

// A page that remembers every message the tab control hands it.
class RecordingPanel : public uxPanelCtrl {
 public:
  explicit RecordingPanel(uxHost* host) : uxPanelCtrl(host, 0, "REC", uxPOINT(0, 40), 800, 440, 0x101010) {}
  int OnMessage(tagUX_Message* msg) override {
    seen.push_back({msg->type, msg->param, msg->flag, msg->m_x, msg->m_y, msg->m_evt_type});
    return uxPanelCtrl::OnMessage(msg);
  }
  int Count(uint32_t type) const {
    return static_cast<int>(std::count_if(seen.begin(), seen.end(), [&](const Seen& s) { return s.type == type; }));
  }
  std::vector<Seen> seen;
};

struct LoadCall {
  int part;
  std::string name;
  int notify, load;
  bool operator==(const LoadCall&) const = default;
};
struct CCCall {
  int channel, part, controller, value;
  bool operator==(const CCCall&) const = default;
};

// Sees what the tick asks of the loader and the controller fan-out, and every distinct
// message that enters the page tree.
class TestGUIManager : public GUIManager {
 public:
  using GUIManager::GUIManager;
  int LoadPreset(int part, const char* name, int notify, int load) override {
    loads.push_back({part, name, notify, load});
    return 1;
  }
  int DispatchMidiCC(int channel, int part, int controller, int value) override {
    ccs.push_back({channel, part, controller, value});
    return 1;
  }
  int HookSendMessage(tagUX_Message* msg) override {
    if (msg->type == UX_MSG_VALUES_CHANGED && valuesChanged.insert(msg).second)
      valuesChangedArgs.push_back({msg->type, msg->param, msg->flag, 0, 0, 0});
    return GUIManager::HookSendMessage(msg);
  }
  std::vector<LoadCall> loads;
  std::vector<CCCall> ccs;
  std::set<const void*> valuesChanged;
  std::vector<Seen> valuesChangedArgs;
};

// Records where exclusive (popup) paints begin.
class PaintLog : public uxDrawObserver {
 public:
  void OnDraw(const uxDrawCall& call) override {
    if (std::strcmp(call.op, "BeginPaint") == 0) begins.push_back({call.a[0], call.a[1]});
  }
  bool Painted(int x, int y) const {
    return std::find(begins.begin(), begins.end(), std::pair{x, y}) != begins.end();
  }
  std::vector<std::pair<int, int>> begins;
};

class GUIManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(dc_.Init(), 0);
    gm_ = std::make_unique<TestGUIManager>(&dc_, midi_, &StandardPages());
    gm_->SetSleep([](uint32_t) {});
  }

  // A tab at the end of the strip holding a recording page, made active.
  RecordingPanel* AddRecordingTab() {
    uxTabCtrl* menu = gm_->MainMenu();
    auto* item = new uxTabItemCtrl(gm_.get(), 10, "REC", 0x404040, 0xFFFFFF, nullptr);
    auto* panel = new RecordingPanel(gm_.get());
    item->AddPanel(panel);
    menu->setActiveTab(menu->AddTabItem(item));
    panel->seen.clear();
    return panel;
  }

  void Ticks(int n) {
    for (int i = 0; i < n; ++i) gm_->Tick();
  }

  std::vector<uint32_t> Region(int x, int y, int w, int h) const {
    std::vector<uint32_t> px;
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) px.push_back(fb_.Pixel(i, j));
    return px;
  }

  testing_support::TempDataRoot root_;
  platform::MemoryFrameBuffer fb_;
  uxDC dc_{&fb_};
  FakeRawMidiBackend midi_;
  std::unique_ptr<TestGUIManager> gm_;
};

}  // namespace

TEST_F(GUIManagerTest, ConstructionStateAndPopupGeometry) {
  EXPECT_EQ(gm_->CurrentPanel(), -1);
  EXPECT_TRUE(gm_->TransportRunning());
  EXPECT_EQ(gm_->getPanelMode(), 1);
  EXPECT_EQ(gm_->MainMenu(), nullptr);
  EXPECT_NE(gm_->ClipLauncher(), nullptr);
  EXPECT_EQ(gm_->MessageQueue().ReadIndex() | gm_->MessageQueue().WriteIndex(), 0);
  EXPECT_EQ(gm_->MidiFifo().ReadIndex() | gm_->MidiFifo().WriteIndex() | gm_->MidiFifo().Peeked(), 0);

  struct Row {
    uxPopup* popup;
    const char* name;
    int x, y, w, h;
    uxCOLOR frame;
    uxCOLOR body;  // what the popup's own painting fills its body with; 0: nothing of its own
  };
  const Row rows[] = {
      {gm_->PopupValue(), "PopupValue", 300, 200, 200, 80, 0xFFFFFF, 0},
      {gm_->PopupMessage(), "PopupMessage", 200, 150, 300, 110, 0xFFFFFF, 0x202020},
      {gm_->PopupDelete(), "PopupDelete", 200, 210, 300, 110, 0xFFFFFF, 0x202020},
      {gm_->PopupProgress(), "PopupProgress", 50, 200, 300, 100, 0xFFFFFF, 0x404040},
      {gm_->PopupWT(), "PopupWT", 175, 150, 450, 210, 0x808080, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_NE(r.popup, nullptr);
    EXPECT_STREQ(r.popup->getName(), r.name);
    const uxRECT* rc = r.popup->getClientRect();
    EXPECT_EQ(rc->left, r.x);
    EXPECT_EQ(rc->top, r.y);
    EXPECT_EQ(rc->width, r.w);
    EXPECT_EQ(rc->height, r.h);
    EXPECT_FALSE(r.popup->isVisible());
    r.popup->show();
    r.popup->OnPaint();
    EXPECT_EQ(fb_.Pixel(r.x, r.y), r.frame);
    EXPECT_EQ(fb_.Pixel(r.x + r.w - 1, r.y + r.h - 1), r.frame);
    if (r.body) {
      EXPECT_EQ(fb_.Pixel(r.x + 3, r.y + r.h - 3), r.body);
    }
    r.popup->hide();
  }
}

TEST_F(GUIManagerTest, BuildPagesMakesTheMainTabsAndAsksEveryPageForItsValues) {
  fb_.SetPixel(5, 5, 0x123456);
  fb_.SetPixel(799, 479, 0x654321);
  uxMessageBox splashBox(gm_.get(), "splash", 100, 100, 0, 0, 0);
  std::atomic<uxMessageBox*> sink{&splashBox};
  gm_->SetSplashSink(&sink);

  gm_->BuildPages();

  EXPECT_EQ(sink.load(), nullptr);
  EXPECT_EQ(fb_.Pixel(5, 5), 0u);
  EXPECT_EQ(fb_.Pixel(799, 479), 0u);

  uxTabCtrl* menu = gm_->MainMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_STREQ(menu->getName(), "MainMenu");
  EXPECT_EQ(menu->getActiveTab(), 1);
  struct Tab {
    unsigned id;
    const char* caption;
    uxCOLOR background, text;
    const char* page;
    uint32_t pageId;
  };
  const Tab tabs[] = {
      {0, "ARRANGER", 0x404040, 0xFFFFFF, "PANEL_SONG", 0},
      {1, "MASTER", 0x404040, 0xFFFFFF, "MASTER", 0},
      {2, "SYNTH A", 0x404040, 0x0000FF, "PART A", 0},
      {3, "VOICE A", 0x202020, 0x0000FF, "VOICE 1", 0},
      {4, "FX A", 0x404040, 0x0000FF, "FX 1", 0x80000},
      {5, " ARP A ", 0x303030, 0x0000FF, " ARP A ", 0},
      {6, "DRUM", 0x606060, 0xFFFFFF, "PANEL_DRUM", 0},
      {7, "CLIP", 0x404040, 0xFFFFFF, "PANEL_CLIP", 0},
      {8, "MIDI", 0x404040, 0xFFFFFF, "PANEL_MIDIIN", 0},
      {9, "DIAG", 0x404040, 0xFFFFFF, "PANEL_DIAG", 0},
  };
  ASSERT_EQ(menu->GetTabCount(), 10);
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(tabs[i].caption);
    uxTabItemCtrl* item = menu->GetTabItem(i);
    EXPECT_EQ(item->GetUserData(), tabs[i].id);
    EXPECT_STREQ(item->getTabName(), tabs[i].caption);
    EXPECT_EQ(item->getColorBgn(), tabs[i].background);
    EXPECT_EQ(item->getColorFrg(), tabs[i].text);
    ASSERT_NE(item->ActivePanel(), nullptr);
    EXPECT_STREQ(item->ActivePanel()->getName(), tabs[i].page);
    EXPECT_EQ(item->ActivePanel()->GetUserData(), tabs[i].pageId);
    const uxRECT* rc = item->ActivePanel()->getClientRect();
    EXPECT_EQ(rc->top, 40);
    EXPECT_EQ(rc->height, 440);
  }
  EXPECT_EQ(gm_->PageState(0), 1);
  EXPECT_EQ(gm_->PageState(1), 0);

  ASSERT_EQ(gm_->valuesChangedArgs.size(), 1u);
  EXPECT_EQ(static_cast<int32_t>(gm_->valuesChangedArgs[0].param), -1);
  EXPECT_EQ(static_cast<int32_t>(gm_->valuesChangedArgs[0].flag), -1);
}

TEST_F(GUIManagerTest, BuildPagesWritesADefaultControllerMapThatParses) {
  const std::string dir = root_.MakeDir("/var/lib/ruv/working/");
  gm_->BuildPages();
  const auto out = testing_support::RunCommand(
      "python3 -c \"import xml.etree.ElementTree as E,sys; r=E.parse(sys.argv[1]).getroot(); "
      "print(r.tag, len(r.findall('MAP')))\" '" + dir + "MidiCCMap.cc'");
  EXPECT_EQ(out.status, 0);
  EXPECT_EQ(out.text, "CCMAP 128\n");
}

TEST_F(GUIManagerTest, BuildPagesKeepsAnExistingControllerMap) {
  const std::string dir = root_.MakeDir("/var/lib/ruv/working/");
  {
    CMidiCCSets map;
    map.SetCC(7, 0x1A3);
    ASSERT_EQ(map.XMLStoreMidiCCMap("MidiCCMap"), 1);
  }
  std::ifstream before(dir + "MidiCCMap.cc");
  const std::string text((std::istreambuf_iterator<char>(before)), {});
  gm_->BuildPages();
  EXPECT_EQ(gm_->CCMap().FindCC(0x1A3), 7);
  std::ifstream after(dir + "MidiCCMap.cc");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), {}), text);
}

TEST_F(GUIManagerTest, WavetablePopupPaintsEveryTickTheOthersEveryFourth) {
  PaintLog log;
  dc_.SetDrawObserver(&log);
  gm_->PopupWT()->show();
  gm_->PopupValue()->show();
  std::vector<int> wt, value;
  for (int t = 0; t < 9; ++t) {
    log.begins.clear();
    gm_->PopupWT()->setRepaint();
    gm_->PopupValue()->setRepaint();
    gm_->Tick();
    if (log.Painted(175, 150)) wt.push_back(t);
    if (log.Painted(300, 200)) value.push_back(t);
  }
  dc_.SetDrawObserver(nullptr);
  EXPECT_EQ(wt, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(value, (std::vector<int>{0, 4, 8}));
}

TEST_F(GUIManagerTest, PopupCountdownHidesAfterNFourthTicksAndRestoresTheScreen) {
  for (int n : {1, 2, 5}) {
    SCOPED_TRACE(n);
    gm_->Tick();  // a heavy tick; the next heavy one is four ticks on
    while (gm_->TickCount() % 4 != 0) gm_->Tick();
    dc_.BeginPaint(0, 0, 800, 480);
    for (int16_t y = 0; y < 480; y += 8) dc_.FillFrame(0, y, 799, static_cast<int16_t>(y + 3), 0x00A0B0C0 + y);
    dc_.EndPaint();
    const auto under = Region(190, 140, 320, 130);

    gm_->PopupMessage()->Message("TITLE", "text", "");
    gm_->PopupMessage()->show();
    gm_->Tick();
    ASSERT_NE(Region(190, 140, 320, 130), under);
    gm_->PopupTimer(popupMsg) = n;
    for (int heavy = 1; heavy <= n; ++heavy) {
      Ticks(4);
      EXPECT_EQ(gm_->PopupMessage()->isVisible(), heavy < n) << "after heavy tick " << heavy;
    }
    EXPECT_EQ(gm_->PopupTimer(popupMsg).load(), 0);
    EXPECT_EQ(Region(190, 140, 320, 130), under);
  }
}

TEST_F(GUIManagerTest, PendingTickFlagGivesOneTickMessageOnAHeavyTick) {
  gm_->BuildPages();
  RecordingPanel* page = AddRecordingTab();
  gm_->Tick();
  while (gm_->TickCount() % 4 != 1) gm_->Tick();
  gm_->SetPendingTick();
  Ticks(3);
  EXPECT_EQ(page->Count(UX_MSG_TICK_EVENT), 0);
  Ticks(9);
  EXPECT_EQ(page->Count(UX_MSG_TICK_EVENT), 1);
}

// A mapped program's entry comes from the program loader after its load and swap: the tick
// only tells the pages, and loads or swaps nothing itself.
TEST_F(GUIManagerTest, MidiFifoIsDrainedEveryTickIntoPageNoticesAndControllerFanOut) {
  const std::string dir = root_.MakeDir("/var/lib/ruv/working/arrangments/");
  std::ofstream(dir + "map.arr") << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
                                    "<ARRANGMENT NAME=\"map\" SynthType=\"PX415\" Version=\"1\">\n"
                                    "<PGM-MAP><PROGRAM Nr=\"9\" Preset=\"Bass\"></PROGRAM></PGM-MAP>\n"
                                    "</ARRANGMENT>\n";
  ASSERT_EQ(gm_->Arranger().Load("map"), 1);
  gm_->BuildPages();
  RecordingPanel* page = AddRecordingTab();
  gm_->Tick();  // past the heavy tick
  page->seen.clear();

  auto entry = [](uint16_t kind, uint8_t part, uint8_t d0, uint8_t d1 = 0, uint8_t d2 = 0) {
    MidiFifoEntry e;
    e.kind = kind;
    e.length = kind == 0xC0 ? 2 : 4;
    e.part = part;
    e.data[0] = d0;
    e.data[1] = d1;
    e.data[2] = d2;
    return e;
  };
  auto& fifo = gm_->MidiFifo();
  fifo.Push(entry(0xB0, 1, 5, 7, 100));
  fifo.Push(entry(0xC0, 2, 9));  // mapped
  fifo.Push(entry(0xC0, 3, 4));  // not mapped
  fifo.Push(entry(0x90, 0, 60, 100));
  fifo.Push(entry(0xB0, 6, 0, 1, 2));  // no such part
  fifo.Push(entry(0xB0, 3, 15, 74, 0));
  gm_->Tick();

  EXPECT_EQ(gm_->ccs, (std::vector<CCCall>{{5, 1, 7, 100}, {15, 3, 74, 0}}));
  EXPECT_TRUE(gm_->loads.empty());
  std::vector<std::pair<uint32_t, uint32_t>> notices;
  for (const Seen& seen : page->seen)
    if (seen.type == UX_MSG_VALUES_CHANGED) notices.emplace_back(seen.param, seen.flag);
  EXPECT_EQ(notices, (std::vector<std::pair<uint32_t, uint32_t>>{{2, 0}}));
  EXPECT_EQ(fifo.ReadIndex(), fifo.WriteIndex());
}

TEST_F(GUIManagerTest, OneQueuedMessagePerTickAndNoneLostWithoutAPage) {
  tagUX_Message rescan(APP_MSG_RESCAN_FILES);
  gm_->SendMessage(&rescan, true);
  gm_->Tick();  // no page yet: consumed and dropped
  EXPECT_EQ(gm_->MessageQueue().ReadIndex(), gm_->MessageQueue().WriteIndex());

  gm_->BuildPages();
  RecordingPanel* page = AddRecordingTab();
  for (int i = 0; i < 3; ++i) {
    tagUX_Message sel(UX_MSG_TABLE_ITEM_SEL, i, 0);
    gm_->SendMessage(&sel, true);
  }
  std::vector<uint32_t> params;
  for (int t = 0; t < 4; ++t) {
    gm_->Tick();
    params.clear();
    for (const Seen& s : page->seen)
      if (s.type == UX_MSG_TABLE_ITEM_SEL) params.push_back(s.param);
    EXPECT_EQ(params.size(), static_cast<std::size_t>(std::min(t + 1, 3)));
  }
  EXPECT_EQ(params, (std::vector<uint32_t>{0, 1, 2}));
}

TEST_F(GUIManagerTest, DirectMessagesReachThePageAtOnce) {
  tagUX_Message early(EN_MSG_SET_VALUE);
  EXPECT_EQ(gm_->SendMessage(&early, false), 0);  // no page yet
  gm_->BuildPages();
  RecordingPanel* page = AddRecordingTab();
  tagUX_Message key(UX_MSG_KEY, UX_PARAM_ENTER, 0);
  gm_->SendMessage(&key, false);
  tagUX_Message fromHost(EN_MSG_SET_VALUE, 300, 1);
  static_cast<HostServices&>(*gm_).SendMessage(fromHost);
  ASSERT_EQ(page->seen.size(), 2u);
  EXPECT_EQ(page->seen[0].type, UX_MSG_KEY);
  EXPECT_EQ(page->seen[1].param, 300u);
}

TEST_F(GUIManagerTest, DueSettingsAndDeviceConfigurationAreSavedByTheTick) {
  const std::string dir = root_.MakeDir("/var/lib/ruv/working/");
  const std::string settings = dir + "[default].settings", config = dir + "DeviceConfig.xml";
  gm_->Settings().XMLLoadSettings("[default]", true);
  ASSERT_EQ(gm_->DeviceConfig().XMLStoreDeviceConfig("DeviceConfig"), 1);
  std::filesystem::remove(settings);
  std::filesystem::remove(config);
  gm_->Settings().ArmSave(1);
  gm_->DeviceConfig().ArmSave(1);
  gm_->Tick();
  EXPECT_FALSE(std::filesystem::exists(settings));  // armed, not yet due
  EXPECT_FALSE(std::filesystem::exists(config));
  gm_->Settings().TickDirty();
  gm_->DeviceConfig().TickDirty();
  gm_->Tick();
  EXPECT_TRUE(std::filesystem::exists(settings));
  EXPECT_TRUE(std::filesystem::exists(config));
}

namespace {

void WriteEvents(int fd, std::initializer_list<std::pair<uint16_t, int32_t>> events) {
  for (auto [code, value] : events) {
    input_event ev{};
    ev.type = EV_ABS;
    ev.code = code;
    ev.value = value;
    ASSERT_EQ(::write(fd, &ev, sizeof ev), static_cast<ssize_t>(sizeof ev));
  }
}

}  // namespace

TEST_F(GUIManagerTest, TouchRecordsReachTheActivePageAsPressThenRelease) {
  const std::string touch = root_.MakeDir("/dev/input/") + "event0";
  ASSERT_EQ(::mkfifo(touch.c_str(), 0600), 0);
  gm_->BuildPages();
  RecordingPanel* page = AddRecordingTab();
  const int fd = ::open(touch.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  WriteEvents(fd, {{ABS_MT_TRACKING_ID, 1}, {ABS_MT_POSITION_X, 500}, {ABS_MT_POSITION_Y, 1000},
                   {ABS_MT_TRACKING_ID, -1}});
  Ticks(4);
  ::close(fd);
  std::vector<Seen> touches;
  for (const Seen& s : page->seen)
    if (s.type == UX_MSG_TOUCH_EVENT) touches.push_back(s);
  ASSERT_EQ(touches.size(), 2u);
  EXPECT_EQ(touches[0].evt, TYPE_PRESS);
  EXPECT_EQ(touches[1].evt, TYPE_RELEASE);
  for (const Seen& s : touches) {
    EXPECT_EQ(s.x, 190);
    EXPECT_EQ(s.y, 235);
  }
}

TEST_F(GUIManagerTest, ATouchOnTheDiagTabMakesItActive) {
  const std::string touch = root_.MakeDir("/dev/input/") + "event0";
  ASSERT_EQ(::mkfifo(touch.c_str(), 0600), 0);
  gm_->BuildPages();
  Ticks(4);  // lays the strip out
  const uxRECT* tab = gm_->MainMenu()->GetTabItem(9)->getClientRect();
  const int x = (tab->left + tab->right) / 2, y = (tab->top + tab->bottom) / 2;
  const int fd = ::open(touch.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  WriteEvents(fd, {{ABS_MT_TRACKING_ID, 1},
                   {ABS_MT_POSITION_X, static_cast<int32_t>((x + 10) * 2.5 + 1)},
                   {ABS_MT_POSITION_Y, static_cast<int32_t>((y + 5) * 4.16 + 1)},
                   {ABS_MT_TRACKING_ID, -1}});
  Ticks(4);
  ::close(fd);
  EXPECT_EQ(gm_->MainMenu()->getActiveTab(), 9);
}

TEST(GUIMessageQueue, IndexSevenStandsForSlotZeroAndALappingProducerStaysInBounds) {
  GUIMessageQueue q;
  q.Clear();
  for (int i = 0; i < 7; ++i) q.Post(tagUX_Message(UX_MSG_KEY, i, 0));
  EXPECT_EQ(q.WriteIndex(), 7);
  tagUX_Message m;
  for (int i = 0; i < 7; ++i) {
    ASSERT_TRUE(q.Take(m));
    EXPECT_EQ(m.param, static_cast<uint32_t>(i));
  }
  EXPECT_EQ(q.ReadIndex(), 7);
  EXPECT_FALSE(q.Take(m));
  q.Post(tagUX_Message(UX_MSG_KEY, 70, 0));
  EXPECT_EQ(q.WriteIndex(), 1);
  ASSERT_TRUE(q.Take(m));
  EXPECT_EQ(m.param, 70u);
  EXPECT_EQ(q.ReadIndex(), 1);

  // Twenty posts with nobody reading: entries are lost, indices never leave 0..7.
  for (int i = 0; i < 20; ++i) {
    q.Post(tagUX_Message(UX_MSG_KEY, 100 + i, 0));
    EXPECT_LE(q.WriteIndex(), 7);
  }
  int taken = 0;
  while (q.Take(m) && taken < 100) {
    ++taken;
    EXPECT_LE(q.ReadIndex(), 7);
  }
  EXPECT_LT(taken, 7);
}

TEST(MsgFifo, WriteIndex255StoresIntoSlotZeroAndPeekKeepsTheEntry) {
  auto fifo = std::make_unique<MsgFifo<MidiFifoEntry, kMidiFifoSlots>>();
  fifo->Clear();
  MidiFifoEntry e, out;
  e.kind = 0xB0;
  for (int i = 0; i < 255; ++i) {
    e.data[2] = static_cast<uint8_t>(i);
    fifo->Push(e);
  }
  EXPECT_EQ(fifo->WriteIndex(), 255);
  for (int i = 0; i < 255; ++i) ASSERT_EQ(fifo->Pop(out, true), 1);
  EXPECT_EQ(fifo->Pop(out, true), 0);
  e.data[2] = 77;
  fifo->Push(e);
  EXPECT_EQ(fifo->WriteIndex(), 1);

  ASSERT_EQ(fifo->Pop(out, false), 1);
  EXPECT_EQ(out.data[2], 77);
  EXPECT_EQ(fifo->Peeked(), 1);
  EXPECT_EQ(fifo->ReadIndex(), 0);
  ASSERT_EQ(fifo->Pop(out, true), 1);
  EXPECT_EQ(out.data[2], 77);
  EXPECT_EQ(fifo->Pop(out, true), 0);

  // A producer 300 entries ahead loses entries but the reader ends and stays in bounds.
  for (int i = 0; i < 300; ++i) {
    fifo->Push(e);
    EXPECT_LE(fifo->WriteIndex(), 255);
  }
  int popped = 0;
  while (fifo->Pop(out, true) && popped < 1000) {
    ++popped;
    EXPECT_LE(fifo->ReadIndex(), 255);
  }
  EXPECT_LT(popped, 255);
}

// Serial MIDI, the ALSA ports and "CAN-RX" push into the same rings while the GUI thread
// drains them: every entry is either taken whole, in its producer's order, or reported as
// dropped by the push that found the ring full.
template <typename Ring, typename Entry, typename Make, typename Read>
void SeveralProducersLoseNothingUnreported(Ring& ring, Make make, Read read) {
  constexpr int kProducers = 3;
  constexpr int kEach = 20000;
  ring.Clear();
  std::atomic<int> dropped{0};
  std::atomic<int> running{kProducers};
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p)
    producers.emplace_back([&, p] {
      for (int seq = 0; seq < kEach; ++seq)
        if (!ring.Push(make(p, seq))) dropped.fetch_add(1, std::memory_order_relaxed);
      running.fetch_sub(1);
    });
  int taken = 0;
  int torn = 0;
  int lastSeq[kProducers] = {-1, -1, -1};
  int outOfOrder = 0;
  Entry out;
  for (;;) {
    const bool done = running.load() == 0;
    bool any = false;
    while (ring.Pop(out)) {
      any = true;
      int p = -1, seq = -1;
      if (!read(out, p, seq) || p < 0 || p >= kProducers) {
        ++torn;
        continue;
      }
      if (seq <= lastSeq[p]) ++outOfOrder;
      lastSeq[p] = seq;
      ++taken;
    }
    if (done && !any) break;
  }
  for (std::thread& t : producers) t.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(outOfOrder, 0);
  EXPECT_EQ(taken + dropped.load(), kProducers * kEach) << taken << " taken, " << dropped.load() << " dropped";
  EXPECT_GT(taken, 0);
}

template <typename Fifo>
struct FifoPops {
  Fifo& f;
  void Clear() { f.Clear(); }
  template <typename E>
  bool Push(const E& e) { return f.Push(e); }
  template <typename E>
  bool Pop(E& e) { return f.Pop(e, true) != 0; }
};

struct QueuePops {
  GUIMessageQueue& q;
  void Clear() { q.Clear(); }
  bool Push(const tagUX_Message& m) { return q.Post(m); }
  bool Pop(tagUX_Message& m) { return q.Take(m); }
};

TEST(RingsThreads, SeveralProducersLoseNothingUnreported) {
  auto fifo = std::make_unique<MsgFifo<MidiFifoEntry, kMidiFifoSlots>>();
  FifoPops<MsgFifo<MidiFifoEntry, kMidiFifoSlots>> midi{*fifo};
  // The entry repeats its producer and sequence, so a torn copy shows as a mismatch.
  SeveralProducersLoseNothingUnreported<decltype(midi), MidiFifoEntry>(
      midi,
      [](int p, int seq) {
        MidiFifoEntry e;
        e.kind = 0xB0;
        e.part = static_cast<uint8_t>(p);
        std::memcpy(e.data, &seq, sizeof seq);
        const int check = ~seq ^ p;
        std::memcpy(e.data + 4, &check, sizeof check);
        return e;
      },
      [](const MidiFifoEntry& e, int& p, int& seq) {
        int check;
        std::memcpy(&seq, e.data, sizeof seq);
        std::memcpy(&check, e.data + 4, sizeof check);
        p = e.part;
        return e.kind == 0xB0 && check == (~seq ^ p);
      });

  GUIMessageQueue queue;
  QueuePops gui{queue};
  SeveralProducersLoseNothingUnreported<QueuePops, tagUX_Message>(
      gui,
      [](int p, int seq) {
        tagUX_Message m(UX_MSG_KEY, seq, p);
        m.arg = static_cast<uint32_t>(seq) ^ 0x5A5A5A5Au;
        m.m_x = seq;
        return m;
      },
      [](const tagUX_Message& m, int& p, int& seq) {
        seq = static_cast<int>(m.param);
        p = static_cast<int>(m.flag);
        return m.type == UX_MSG_KEY && m.arg == (m.param ^ 0x5A5A5A5Au) && m.m_x == seq;
      });
}

// The core knows no page: without a page factory each main tab gets a bare panel with its
// page's name (and the Master page's own tabs are missing).
TEST(GUIManagerPages, WithoutAFactoryTheTabsHoldBarePanels) {
  testing_support::TempDataRoot root;
  platform::MemoryFrameBuffer fb;
  uxDC dc(&fb);
  ASSERT_EQ(dc.Init(), 0);
  FakeRawMidiBackend midi;
  GUIManager gm(&dc, midi);
  gm.SetSleep([](uint32_t) {});
  gm.BuildPages();
  const std::pair<const char*, const char*> tabs[] = {{"ARRANGER", "PANEL_SONG"}, {"MASTER", "MASTER"},
                                                      {"DRUM", "PANEL_DRUM"},     {"CLIP", "PANEL_CLIP"},
                                                      {"MIDI", "PANEL_MIDIIN"},   {"DIAG", "PANEL_DIAG"}};
  ASSERT_EQ(gm.MainMenu()->GetTabCount(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_STREQ(gm.MainMenu()->GetTabItem(i)->getTabName(), tabs[i].first);
    EXPECT_STREQ(gm.MainMenu()->GetTabItem(i)->ActivePanel()->getName(), tabs[i].second);
  }
  EXPECT_EQ(gm.MainMenu()->getActiveTab(), 1);
  EXPECT_NE(dynamic_cast<uxPopup*>(gm.PopupWT()), nullptr);
}

// Controller messages reach the registered pages in registration order, and a page that
// left hears nothing more.
TEST(GUIManagerPages, ControllerFanOutReachesTheRegisteredPages) {
  struct Listener : uxPanelCtrl {
    Listener(uxHost* host, std::vector<std::string>* heard, const char* name)
        : uxPanelCtrl(host, 0, name, uxPOINT(0, 40), 800, 440, uxCOLOR{0}), heard_(heard) {}
    int OnMidiCC(int channel, int part, int controller, int value) override {
      heard_->push_back(std::string(getName()) + " " + std::to_string(channel) + " " + std::to_string(part) + " " +
                        std::to_string(controller) + " " + std::to_string(value));
      return 1;
    }
    std::vector<std::string>* heard_;
  };
  platform::MemoryFrameBuffer fb;
  uxDC dc(&fb);
  FakeRawMidiBackend midi;
  GUIManager gm(&dc, midi);
  std::vector<std::string> heard;
  Listener a(&gm, &heard, "A"), b(&gm, &heard, "B");
  gm.AddControllerListener(&a);
  gm.AddControllerListener(&b);
  gm.DispatchMidiCC(2, 1, 74, 100);
  gm.RemoveControllerListener(&a);
  gm.DispatchMidiCC(0, 3, 7, 1);
  EXPECT_EQ(heard, (std::vector<std::string>{"A 2 1 74 100", "B 2 1 74 100", "B 0 3 7 1"}));
}

// The tick runs against direct deliveries from a "CAN-RX" and a host thread; ThreadSanitizer
// checks that the page tree is only ever entered under the UI mutex.
TEST(GUIManagerThreads, TickRunsAgainstDirectSenders) {
  testing_support::TempDataRoot root;
  platform::MemoryFrameBuffer fb;
  uxDC dc(&fb);
  ASSERT_EQ(dc.Init(), 0);
  FakeRawMidiBackend midi;
  GUIManager gm(&dc, midi, &StandardPages());
  gm.SetSleep([](uint32_t) {});
  gm.BuildPages();
  auto* item = new uxTabItemCtrl(&gm, 10, "REC", 0x404040, 0xFFFFFF, nullptr);
  auto* page = new RecordingPanel(&gm);
  item->AddPanel(page);
  gm.MainMenu()->setActiveTab(gm.MainMenu()->AddTabItem(item));

  constexpr int kEach = 300;
  std::thread gui(GuiThreadMain, &gm);
  std::thread can([&] {
    for (int i = 0; i < kEach; ++i) {
      tagUX_Message m(UX_MSG_ENCODER_EVENT, 144, 130);
      gm.SendMessage(&m, false);
    }
  });
  std::thread host([&] {
    for (int i = 0; i < kEach; ++i) {
      tagUX_Message m(EN_MSG_SET_VALUE, 300, 0);
      static_cast<HostServices&>(gm).SendMessage(m);
      gm.SetPendingTick();
    }
  });
  can.join();
  host.join();
  // The senders may finish before the GUI thread first runs.
  while (gm.TickCount() == 0) std::this_thread::yield();
  gm.StopGuiThread();
  gui.join();
  EXPECT_GT(gm.TickCount(), 0u);
  EXPECT_EQ(page->Count(UX_MSG_ENCODER_EVENT), kEach);
  EXPECT_EQ(page->Count(EN_MSG_SET_VALUE), kEach);
}
