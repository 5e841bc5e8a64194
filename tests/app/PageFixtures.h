#pragma once
// What the page tests share besides the rig: placeholder pictures for every image a page
// loads, and a clip launcher with its clip set built in code or read from a small ".launch"
// text, over no MIDI device and no pad controller.
//
// The pictures are made here, never taken from anywhere else: each is a plain block of its
// own colour with a one-pixel white frame, so a golden picture shows where an image sits
// without depending on its artwork.
#include <atomic>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "midi/TrackServices.h"
#include "platform/Paths.h"
#include "tests/support/TestPaths.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "toolkit/uxDefs.h"

namespace page_rig {

struct PlaceholderImage {
  const char* name;  // as the page asks for it
  int width;
  int height;
};

// Every picture a page loads by name, at the size it fills.
inline constexpr PlaceholderImage kPageImages[] = {
    {"3BandEQ.png", 120, 60},        {"Blank.png", 120, 60},           {"Chorus.png", 120, 60},
    {"ConfigIcon.png", 60, 60},      {"Delay.png", 120, 60},           {"Diagnostics.png", 800, 440},
    {"Dynamics.png", 120, 60},       {"Filter_CC-Note.png", 60, 40},   {"Filter_CC.png", 60, 40},
    {"Filter_None.png", 60, 40},     {"Filter_Note.png", 60, 40},      {"J6Chorus.png", 120, 60},
    {"MidiClockSetting.png", 800, 320}, {"MixO1AO2A.png", 160, 100},   {"MixO1AO2B.png", 160, 100},
    {"MixO1BO2A.png", 160, 100},     {"MixO1BO2B.png", 160, 100},      {"MixXFade.png", 160, 100},
    {"MixerBKG.png", 800, 280},      {"MoogLadder.png", 120, 60},      {"OSCConfigBKG.png", 800, 280},
    {"OSCSwitchClosed.png", 40, 40}, {"OSCSwitchOpen.png", 40, 40},    {"OscIcon.png", 60, 60},
    {"Phaser.png", 120, 60},         {"Reverb.png", 120, 60},          {"ShaperIcon.png", 60, 60},
    {"ShaperIconBKG.png", 60, 60},   {"SplashScreen.png", 800, 480},   {"TubePreamp.png", 120, 60},
    {"VoiceBackGround.png", 800, 440}, {"kit_bkg.png", 800, 360},      {"midifile_bkg.png", 800, 320},
    {"part_bkg.png", 800, 440},      {"song_bkg.png", 800, 440},       {"sw-l1r1-closed.png", 40, 40},
    {"sw-l1r1-open.png", 40, 40},    {"sw-l2r1-down.png", 40, 40},     {"sw-l2r1-up.png", 40, 40},
};

// Writes every placeholder into `dir` (ending in '/'); false when one could not be written.
inline bool WritePlaceholderImages(const std::string& dir) {
  uint32_t seed = 0x2468ACu;
  for (const PlaceholderImage& image : kPageImages) {
    toolkit_test::Picture p;
    p.width = image.width;
    p.height = image.height;
    seed = seed * 1103515245u + 12345u;
    const uint32_t fill = (seed >> 8) & 0x7F7F7F;  // dark enough for white text on it
    p.pixels.assign(static_cast<std::size_t>(p.width) * p.height, fill);
    for (int x = 0; x < p.width; ++x) p.pixels[x] = p.pixels[std::size_t(p.height - 1) * p.width + x] = 0xFFFFFF;
    for (int y = 0; y < p.height; ++y) p.pixels[std::size_t(y) * p.width] = p.pixels[std::size_t(y) * p.width + p.width - 1] = 0xFFFFFF;
    if (!toolkit_test::WritePng(dir + image.name, p)) return false;
  }
  return true;
}

// A temporary data root whose image folder holds every placeholder.
class ImageRoot {
 public:
  ImageRoot() { EXPECT_TRUE(WritePlaceholderImages(root.MakeDir(PATH_IMAGES))); }
  testing_support::TempDataRoot root;
};

// Track output that only counts what it is given.
class CountingTrackServices : public TrackServices {
 public:
  void TrackNoteOn(int, int, int, int, int, int) override { ++notes; }
  void TrackNoteOff(int, int) override {}
  void TrackControlChange(int, int, int) override {}
  void SendPartStop(int) override {}
  void TriggerDrumNote(int, int, int) override {}
  int DispatchMidiCC(int, int, int, int) override { return 0; }
  std::atomic<int> notes{0};
};

// A track instrument that is no sequence (a page must leave it alone).
class PlainInstrument : public CInstrument {
 public:
  using CInstrument::CInstrument;
  int IsSequence() override { return 0; }
  int OnNoteInput(int, int, int, int) override { return 0; }
};

// The clip launcher over nothing: its default clip set (arpeggiators "1 A" .. "2 D" on tracks
// 0-3, a drum pattern on 4, empty sequences on 5 and 6), edit-clip mode 1, every entry 0.
// Needs a data root (TempDataRoot, ImageRoot) for LoadText and Store.
class ClipRig {
 public:
  ClipRig() : core(services, backend) {}

  // The sequence instrument on `track`, null when there is none or it is not one.
  CInstrumentSeq* Seq(int track) {
    auto lock = core.Master().Lock();
    return dynamic_cast<CInstrumentSeq*>(core.Master().Track(track));
  }
  ClipData& Clip(int track, int scene) { return Seq(track)->Clip(scene); }
  // Takes the instrument off `track`, or puts a non-sequence instrument there.
  void Remove(int track) {
    auto lock = core.Master().Lock();
    core.Master().Install(track, nullptr);
  }
  void PutPlain(int track) {
    auto lock = core.Master().Lock();
    core.Master().Install(track, std::make_unique<PlainInstrument>(&core, track));
  }
  // Makes `scene` the playing scene of `track`, as the clock does at the launch quantum.
  void PlayScene(int track, int scene) {
    core.OnClockTick(0, 1);
    {
      auto lock = core.Master().Lock();
      if (CInstrument* i = core.Master().Track(track)) i->LaunchScene(scene);
    }
    core.OnClockTick(0, 1);
  }
  // Reads `text` as the clip set "<name>.launch"; returns the elements read.
  int LoadText(const std::string& name, const std::string& text) {
    std::ofstream(platform::DataPath("/var/lib/ruv/working/clips/") + name + ".launch") << text;
    return core.XMLLoadClipLauncher(name.c_str());
  }
  // Stores the clip set as "<name>.launch" and returns the file's text ("" when not written).
  std::string StoreText(const std::string& name) {
    if (core.XMLStoreClipLauncher(name.c_str()) != 1) return "";
    std::ifstream in(platform::DataPath("/var/lib/ruv/working/clips/") + name + ".launch");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void MakeClipsFolder(const testing_support::TempDataRoot& root) {
    root.MakeDir("/var/lib/ruv/working/clips/");
  }

  CountingTrackServices services;
  FakeRawMidiBackend backend;
  CClipCore core;
};

}  // namespace page_rig
