// Off the real-time threads, on the preset-load path: reading a preset-sized XML document
// (385 parameters and a 15 MB Base64 wave) through the reader base, and the Base64 decoder
// on its own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchPeriod.h"
#include "data/Base64.h"
#include "data/XmlReaderBase.h"
#include "data/XmlTagName.h"

namespace {

constexpr XmlAttributeName kAttributes[] = {
    {"Name", false}, {"Value", false}, {"Type", false}, {"Data", true},
};

class CountingReader : public XmlReaderBase {
 public:
  CountingReader() : XmlReaderBase(xml_tags::kDS, kAttributes) {}
  size_t elements = 0;
  size_t bytes = 0;

 protected:
  void OnElementEnd(uint32_t) override {
    ++elements;
    bytes += AttributeBytes(3).size();
  }
};

std::string Base64Text(size_t bytes) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string s(bytes / 3 * 4, 'A');
  uint32_t seed = 1;
  for (char& c : s) {
    seed = seed * 1664525u + 1013904223u;
    c = alphabet[seed >> 26];
  }
  return s;
}

std::string PresetDocument() {
  std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Program Name=\"Bench &amp; Co\">";
  for (int i = 0; i < 385; ++i)
    doc += "\n\t<Parameter Name=\"Param " + std::to_string(i) + "\" Value=\"" + std::to_string(i * 0.25) + "\"/>";
  doc += "\n\t<WAVETABLE>\n\t\t<WAVE Type=\"0\" Data=\"base64, " + Base64Text(15u << 20) + "\"></WAVE>\n\t</WAVETABLE>";
  doc += "\n</Program>";
  return doc;
}

void BM_ParsePresetDocument(benchmark::State& state) {
  const std::string doc = PresetDocument();
  char path[] = "/tmp/xmlreader_bench_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0 || write(fd, doc.data(), doc.size()) != static_cast<ssize_t>(doc.size())) {
    state.SkipWithError("cannot write the document");
    return;
  }
  close(fd);
  CountingReader reader;
  for (auto _ : state) {
    reader.elements = 0;
    benchmark::DoNotOptimize(reader.ParseFile(path));
  }
  unlink(path);
  if (reader.elements != 388) state.SkipWithError("wrong element count");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
  bench::ReportPeriodShare(state, 1.0);
}
BENCHMARK(BM_ParsePresetDocument)->Unit(benchmark::kMillisecond);

void BM_Base64Decode(benchmark::State& state) {
  const std::string text = Base64Text(static_cast<size_t>(state.range(0))) + "\"";
  std::vector<uint8_t> out;
  out.reserve(text.size());
  for (auto _ : state) {
    out.clear();
    benchmark::DoNotOptimize(Base64::Decode(text.data(), text.size(), out, '"'));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  bench::ReportPeriodShare(state, 1.0);
}
BENCHMARK(BM_Base64Decode)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace
