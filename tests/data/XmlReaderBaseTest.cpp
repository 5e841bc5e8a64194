#include "data/XmlReaderBase.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/XmlTagName.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

constexpr XmlAttributeName kAttributes[] = {
    {"Name", false},
    {"Value", false},
    {"Data", true},
};

// A reader of effect-preset-like documents that writes down every element it is handed.
class RecordingReader : public XmlReaderBase {
 public:
  RecordingReader() : XmlReaderBase(xml_tags::kFXParam, kAttributes) {}
  std::vector<std::string> calls;

 protected:
  void OnElementStart(uint32_t tag) override { calls.push_back("start " + std::string(xml_tags::kFXParam[tag].name)); }
  void OnElementEnd(uint32_t tag) override {
    std::string line = std::string("end ") + xml_tags::kFXParam[tag].name + " Name=" + Attribute(0) +
                       " Value=" + Attribute(1);
    const auto bytes = AttributeBytes(2);
    if (!bytes.empty()) line += " Data=" + std::string(bytes.begin(), bytes.end());
    calls.push_back(line);
  }
};

class XmlReaderBaseTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = root_.Root() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (!text.empty()) {
      EXPECT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
    }
    std::fclose(f);
    return path;
  }
  // Parses `text` through a file; returns the result and fills `calls`.
  int Parse(const std::string& text, std::vector<std::string>* calls = nullptr) {
    RecordingReader reader;
    const int result = reader.ParseFile(Write("doc.xml", text).c_str());
    EXPECT_EQ(reader.Buffer(), nullptr);
    if (calls) *calls = reader.calls;
    return result;
  }

  testing_support::TempDataRoot root_;
};

const std::string kPreset =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
    "<FXPreset Name=\"Hall\">\n"
    "\t<Parameter Name=\"Size\" Value=\"0.5\"/>\n"
    "\t<Parameter Name=\"Damp &amp; Tone\"></Parameter>\n"
    "\t<!-- a comment --><Unknown Name=\"x\" Value=\"7\"><Parameter Name=\"Inner\"/></Unknown>\n"
    "</FXPreset>";

// What the reader hands on for kPreset. Values persist: an element without an attribute
// sees the previous element's value. The unknown element runs no handler, but its
// attributes are collected like any others.
const std::vector<std::string> kPresetCalls = {
      "start FXPreset",
      "start Parameter",
      "end Parameter Name=Size Value=0.5",
      "start Parameter",
      "end Parameter Name=Damp & Tone Value=0.5",
      "start Parameter",
      "end Parameter Name=Inner Value=7",
      "end FXPreset Name=Inner Value=7",
};

TEST_F(XmlReaderBaseTest, HandsEveryKnownElementToTheHandler) {
  std::vector<std::string> calls;
  EXPECT_EQ(Parse(kPreset, &calls), XmlReaderBase::kOk);
  EXPECT_EQ(calls, kPresetCalls);
}

TEST_F(XmlReaderBaseTest, ProcessingInstructionsPushAndPopTheirOwnTag) {
  std::vector<std::string> calls;
  EXPECT_EQ(Parse("<FXPreset><?pi Name='p'?><Parameter Value=\"1\"/></FXPreset>", &calls), XmlReaderBase::kOk);
  EXPECT_EQ(calls, (std::vector<std::string>{"start FXPreset", "start Parameter", "end Parameter Name=p Value=1",
                                             "end FXPreset Name=p Value=1"}));
}

TEST_F(XmlReaderBaseTest, ByteOrderMarkChangesNothing) {
  std::vector<std::string> plain, marked;
  EXPECT_EQ(Parse(kPreset, &plain), XmlReaderBase::kOk);
  EXPECT_EQ(Parse("\xEF\xBB\xBF" + kPreset, &marked), XmlReaderBase::kOk);
  EXPECT_EQ(plain, kPresetCalls);
  EXPECT_EQ(marked, kPresetCalls);
}

TEST_F(XmlReaderBaseTest, Base64AttributeCarriesItsBytes) {
  std::vector<std::string> calls;
  EXPECT_EQ(Parse("<FXPreset><Parameter Name=\"w\" Data=\"base64, QUJD\"/><Parameter Data=\"\"/>"
                  "<Parameter Name=\"base64, QQ==\"/></FXPreset>",
                  &calls),
            XmlReaderBase::kOk);
  ASSERT_EQ(calls.size(), 8u);
  EXPECT_EQ(calls[2], "end Parameter Name=w Value= Data=ABC");
  EXPECT_EQ(calls[4], "end Parameter Name=w Value=");  // an empty value empties the bytes
  // A text attribute whose value looks like Base64 keeps its raw text, ending at its quote,
  // and does not touch the bytes of the Base64 attribute.
  EXPECT_EQ(calls[6], "end Parameter Name=base64, QQ== Value=");

  testing_support::LogCapture log;
  EXPECT_EQ(Parse("<FXPreset><Parameter Name=\"ok\"/><Parameter Data=\"base64, Q$==\"/></FXPreset>", &calls),
            XmlReaderBase::kSyntaxError);
  EXPECT_NE(log.Text().find("[Base64] ERROR: decode"), std::string::npos);
  // The elements ended before the error have been handed over.
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2], "end Parameter Name=ok Value=");
  EXPECT_EQ(calls.back(), "start Parameter");
}

