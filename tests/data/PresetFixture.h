#pragma once
// A temporary data root with the presets folder, a log capture, and file helpers for the
// preset tests.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

class PresetFixture : public ::testing::Test {
 protected:
  static constexpr const char* kFolder = "/var/lib/ruv/working/presets/";

  PresetFixture() : dir_(root_.MakeDir(kFolder)) {}

  std::string PathOf(const std::string& name) const { return dir_ + name + ".preset"; }

  std::string Read(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  void Write(const std::string& name, const std::string& text) const {
    std::ofstream out(PathOf(name), std::ios::binary);
    out << text;
  }

  // A preset document around `voice` (elements inside SynthVoice) and `after` (elements after it).
  static std::string Doc(const std::string& voice, const std::string& after = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Program SynthType=\"PX415\" Version=\"4\">\n<SynthVoice>\n" +
           voice + "\n</SynthVoice>\n" + after + "\n</Program>";
  }

  testing_support::TempDataRoot root_;
  std::string dir_;
  testing_support::LogCapture log_;
};
