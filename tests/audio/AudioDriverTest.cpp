// The PCM output: device choice, set-up failures and their messages, the write loop with its
// under-run recovery, on a scripted PCM and on ALSA's own "file" and "null" devices.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioDriver.h"
#include "audio/CAudioProcess.h"
#include "numeric/MathTables.h"
#include "tests/audio/AudioProcessFakes.h"
#include "tests/support/Emulation.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

using audio_fakes::FakeDrums;
using audio_fakes::FakeEngine;
using audio_fakes::FakePcm;

// Waits up to two seconds for `done`.
template <typename F>
bool WaitFor(F done) {
  for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return done();
}

class AudioDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initMathTables();
    log_ = std::make_unique<testing_support::LogCapture>();
    process_ = std::make_unique<CAudioProcess>(audio_fakes::Fakes());
    ASSERT_EQ(InitAudioProcess(process_.get(), nullptr), 0);
  }
  void TearDown() override {
    driver_.reset();
    process_.reset();
    log_.reset();
  }
  FakePcm* Driver(FakePcm::Script script) {
    auto pcm = std::make_unique<FakePcm>(std::move(script));
    FakePcm* raw = pcm.get();
    driver_ = std::make_unique<AudioDriver>(std::move(pcm));
    return raw;
  }

  std::unique_ptr<testing_support::LogCapture> log_;
  std::unique_ptr<CAudioProcess> process_;
  std::unique_ptr<AudioDriver> driver_;
};

TEST_F(AudioDriverTest, TheDeviceIsTheNamedCardOrStaysAsItWas) {
  struct Case {
    std::vector<std::string> cards;
    const char* preset;
    std::string device;
  } const cases[] = {
      {{}, nullptr, "default"},
      {{"HDMI", "snd_rpi_proto"}, nullptr, "plughw:1,0"},
      {{"HDMI", "USB"}, "null", "null"},
      {{"snd_rpi_proto"}, "null", "plughw:0,0"},
  };
  for (const Case& c : cases) {
    FakePcm::Script script;
    script.cards = c.cards;
    FakePcm* pcm = Driver(script);
    if (c.preset != nullptr) driver_->SetDevice(c.preset);
    ASSERT_EQ(OpenAudioDriver(driver_.get(), process_.get()), 0);
    EXPECT_EQ(pcm->opened, c.device);
    driver_->Stop();
  }
}

TEST_F(AudioDriverTest, EachSetUpFailureIsReportedAndStartsNoThread) {
  struct Case {
    int openResult;
    PcmStep step;
    int stepResult;
    int returned;
    const char* line;
  } const cases[] = {
      {-16, PcmStep::kAccess, 0, -16, "The \"default\" audio device is used by another application\n"},
      {-2, PcmStep::kAccess, 0, -2, "Failed to open the \"default\" audio device\n"},
      {0, PcmStep::kAccess, -22, 1, "Failed set_access error -22\n"},
      {0, PcmStep::kFormat, -22, -22, "Failed set_format error -22\n"},
      {0, PcmStep::kChannels, -22, -22, "Failed to set the channels: error -22\n"},
      {0, PcmStep::kRate, -22, -22, "Failed to set the sample rate: error -22\n"},
      {0, PcmStep::kPeriodSize, -22, -22, "Failed to set the period size\n"},
      {0, PcmStep::kPeriods, -22, -22, "Failed to set the number of periods\n"},
      {0, PcmStep::kBufferSize, -22, -22, "Failed to set buffer size in frames\n"},
      {0, PcmStep::kApplyHardware, -5, -5, "Audio device hardware configuration failed:<error -5>\n"},
  };
  for (const Case& c : cases) {
    FakePcm::Script script;
    script.openResult = c.openResult;
    script.failStep = c.step;
    script.failResult = c.stepResult;
    FakePcm* pcm = Driver(script);
    log_->Clear();
    EXPECT_EQ(OpenAudioDriver(driver_.get(), process_.get()), c.returned) << c.line;
    EXPECT_EQ(log_->Text(), c.line);
    EXPECT_FALSE(driver_->Running());
    EXPECT_EQ(pcm->writes.load(), 0);
  }
  // Software steps only print; the device still plays.
  for (PcmStep step : {PcmStep::kStartThreshold, PcmStep::kAvailMin, PcmStep::kApplySoftware}) {
    FakePcm::Script script;
    script.failStep = step;
    script.failResult = -22;
    FakePcm* pcm = Driver(script);
    log_->Clear();
    ASSERT_EQ(OpenAudioDriver(driver_.get(), process_.get()), 0);
    EXPECT_TRUE(WaitFor([&] { return pcm->writes.load() > 3; }));
    driver_->Stop();
    EXPECT_NE(log_->Text().find("."), std::string::npos);
  }
}

