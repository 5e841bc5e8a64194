#include "data/CXMLParserDS.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/data/PresetFixture.h"

namespace {

// Writes down every callback with its arguments.
class RecordingParser : public CXMLParserDS {
 public:
  std::vector<std::string> calls;

  void OnProgram(const char* type, const char* version) override { Add("Program", type, version); }
  void OnSynthVoice(int start, int variant) override { Add("SynthVoice", start, variant); }
  void OnModule(const char* name, int nr) override { Add("Module", name, nr); }
  void OnModMatrix(int start) override { Add("ModMatrix", start); }
  void OnByteArray(int nr, const char* name, int index, int elements, const char* array) override {
    Add("ByteArray", nr, name, index, elements, array);
  }
  void OnParameter(int variant, const char* name, int index, int nr, int one, float value) override {
    Add("Parameter", variant, name, index, nr, one, value);
  }
  void OnItem(int variant, int nr, int src, float amount, float curve, int dst) override {
    Add("Item", variant, nr, src, amount, curve, dst);
  }
  void OnItemPolarity(int variant, int nr, int src, float amount, float curve, int dst, int polarity) override {
    Add("ItemPolarity", variant, nr, src, amount, curve, dst, polarity);
  }
  void OnEffectParam(int variant, const char* name, int index, int nr, int one, float value) override {
    Add("EffectParam", variant, name, index, nr, one, value);
  }
  void OnWavetable(int nr, const char* name, const char* encoding, std::vector<uint8_t>&& data) override {
    Add("Wavetable", nr, name, encoding, static_cast<int>(data.size()));
  }
  void OnWave(const char* name, const char* encoding, std::vector<uint8_t>&& data) override {
    Add("Wave", name, encoding, static_cast<int>(data.size()));
  }
  void OnAttribute(const char* name, const char* value) override { Add("Attribute", name, value); }
  void OnTag(const char* value) override { Add("Tag", value); }

 private:
  static std::string Text(const char* s) { return s; }
  static std::string Text(int v) { return std::to_string(v); }
  static std::string Text(float v) { return std::to_string(v); }
  template <typename... A>
  void Add(const char* what, A... args) {
    std::string line = what;
    ((line += ' ', line += Text(args)), ...);
    calls.push_back(line);
  }
};

using PresetParser = PresetFixture;

TEST_F(PresetParser, CallbacksInDocumentOrderWithNumbersCarriedOver) {
  Write("calls",
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
        "<Program SynthType=\"PX415\" Version=\"4\">\n"
        "<SynthVoice Variant=\"2\">\n"
        "<OSC Nr=\"2\"><Parameter Name=\"OSC2 Kbd\" index=\"2\" Value=\"1.5\"></Parameter></OSC>\n"
        "<WTOSC><WAVETABLE Name=\"W\" Encoding=\"PCM16\" Data=\"base64, AQID\"></WAVETABLE></WTOSC>\n"
        "<LFO Nr=\"3\"><ByteArray Name=\"STEP_DATA\" index=\"15\" elements=\"1\" Array=\"0A\"></ByteArray></LFO>\n"
        "<ModMatrix><Item Nr=\"1\" Curve=\"2\" Src=\"5\" Amount=\"0.5\" Polarity=\"1\" Dst=\"17\"></Item>"
        "<Item Nr=\"2\" Src=\"6\" Dst=\"3\"></Item></ModMatrix>\n"
        "</SynthVoice>\n"
        "<Master><Parameter Name=\"GLIDE_Mode\" index=\"1\" Value=\"1\"></Parameter></Master>\n"
        "<SynthEffect><EffectParam Name=\"EFF [4] TYPE\" index=\"0\" Value=\"3\" Nr=\"4\"></EffectParam>"
        "<EffectParam Name=\"EFF [4] P1\" index=\"1\" Value=\"0.25\"></EffectParam></SynthEffect>\n"
        "<Metadata><Attribute Name=\"Author\" Value=\"me &amp; you\"></Attribute><Tag Value=\"Bass\"></Tag></Metadata>\n"
        "<WAVE Name=\"S\" Encoding=\"RIFF\"></WAVE>\n"
        "</Program>");
  RecordingParser p;
  EXPECT_EQ(p.ParseFile(PathOf("calls").c_str()), 0);
  const std::vector<std::string> want = {
      "SynthVoice 1 0",
      "Parameter 2 OSC2 Kbd 2 2 1 1.500000",
      "Module OSC 2",
      "Wavetable 2 W PCM16 3",  // the wavetable oscillator takes its number from the oscillator before it
      "Module WTOSC 2",
      "ByteArray 3 STEP_DATA 15 1 0A",
      "Module LFO 3",
      "ModMatrix 1",
      "ItemPolarity 2 1 5 0.500000 2.000000 17 1",
      "Item 2 2 6 0.500000 2.000000 3",  // values carry over, the polarity does not
      "ModMatrix 0",
      "SynthVoice 0 2",
      "Parameter 2 GLIDE_Mode 1 1 1 1.000000",  // the voice-level section is number 1
      "Module FILTER 1",
      "EffectParam 2 EFF [4] TYPE 0 4 1 3.000000",
      "EffectParam 2 EFF [4] P1 1 4 1 0.250000",  // the slot's number from its type element
      "Module EFFECT 4",
      "Attribute Author me & you",
      "Tag Bass",
      "Wave S RIFF 0",  // the bytes went to the wavetable
      "Program PX415 4",
  };
  EXPECT_EQ(p.calls, want);
}

}  // namespace
