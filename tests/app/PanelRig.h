#pragma once
// An application GUIManager with its page tree over the memory framebuffer, a real audio
// process built with recording sound objects, and a CAN device on a virtual bus with one
// panel member that reads what the instrument sends. The manager records every message it
// gives the page tree, in order, as "type param flag arg [value]".
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/GUIManager.h"
#include "audio/CAudioProcess.h"
#include "midi/FakeRawMidiBackend.h"
#include "numeric/MathTables.h"
#include "pages/StandardPages.h"
#include "platform/MemoryFrameBuffer.h"
#include "tests/audio/AudioProcessFakes.h"
#include "tests/toolkit/support/BusPeer.h"
#include "toolkit/CCANDev.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxTabCtrl.h"

namespace app_test {

class RecordingManager : public GUIManager {
 public:
  using GUIManager::GUIManager;
  using GUIManager::SendMessage;

  int SendMessage(tagUX_Message* msg, bool queued = false) override {
    if (msg && record) {
      std::string line = std::to_string(msg->type) + " " + std::to_string(static_cast<int>(msg->param)) + " " +
                         std::to_string(static_cast<int>(msg->flag)) + " " + std::to_string(static_cast<int>(msg->arg));
      if (msg->pData && (msg->type == EN_MSG_SET_VALUE || msg->type == UX_MSG_ASSIGN_DESTINATION)) {
        float v;
        std::memcpy(&v, msg->pData, sizeof v);
        char text[32];
        std::snprintf(text, sizeof text, " %g", static_cast<double>(v));
        line += text;
      }
      messages.push_back(line);
    }
    return GUIManager::SendMessage(msg, queued);
  }
  std::vector<std::string> Take() { return std::exchange(messages, {}); }

  bool record = true;
  std::vector<std::string> messages;
};

struct PanelRig {
  PanelRig() {
    initMathTables();
    audio_fakes::g_journal = &journal;
    bus.Root().MakeDir("/usr/share/ruv/gui/");
    bus.Root().MakeDir("/var/lib/ruv/working/");
    EXPECT_EQ(dc.Init(), 0);
    audio = std::make_unique<CAudioProcess>(audio_fakes::Fakes());
    EXPECT_EQ(InitAudioProcess(audio.get(), nullptr), 0);
    manager = std::make_unique<RecordingManager>(&dc, midi, &StandardPages());
    manager->SetSleep([](uint32_t) {});
    manager->SetAudioProcess(audio.get());
    if (bus.Ready() && toolkit_test::Cpu0Available() && can.Open("can0") == 0) manager->SetCanDevice(&can);
    manager->BuildPages();
    if (HasBus()) FramesSent();  // whatever the page build sent
    journal.Take();
    manager->Take();
  }
  ~PanelRig() {
    manager.reset();
    can.Close();
    audio.reset();
    audio_fakes::g_journal = nullptr;
  }
  bool HasBus() const { return manager->CanDevice() != nullptr; }
  int Tab() { return manager->MainMenu() ? manager->MainMenu()->getActiveTab() : -1; }
  void Frame(uint16_t id, const std::vector<uint8_t>& bytes) {
    manager->OnCanFrame(id, bytes.data(), static_cast<uint8_t>(bytes.size()));
  }
  // The frames the instrument sent up to a marker frame that the test sends last: the
  // marker proves that nothing else is still on its way.
  std::vector<toolkit_test::BusFrame> FramesSent() {
    manager->sendPanelEnum(0x7FF, 0xEE, 0xEE);
    std::vector<toolkit_test::BusFrame> frames;
    // The page build alone sends a few hundred (every editor's refresh reaches the panel).
    for (int i = 0; i < 4096; ++i) {
      toolkit_test::BusFrame f = bus.Next();
      if (f.id == 0x7FF || f.id == ~0u) break;
      frames.push_back(f);
    }
    return frames;
  }

  toolkit_test::BusPeer bus;  // first: its data root is the one in force
  audio_fakes::Journal journal;
  platform::MemoryFrameBuffer fb;
  uxDC dc{&fb};
  FakeRawMidiBackend midi;
  std::unique_ptr<CAudioProcess> audio;
  CCANDev can{bus.Sockets()};
  std::unique_ptr<RecordingManager> manager;
};

inline std::vector<uint8_t> FloatFrame(uint8_t command, uint8_t part, uint8_t kind, float v) {
  std::vector<uint8_t> f = {command, part, kind, 0, 0, 0, 0};
  std::memcpy(f.data() + 3, &v, sizeof v);
  return f;
}

}  // namespace app_test