// A reader of two Base64 attributes beside a text one, writing down what each element had.
class TwoDataReader : public XmlReaderBase {
 public:
  TwoDataReader() : XmlReaderBase(xml_tags::kFXParam, kTwoData) {}
  std::vector<std::string> calls;

 protected:
  static constexpr XmlAttributeName kTwoData[] = {{"Name", false}, {"Data", true}, {"Wave", true}};
  void OnElementEnd(uint32_t) override {
    const auto data = AttributeBytes(1), wave = AttributeBytes(2);
    calls.push_back(std::string(Attribute(0)).substr(0, 12) + "|" + std::string(data.begin(), data.end()) + "|" +
                    std::string(wave.begin(), wave.end()));
  }
};

TEST_F(XmlReaderBaseTest, EveryBase64AttributeKeepsItsOwnBytes) {
  // Later values, of the other Base64 attribute or of text that looks like Base64 (long
  // enough to move any shared array), leave the bytes of earlier values intact.
  std::string longText = "base64, ";
  for (int i = 0; i < 4000; ++i) longText += "QUJD";
  TwoDataReader reader;
  const std::string doc = "<FXPreset><Parameter Data=\"base64, QUJD\" Wave=\"base64, REVGRw==\"/>"
                          "<Parameter Name=\"" + longText + "\" Wave=\"base64, SA==\"/>"
                          "<Parameter Name=\"base64, #not data#\" Other=\"base64, *\"/>"
                          "<Parameter Data=\"plain\"/></FXPreset>";
  EXPECT_EQ(reader.ParseFile(Write("two.xml", doc).c_str()), XmlReaderBase::kOk);
  EXPECT_EQ(reader.calls, (std::vector<std::string>{"|ABC|DEFG", "base64, QUJD|ABC|H", "base64, #not|ABC|H",
                                                    "base64, #not||H", "base64, #not||H"}));
}

TEST_F(XmlReaderBaseTest, ResultCodesForMalformedDocuments) {
  testing_support::LogCapture log;
  struct Case {
    const char* document;
    int result;
  };
  const Case cases[] = {
      {"", XmlReaderBase::kOk},
      {"\xEF\xBB\xBF", XmlReaderBase::kOk},
      {"<FXPreset/>", XmlReaderBase::kOk},
      {"<FXPreset/>  trailing text", XmlReaderBase::kOk},
      {"</Parameter><FXPreset/>", XmlReaderBase::kOk},  // a stray end tag is ignored
      {"<FXPreset></Parameter></FXPreset></FXPreset>", XmlReaderBase::kOk},
      {"<FXPreset></FXPreset >", XmlReaderBase::kSyntaxError},
      {"<FXPreset>", XmlReaderBase::kSyntaxError},  // cut off: elements still open
      {"<FXPreset><Parameter Name=\"a\"/>", XmlReaderBase::kSyntaxError},
      {"<FXPreset>text", XmlReaderBase::kSyntaxError},
      {"<?xml version=\"1.0\"", XmlReaderBase::kSyntaxError},
      {"<FXPreset Name=\"a", XmlReaderBase::kSyntaxError},
      {"<FXPreset Name=a/>", XmlReaderBase::kSyntaxError},
      {"<FXPreset Name \"a\"/>", XmlReaderBase::kSyntaxError},
      {"<FXPreset><!-- open", XmlReaderBase::kSyntaxError},
      {"<FXPreset><![CDATA[ open", XmlReaderBase::kSyntaxError},
      {"<!DOCTYPE", XmlReaderBase::kSyntaxError},
      {"<FXPreset Data=\"base64, QUJD", XmlReaderBase::kSyntaxError},
      {"<", XmlReaderBase::kSyntaxError},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.document), c.result) << c.document;
}

TEST_F(XmlReaderBaseTest, EveryCutOfADocumentIsReportedUnlessNoElementIsOpen) {
  const size_t declarationEnd = kPreset.find("?>") + 2;
  const size_t rootStart = kPreset.find("<FXPreset");
  for (size_t cut = 0; cut <= kPreset.size(); ++cut) {
    const bool whole = cut == 0 || cut == kPreset.size() || (cut >= declarationEnd && cut <= rootStart);
    EXPECT_EQ(Parse(kPreset.substr(0, cut)), whole ? XmlReaderBase::kOk : XmlReaderBase::kSyntaxError) << cut;
  }
}

TEST_F(XmlReaderBaseTest, DeepNestingIsBoundedByTheFile) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "<Parameter>";
  for (int i = 0; i < 100000; ++i) text += "</Parameter>";
  std::vector<std::string> calls;
  EXPECT_EQ(Parse(text, &calls), XmlReaderBase::kOk);
  EXPECT_EQ(calls.size(), 200000u);
}

TEST_F(XmlReaderBaseTest, UnreadableFiles) {
  RecordingReader reader;
  const std::string dir = root_.MakeDir("/sub");
  const std::string fifo = root_.Root() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {root_.Root() + "/missing.xml", dir, fifo}) {
    EXPECT_EQ(reader.ReadFile(path.c_str()), 0) << path;
    EXPECT_EQ(reader.Buffer(), nullptr);
    EXPECT_EQ(reader.ParseFile(path.c_str()), XmlReaderBase::kUnreadable) << path;
  }
  EXPECT_EQ(reader.ParseFile(nullptr), XmlReaderBase::kUnreadable);
  EXPECT_TRUE(reader.calls.empty());
}

TEST_F(XmlReaderBaseTest, ReadFileHoldsTheWholeFileAndReadersAreReusable) {
  RecordingReader reader;
  const std::string path = Write("a.xml", "<FXPreset/>");
  ASSERT_EQ(reader.ReadFile(path.c_str()), 1);
  EXPECT_EQ(reader.Size(), 11u);
  EXPECT_EQ(std::string(reader.Buffer(), reader.Size()), "<FXPreset/>");
  EXPECT_EQ(reader.ParseFile(path.c_str()), XmlReaderBase::kOk);
  EXPECT_EQ(reader.ParseFile(Write("b.xml", "<FXPreset Name='b'/>").c_str()), XmlReaderBase::kOk);
  // Values do not carry over from one document to the next.
  EXPECT_EQ(reader.calls, (std::vector<std::string>{"start FXPreset", "end FXPreset Name= Value=",
                                                    "start FXPreset", "end FXPreset Name=b Value="}));
}

// A reader whose handler converts one attribute three ways.
class ConvertingReader : public XmlReaderBase {
 public:
  ConvertingReader() : XmlReaderBase(xml_tags::kFXParam, kAttributes) {}
  std::vector<int32_t> ints;
  std::vector<double> reals;
  std::vector<bool> flags;

 protected:
  void OnElementEnd(uint32_t) override {
    ints.push_back(AttributeInt(1));
    reals.push_back(AttributeReal(1));
    flags.push_back(AttributeIsTrue(1));
  }
};

TEST_F(XmlReaderBaseTest, AttributeConversions) {
  ConvertingReader reader;
  const char* values[] = {"42", "-7.5", "TRUE", "true", "", "99999999999", "-99999999999", " 12abc", "1e3"};
  std::string doc = "<FXPreset>";
  for (const char* v : values) doc += std::string("<Parameter Value=\"") + v + "\"/>";
  doc += "</FXPreset>";
  ASSERT_EQ(reader.ParseFile(Write("c.xml", doc).c_str()), XmlReaderBase::kOk);
  ASSERT_EQ(reader.ints.size(), std::size(values) + 1);
  EXPECT_EQ(reader.ints, (std::vector<int32_t>{42, -7, 0, 0, 0, INT32_MAX, INT32_MIN, 12, 1, 1}));
  EXPECT_EQ(reader.reals, (std::vector<double>{42.0, -7.5, 0, 0, 0, 99999999999.0, -99999999999.0, 12, 1000, 1000}));
  EXPECT_EQ(reader.flags, (std::vector<bool>{false, false, true, false, false, false, false, false, false, false}));
}

TEST(XmlTagName, TablesStartWithTheDeclarationAndEndWithTheUnknownEntry) {
  const std::span<const XmlTagName> tables[] = {xml_tags::kArranger,  xml_tags::kClipLauncher, xml_tags::kDevConfig,
                                                xml_tags::kDS,        xml_tags::kFXParam,      xml_tags::kMidiCCSets,
                                                xml_tags::kSampler,   xml_tags::kSettings};
  const size_t sizes[] = {8, 14, 5, 24, 4, 4, 5, 8};
  for (size_t i = 0; i < std::size(tables); ++i) {
    const auto t = tables[i];
    ASSERT_EQ(t.size(), sizes[i]);
    EXPECT_STREQ(t.front().name, "?xml");
    EXPECT_STREQ(t.back().name, "???");
    for (size_t k = 0; k < t.size(); ++k) {
      EXPECT_LT(std::strlen(t[k].name), sizeof t[k].name);
      EXPECT_EQ(xml_tags::Lookup(t, t[k].name), k);
    }
  }
  EXPECT_EQ(xml_tags::Lookup(xml_tags::kDS, "Program"), 1u);
  EXPECT_EQ(xml_tags::Lookup(xml_tags::kDS, "Tag"), 22u);
  EXPECT_EQ(xml_tags::Lookup(xml_tags::kDS, "program"), 23u);  // case-sensitive
  EXPECT_EQ(xml_tags::Lookup(xml_tags::kSettings, "Settings"), 7u);
  EXPECT_EQ(xml_tags::Lookup(xml_tags::kClipLauncher, "TRG-SEQUENCE"), 5u);
}

}  // namespace