TEST_F(AudioDriverTest, PeriodsAreClampedInterleavedAndWrittenWhole) {
  FakeEngine* engine = FakeEngine::last;
  engine->partLeft[0] = 1000.0f;   // far above full scale after the part level
  engine->partRight[0] = -1000.0f;
  engine->partLeft[1] = std::numeric_limits<float>::quiet_NaN();  // silenced before the effects
  FakeDrums::last->level = std::numeric_limits<float>::quiet_NaN();
  FakeDrums::last->leftOnly = true;
  FakePcm::Script script;
  script.writeResults = {128, 100, 28, -32, 128, -11, 128};  // short write, under-run, EAGAIN
  FakePcm* pcm = Driver(script);
  ASSERT_EQ(OpenAudioDriver(driver_.get(), process_.get()), 0);
  ASSERT_TRUE(WaitFor([&] { return driver_->Periods() >= 20; }));
  driver_->Stop();
  std::lock_guard<std::mutex> lock(pcm->mutex);
  ASSERT_GE(pcm->samples.size(), 20u * 256u);
  EXPECT_EQ(pcm->samples.size() % 256, 0u);
  // A NaN in the mix reaches the device as 0, everything else within -1..1: the drums' NaN
  // poisons the whole left sum, so left is 0 and right is -1.
  for (std::size_t i = 0; i < pcm->samples.size(); i += 2) {
    ASSERT_EQ(pcm->samples[i], 0.0f) << i;
    if (i >= 256 * 10) {
      ASSERT_EQ(pcm->samples[i + 1], -1.0f) << i;
    }
  }
  EXPECT_NE(log_->Text().find("Recovery from underrun\n"), std::string::npos) << log_->Text();
  EXPECT_EQ(pcm->prepares, 2);
  // The level reading is of what was written (clamped, NaN-free), and a reading resets it.
  EXPECT_EQ(driver_->TakePeak(), 1.0f);
  EXPECT_EQ(driver_->TakePeak(), 0.0f);
}

TEST_F(AudioDriverTest, AFailedRecoveryEndsTheAudioThread) {
  struct Case {
    long writeError;
    int prepareResult;
    const char* line;
  } const cases[] = {
      {-32, -19, "Recovery from underrun, prepare failed: error -19\n"},
      {-5, 0, "Audio write failed: error -5\n"},
  };
  for (const Case& c : cases) {
    FakePcm::Script script;
    script.writeResults = {128, c.writeError};
    script.prepareFailsAfter = 1;  // the start-up prepare succeeds
    script.prepareResult = c.prepareResult;
    Driver(script);
    log_->Clear();
    ASSERT_EQ(OpenAudioDriver(driver_.get(), process_.get()), 0);
    ASSERT_TRUE(WaitFor([&] { return !driver_->Running(); })) << c.line;
    EXPECT_NE(log_->Text().find(c.line), std::string::npos) << log_->Text();
    driver_->Stop();  // joins the ended thread
  }
}

// ALSA's own devices: the "file" device writes exactly what the driver hands it, and neither
// it nor "null" has a card, so the thread keeps the period's pace itself. The file sits in a
// folder whose name is long and holds a quote and a backslash: the device name is taken whole.
TEST_F(AudioDriverTest, AlsaFileDeviceReceivesTheInterleavedMix) {
  SKIP_WHEN_EMULATED("ALSA's configuration files are the host's, not the target's");
  testing_support::TempDataRoot dir;
  const std::string folder = dir.Root() + "/" + std::string(150, 'd') + " it's\\x";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string raw = folder + "/out.raw";
  FakeEngine* engine = FakeEngine::last;
  engine->partLeft[2] = 0.5f;
  engine->partRight[2] = -0.25f;
  driver_ = std::make_unique<AudioDriver>();
  driver_->SetDevice(AlsaFileDevice(raw).c_str());
  EXPECT_EQ(driver_->Device(), AlsaFileDevice(raw));
  ASSERT_EQ(OpenAudioDriver(driver_.get(), process_.get()), 0) << log_->Text();
  EXPECT_TRUE(driver_->Paced());
  ASSERT_TRUE(WaitFor([&] { return driver_->Periods() >= 30; }));
  driver_->Stop();
  const long periods = driver_->Periods();
  std::ifstream in(raw, std::ios::binary);
  in.seekg(0, std::ios::end);
  const auto bytes = static_cast<std::size_t>(in.tellg());
  EXPECT_EQ(bytes, static_cast<std::size_t>(periods) * 128 * 2 * sizeof(float));
  std::vector<float> f(bytes / sizeof(float));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(f.data()), static_cast<std::streamsize>(bytes));
  // Period n's part level is 0.8 (1 - 0.99^n); master 0.8.
  double level = 0.0;
  for (long n = 0; n < periods; ++n) {
    level += (0.8 - level) * 0.01;
    for (int i = 0; i < 128; i += 37) {
      ASSERT_NEAR(f[(n * 128 + i) * 2], 0.5 * level * 0.8, 1e-5) << n;
      ASSERT_NEAR(f[(n * 128 + i) * 2 + 1], -0.25 * level * 0.8, 1e-5) << n;
    }
  }
}

TEST_F(AudioDriverTest, AlsaNullDeviceIsPacedAndAMissingDeviceFails) {
  SKIP_WHEN_EMULATED("ALSA's configuration files are the host's, not the target's; timing under emulation");
  driver_ = std::make_unique<AudioDriver>();
  driver_->SetDevice("null");
  ASSERT_EQ(OpenAudioDriver(driver_.get(), process_.get()), 0) << log_->Text();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  driver_->Stop();
  // 150 periods in 0.4 s; loose bounds, as a loaded machine may be late.
  EXPECT_GT(driver_->Periods(), 60);
  EXPECT_LT(driver_->Periods(), 240);

  auto missing = std::make_unique<AudioDriver>();
  missing->SetDevice("plughw:99,0");
  log_->Clear();
  EXPECT_LT(OpenAudioDriver(missing.get(), process_.get()), 0);
  EXPECT_NE(log_->Text().find("Failed to open the \"plughw:99,0\" audio device\n"), std::string::npos);
  EXPECT_FALSE(missing->Running());
}

}  // namespace
