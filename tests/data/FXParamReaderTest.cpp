#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "data/CXMLParserFXParam.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

// Writes each delivered parameter as "nr name value;".
class Recorder : public CXMLParserFXParam {
 public:
  void OnFXPreset() override {}
  void OnParameter(int nr, const char* name, float value) override {
    calls += std::to_string(nr) + " " + name + " " + std::to_string(value) + ";";
  }
  std::string calls;
};

TEST(FXParamReader, EachParameterElementIsOneCallInDocumentOrder) {
  struct Case {
    const char* what;
    std::string text;  // empty: no file
    int result;
    const char* calls;
    bool done;  // the parsing-done line
  };
  const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
  const Case cases[] = {
      {"one parameter", decl + "<FXPreset Version=\"1\"><Parameter Nr=\"3\" Name=\"Decay\" Value=\"2.5\"/></FXPreset>", 0,
       "3 Decay 2.500000;", true},
      {"other root", decl + "<Reverb><Parameter Nr=\"1\" Name=\"Pre\" Value=\"-4\"></Parameter></Reverb>", 0,
       "1 Pre -4.000000;", false},
      {"no number skipped, not given the number before it",
       "<FXPreset><Parameter Nr=\"5\" Name=\"A\" Value=\"1\"/><Parameter Name=\"B\" Value=\"2\"/>"
       "<Parameter Nr=\"\" Name=\"C\" Value=\"3\"/><Parameter Nr=\"6\" Name=\"D\" Value=\"4\"/></FXPreset>",
       0, "5 A 1.000000;6 D 4.000000;", true},
      {"not numbers skipped",
       "<FXPreset><Parameter Nr=\"1\" Name=\"A\" Value=\"nan\"/><Parameter Nr=\"2\" Name=\"B\" Value=\"1e39\"/>"
       "<Parameter Nr=\"3\" Name=\"C\" Value=\"0.5\"/></FXPreset>",
       0, "3 C 0.500000;", true},
      {"cut short", "<FXPreset><Parameter Nr=\"1\" Name=\"A\" Value=\"7\"/><Parameter Nr=\"2\"", 2, "1 A 7.000000;", false},
      {"missing file", "", 1, "", false},
  };
  testing_support::TempDataRoot root;
  const std::string dir = root.MakeDir("/var/lib/ruv/working/effects/");
  for (const Case& c : cases) {
    const std::string path = dir + (c.text.empty() ? "none" : "hall") + ".reverbfx";
    if (!c.text.empty()) std::ofstream(path, std::ios::binary) << c.text;
    testing_support::LogCapture log;
    Recorder r;
    EXPECT_EQ(r.ParseFile(path.c_str()), c.result) << c.what;
    EXPECT_EQ(r.calls, c.calls) << c.what;
    EXPECT_EQ(log.Text().find("<FXPreset> Parsing done -> OK\n") != std::string::npos, c.done) << c.what;
  }
}

}  // namespace
