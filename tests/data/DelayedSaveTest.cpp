// The delayed saves of the settings and the device configuration: armed by a change,
// counted down once per audio period, written once by the GUI tick.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "data/CDeviceConfig.h"
#include "data/CSettings.h"
#include "platform/Paths.h"
#include "tests/data/DocumentFiles.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

using document_files::Exists;

// One document with a delayed save, seen through the calls the application core makes.
struct SavedDocument {
  const char* name;
  std::function<void()> prepare;  // load as at start-up
  std::function<void(int32_t)> arm;
  std::function<void()> tick;
  std::function<void()> save;
  std::function<bool()> pending;
  const char* file;
};

class DelayedSaves : public ::testing::Test {
 protected:
  std::vector<SavedDocument> Documents() {
    return {
        {"settings", [this] { settings_.XMLLoadSettings("[default]", true); },
         [this](int32_t n) { settings_.ArmSave(n); }, [this] { settings_.TickDirty(); },
         [this] { settings_.SaveIfDirty(); }, [this] { return settings_.SavePending(); },
         "/var/lib/ruv/working/[default].settings"},
        {"device configuration", [this] { config_.XMLLoadDeviceConfig("DeviceConfig"); },
         [this](int32_t n) { config_.ArmSave(n); }, [this] { config_.TickDirty(); },
         [this] { config_.SaveIfDirty(); }, [this] { return config_.SavePending(); },
         "/var/lib/ruv/working/DeviceConfig.xml"},
    };
  }

  testing_support::TempDataRoot root_;
  std::string working_ = root_.MakeDir("/var/lib/ruv/working");
  CSettings settings_;
  CDeviceConfig config_;
};

TEST_F(DelayedSaves, FallDueOnThe1720thPeriodAndWriteOnce) {
  EXPECT_NEAR(DelayedSave::kPeriods * 128.0 / 48000.0, 4.587, 0.001);
  for (const SavedDocument& d : Documents()) {
    SCOPED_TRACE(d.name);
    d.prepare();
    const std::string file = platform::DataPath(d.file);
    std::filesystem::remove(file);
    d.arm(DelayedSave::kPeriods);
    for (int i = 0; i < 1000; ++i) d.tick();
    d.arm(DelayedSave::kPeriods);  // a further change restarts the count
    for (int i = 1; i < DelayedSave::kPeriods; ++i) d.tick();
    d.save();
    EXPECT_FALSE(d.pending());
    EXPECT_FALSE(Exists(file));
    d.tick();
    EXPECT_TRUE(d.pending());
    d.save();
    EXPECT_FALSE(d.pending());
    EXPECT_TRUE(Exists(file));
    std::filesystem::remove(file);
    for (int i = 0; i < 2 * DelayedSave::kPeriods; ++i) d.tick();
    d.save();
    EXPECT_FALSE(Exists(file));
  }
}

TEST_F(DelayedSaves, FailedSaveCountsDownAgainAndKeepsTheChange) {
  for (const SavedDocument& d : Documents()) {
    SCOPED_TRACE(d.name);
    d.prepare();
    const std::string file = platform::DataPath(d.file);
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);  // the file cannot be put in place
    testing_support::LogCapture log;
    d.arm(1);
    d.tick();
    d.save();
    EXPECT_NE(log.Text().find("not written"), std::string::npos);
    EXPECT_FALSE(d.pending());
    std::filesystem::remove(file);
    for (int i = 1; i < DelayedSave::kPeriods; ++i) d.tick();
    d.save();
    EXPECT_FALSE(Exists(file));
    d.tick();
    d.save();
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
  }
}

TEST_F(DelayedSaves, SettingsFromAnArrangementAreNotAutoSaved) {
  root_.MakeDir("/var/lib/ruv/working/arrangments");
  ASSERT_EQ(settings_.XMLStoreSettings("song"), 1);
  settings_.XMLLoadSettings("song", false);
  settings_.ArmSave(2);
  for (int i = 0; i < 10; ++i) settings_.TickDirty();
  EXPECT_EQ(settings_.SaveCountdown(), 2);
  EXPECT_FALSE(settings_.SavePending());
  // Loading the working settings arms the auto-save again, from a clean state.
  settings_.XMLLoadSettings("[default]", true);
  EXPECT_EQ(settings_.SaveCountdown(), 0);
  settings_.ArmSave(2);
  settings_.TickDirty();
  settings_.TickDirty();
  EXPECT_TRUE(settings_.SavePending());
}

TEST_F(DelayedSaves, TickingAllocatesNothing) {
  settings_.XMLLoadSettings("[default]", true);
  settings_.ArmSave(3000);
  config_.ArmSave(3000);
  testing_support::AllocGuard guard;
  for (int i = 0; i < 5000; ++i) {
    settings_.TickDirty();
    config_.TickDirty();
  }
  EXPECT_EQ(guard.Count(), 0u);
  EXPECT_TRUE(settings_.SavePending());
  EXPECT_TRUE(config_.SavePending());
}

// The audio thread ticks, a page changes values and arms the saves, the GUI tick saves: the
// last change always reaches the file.
TEST(DelayedSavesThreads, TickSetAndSaveAtOnce) {
  testing_support::TempDataRoot root;
  root.MakeDir("/var/lib/ruv/working");
  CSettings settings;
  CDeviceConfig config;
  settings.XMLLoadSettings("[default]", true);
  config.XMLLoadDeviceConfig("DeviceConfig");
  const int tuning = settings.Find(0xB15, 5);  // a row without a range: every change stays as it is
  constexpr int kChanges = 300;
  std::atomic<bool> stop{false};
  std::atomic<int> saves{0};

  std::thread audio([&] {
    while (!stop.load()) {
      settings.TickDirty();
      config.TickDirty();
      std::this_thread::yield();
    }
  });
  std::thread gui([&] {
    while (!stop.load()) {
      const bool due = settings.SavePending();
      settings.SaveIfDirty();
      config.SaveIfDirty();
      if (due) saves.fetch_add(1);
      std::this_thread::yield();
    }
  });
  std::thread page([&] {
    for (int i = 1; i <= kChanges; ++i) {
      settings.SetValue(tuning, static_cast<float>(i));
      settings.ArmSave(1 + i % 4);
      config.ArmSave(1 + i % 4);
      std::this_thread::yield();
    }
  });
  page.join();
  // The last arm falls due within a few ticks; wait for its save, bounded.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((settings.SaveCountdown() != 0 || settings.SavePending() || config.SaveCountdown() != 0 ||
          config.SavePending()) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  stop.store(true);
  audio.join();
  gui.join();

  EXPECT_GT(saves.load(), 0);
  CSettings reloaded;
  EXPECT_EQ(reloaded.XMLLoadSettings("[default]", true), 60);
  EXPECT_EQ(reloaded.GetValue(tuning), static_cast<float>(kChanges));
  EXPECT_TRUE(Exists(platform::DataPath("/var/lib/ruv/working/DeviceConfig.xml")));
}

}  // namespace
