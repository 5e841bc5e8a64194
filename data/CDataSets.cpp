#include "data/CDataSets.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "data/Base64.h"
#include "data/DocumentPath.h"
#include "data/ModNames.h"
#include "data/XmlWriter.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"

namespace {

constexpr char kPresetFolder[] = "/var/lib/ruv/working/presets/";
constexpr char kPresetExtension[] = ".preset";
constexpr char kStepDataName[] = "STEP_DATA";
constexpr char kBase64Prefix[] = "base64, ";

constexpr uint32_t kOscType = 0x10;
constexpr uint32_t kShaperDensity = 0x601;
constexpr uint32_t kShaperInsert = 0x603;
constexpr uint32_t kEffectType = 0x800F0;
constexpr uint32_t kEffectFirst = 0x80000;
constexpr uint32_t kEffectLast = 0x8000F;
constexpr int kStoredEffectSlots = 8;
constexpr std::size_t kMaxStepText = 65;
constexpr float kShaperPregain = 80.0f;

// Files of older versions carry a "Detune" per oscillator that became the unison detune.
struct DetuneConversion {
  const char* from;
  const char* to;
  uint32_t instance;
};
constexpr DetuneConversion kDetuneConversions[] = {
    {"WTOSC1 Detune", "WTOSC1 UnisonDetune", 0},
    {"WTOSC2 Detune", "WTOSC2 UnisonDetune", 1},
    {"ALGOSC1 Detune", "ALGOSC1 UnisonDetune", 0},
    {"ALGOSC2 Detune", "ALGOSC2 UnisonDetune", 1},
};
constexpr double kDetuneScale = 0.0024;

// A module element of the voice section and the ctrl range its parameters are walked over.
struct Block {
  const char* element;
  uint32_t first;
  uint32_t last;
};
constexpr Block kEnv = {"ENV", 0x400, 0x409};
constexpr Block kOsc = {"OSC", 0x800, 0x806};
constexpr Block kWtOsc = {"WTOSC", 0x200, 0x20E};
constexpr Block kAlgOsc = {"ALGOSC", 0x210, 0x21C};
constexpr Block kResonator = {"RESONATOR", 0x220, 0x22C};
constexpr Block kNoise = {"NOISE", 0x240, 0x244};
constexpr Block kLfo = {"LFO", 0x500, 0x509};
constexpr Block kFilter = {"FILTER", 0x300, 0x308};
constexpr Block kShaper = {"SHAPER", 0x600, 0x603};
constexpr Block kMacros = {"ModMatrix", 0x700, 0x702};

// Mixer channels: the crossfade row (0x13) is not stored.
constexpr uint32_t kMixerCtrls[] = {0x10, 0x11, 0x12};
constexpr uint32_t kMixerBase = 0x10;
// Voice-level rows, in file order; their index is the ctrl itself.
constexpr uint32_t kMasterCtrls[] = {0x0, 0x1, 0x2, 0x3, 0x7, 0x5, 0x6, 0x4, 0x8, 0xA};

std::string Int(long long v) { return std::to_string(v); }

std::string Fixed3(float v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(v));
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

CDataSets::CDataSets() { Restore(); }

void CDataSets::Restore() {
  count_ = 0;
  for (const ParamDef& row : ParamTable) {
    if (row.ctrl == kParamTerminator) break;
    entries_[count_++] = ParamEntry{row.ctrl,  row.instance, row.group, row.canId, row.valueType,
                                    static_cast<uint8_t>(row.flag), row.name, row.defaultValue, 0, 0, 255};
  }
  entries_[count_] = ParamEntry{kParamTerminator, 0, 0, 0, 0, 0, "", 0.0f, 0, 0, 255};
  std::memset(steps_, 0, sizeof steps_);
  dirty_ = 0;
}

ParamEntry* CDataSets::Find(uint32_t ctrl, uint32_t instance) {
  for (int i = 0; i < count_; ++i)
    if (entries_[i].ctrl == ctrl && entries_[i].instance == instance) return &entries_[i];
  return nullptr;
}

ParamEntry* CDataSets::FindByName(const char* name, uint32_t instance) {
  for (int i = 0; i < count_; ++i)
    if (entries_[i].instance == instance && std::strcmp(entries_[i].name, name) == 0) return &entries_[i];
  return nullptr;
}

float CDataSets::getParam(int ctrl, int instance) const {
  for (int i = 0; i < count_; ++i)
    if (entries_[i].ctrl == static_cast<uint32_t>(ctrl) && entries_[i].instance == static_cast<uint32_t>(instance))
      return entries_[i].value;
  return 0.0f;
}

int CDataSets::setParam(int ctrl, int instance, int source, float value, int mark) {
  ParamEntry* e = Find(static_cast<uint32_t>(ctrl), static_cast<uint32_t>(instance));
  if (!e) {
    platform::LogPrintf("setParam: ctrl:%d,val:%f <Error Param not found>\n", ctrl, static_cast<double>(value));
    return 0;
  }
  e->value = value;
  e->source = static_cast<uint8_t>(source);
  e->mark = static_cast<uint8_t>(mark);
  dirty_ = 1;
  return 1;
}

// ---- reading ----

void CDataSets::OnParameter(int /*variant*/, const char* name, int index, int nr, int /*one*/, float value) {
  // A value that is not a number would reach the engine's filters and the output: the entry
  // keeps the value it has.
  if (!std::isfinite(value)) {
    platform::LogPrintf("PARAMETER [VOICE] <%s> not found index:[%d] \r\n", name, index);
    return;
  }
  for (const DetuneConversion& c : kDetuneConversions) {
    if (std::strcmp(name, c.from) != 0) continue;
    const auto detune = static_cast<float>(kDetuneScale * static_cast<double>(value) * static_cast<double>(value));
    ParamEntry* to = FindByName(c.to, c.instance);
    if (to && std::isfinite(detune)) {
      to->value = detune;
      to->flag = 1;
      to->loaded = 1;
    }
  }
  ParamEntry* e = nr >= 1 ? FindByName(name, static_cast<uint32_t>(nr - 1)) : nullptr;
  if (!e) {
    platform::LogPrintf("PARAMETER [VOICE] <%s> not found index:[%d] \r\n", name, index);
    return;
  }
  e->value = value;
  e->flag = 1;
  e->loaded = 1;
  ++loadedCount_;
}

void CDataSets::OnEffectParam(int /*variant*/, const char* name, int index, int nr, int /*one*/, float value) {
  ParamEntry* e = nr >= 0 && std::isfinite(value) ? FindByName(name, static_cast<uint32_t>(nr)) : nullptr;
  if (!e) {
    platform::LogPrintf("PARAMETER [EFFECT] <%s> not found index:[%d] \r\n", name, index);
    return;
  }
  e->value = value;
  e->flag = 1;
  e->loaded = 1;
  ++loadedCount_;
}

void CDataSets::OnByteArray(int nr, const char* name, int /*index*/, int /*elements*/, const char* array) {
  if (std::strcmp(name, kStepDataName) != 0 || nr < 1 || nr > kLfos) return;
  const std::size_t length = std::strlen(array);
  if (length > kMaxStepText) return;
  LfoStepData& table = steps_[nr - 1];
  for (std::size_t k = 0; 2 * k + 1 < length && k < LfoStepData::kSteps; ++k) {
    // A pair that is not two hex digits leaves its step as it was but still counts.
    const int hi = HexDigit(array[2 * k]);
    const int lo = HexDigit(array[2 * k + 1]);
    if (hi >= 0 && lo >= 0) table.steps[k] = static_cast<uint8_t>(hi * 16 + lo);
  }
  table.count = static_cast<uint8_t>(length / 2);
}

void CDataSets::OnItem(int /*variant*/, int nr, int src, float amount, float curve, int dst) {
  Route(nr, src, amount, curve, dst, DefaultPolarity(src));
}

void CDataSets::OnItemPolarity(int /*variant*/, int nr, int src, float amount, float curve, int dst, int polarity) {
  Route(nr, src, amount, curve, dst, static_cast<uint32_t>(polarity));
}

void CDataSets::Route(int nr, int src, float amount, float curve, int dst, uint32_t polarity) {
  if (nr == -1 || nr == 255) {
    routes_.clear();
    platform::LogWrite("clear MX\n");
    return;
  }
  // The engine's matrix has kRouteSlots routes and the name tables bound the sources and
  // destinations; anything outside them, or a route that is not a number, is not kept.
  if (nr < 0 || nr >= kRouteSlots || src < 0 || src >= kModSources || dst < 0 || dst >= kModDestinations ||
      !std::isfinite(amount) || !std::isfinite(curve)) {
    platform::LogPrintf("MATRIX->ignore %d\n", nr);
    return;
  }
  for (ModRoute& r : routes_) {
    if (r.slot != nr) continue;
    r.source = static_cast<uint8_t>(src);
    r.destination = static_cast<uint8_t>(dst);
    r.polarity = polarity;
    r.amount = amount;
    r.curve = curve;
    platform::LogPrintf("MATRIX->replace %d\n", nr);
    return;
  }
  if (src == 0 || dst == 0) return;
  routes_.push_back(ModRoute{static_cast<uint16_t>(nr), static_cast<uint8_t>(src), static_cast<uint8_t>(dst), polarity,
                             amount, curve});
  platform::LogPrintf("MATRIX->insert %d\n", nr);
}

void CDataSets::OnWavetable(int nr, const char* name, const char* encoding, std::vector<uint8_t>&& data) {
  // Only the two wavetable records; another number would overwrite the sample.
  if (nr < 1 || nr > 2) return;
  EmbeddedData& record = embedded_[nr - 1];
  record.encoding = encoding;
  record.name = name;
  record.data = std::move(data);
}

void CDataSets::OnWave(const char* name, const char* encoding, std::vector<uint8_t>&& data) {
  EmbeddedData& record = embedded_[2];
  record.encoding = encoding;
  record.name = name;
  record.data = std::move(data);
}

int CDataSets::XMLLoadPreset(const char* name) {
  const auto start = std::chrono::steady_clock::now();
  loadedCount_ = 0;
  if (!name || name[0] == 0) name = "default";
  std::string path;
  if (!document_path::MakeRooted(kPresetFolder, name, kPresetExtension, path)) {
    // Refused before anything is reset: the part keeps its sound.
    platform::LogPrintf("XMLLoadPreset: <%s> refused name\r\n", name);
    platform::LogPrintf("XMLLoadPreset: ERROR: %d\r\n", static_cast<int>(kUnreadable));
    presetName_.clear();
    return 0;
  }
  path_ = path;
  platform::LogPrintf("XMLLoadPreset: <%s> start ...\r\n", path_.c_str());
  routes_.clear();
  platform::LogWrite("clear MX\n");
  Restore();
  const int result = ParseFile(path_.c_str());
  if (result != kOk) {
    presetName_.clear();
    platform::LogPrintf("XMLLoadPreset: ERROR: %d\r\n", result);
  } else {
    presetName_ = name;
    ParamEntry* insert = Find(kShaperInsert, 0);
    ParamEntry* density = Find(kShaperDensity, 0);
    // Judged on the value as a file holds it, so that a stored preset loads back to itself
    // (an insert of 0.0004 or -0.0001 is written as 0.000 and would only be fixed on reload).
    if (insert && density && std::strtof(Fixed3(insert->value).c_str(), nullptr) == 0.0f) {
      density->value = kShaperPregain;
      platform::LogWrite("pregain fixed to 80.0\n");
    }
    platform::LogPrintf("XMLLoadPreset: OK params:%d (parsed:%d)\r\n", count_, loadedCount_);
  }
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  platform::LogPrintf("TIME: Load Preset us:%d\n", static_cast<int>(us.count()));
  return loadedCount_;
}

// ---- writing ----

int CDataSets::XMLStorePreset(const char* name) {
  std::string path;
  if (!document_path::MakeRooted(kPresetFolder, name, kPresetExtension, path)) {
    platform::LogPrintf("XMLStorePreset: Error create file <%s>\r\n", name ? name : "");
    return 0;
  }
  path_ = path;
  XmlWriter w(path_, writerOps_ ? *writerOps_ : XmlWriterFileOps::Default());
  if (!w.IsOpen()) {
    platform::LogPrintf("XMLStorePreset: Error create file <%s>\r\n", path_.c_str());
    return 0;
  }
  platform::LogPrintf("XMLStorePreset: <%s> start ...\r\n", path_.c_str());
  WriteDocument(w);
  w.EndAll();
  platform::LogPrintf("XMLStorePreset: <%s> params:%d\r\n", path_.c_str(), 0);
  if (!w.Close()) {
    platform::LogPrintf("XMLStorePreset: Error write file <%s>\r\n", path_.c_str());
    return 0;
  }
  dirty_ = 0;
  return 1;
}

// The writer puts attributes out last-queued first, so each element queues them backwards.
void CDataSets::WriteParameter(XmlWriter& w, const ParamEntry& entry, int index) {
  w.AddAttribute("Value", Fixed3(entry.value));
  w.AddAttribute("index", Int(index));
  w.AddAttribute("Name", entry.name);
  w.BeginElement("Parameter");
  w.EndElement();
}

void CDataSets::WriteBlock(XmlWriter& w, uint32_t first, uint32_t last, uint32_t instance) {
  for (uint32_t ctrl = first; ctrl <= last; ++ctrl) {
    const ParamEntry* e = Find(ctrl, instance);
    if (e)
      WriteParameter(w, *e, static_cast<int>(ctrl - first));
    else
      platform::LogPrintf("ParamBlock: [%d] ctrl:%04X, not found\r\n", static_cast<int>(instance), ctrl);
  }
}

void CDataSets::WriteList(XmlWriter& w, const uint32_t* ctrls, int n, uint32_t instance, uint32_t indexBase) {
  for (int i = 0; i < n; ++i) {
    const ParamEntry* e = Find(ctrls[i], instance);
    if (e)
      WriteParameter(w, *e, static_cast<int>(ctrls[i] - indexBase));
    else
      platform::LogPrintf("ParamBlock: [%d] ctrl:%04X, not found\r\n", static_cast<int>(instance), ctrls[i]);
  }
}

void CDataSets::WriteEmbedded(XmlWriter& w, const char* element, const EmbeddedData& record, bool empty) {
  if (empty || record.data.empty()) {
    w.AddAttribute("Data", "");
    w.AddAttribute("Size", "0");
    w.AddAttribute("Encoding", "");
    w.AddAttribute("Name", "");
  } else {
    std::string data = kBase64Prefix;
    data += Base64::Encode(record.data.data(), record.data.size());
    const std::string size = Int(static_cast<long long>(data.size()));
    w.AddAttribute("Data", std::move(data));
    w.AddAttribute("Size", size);
    w.AddAttribute("Encoding", record.encoding);
    w.AddAttribute("Name", record.name);
  }
  w.BeginElement(element);
  w.EndElement();
}

void CDataSets::WriteSteps(XmlWriter& w, const LfoStepData& steps) {
  // The table holds kSteps steps whatever a caller put in the count.
  const int count = steps.count > LfoStepData::kSteps ? LfoStepData::kSteps : steps.count;
  std::string array;
  char pair[3];
  for (int k = 0; k < count; ++k) {
    std::snprintf(pair, sizeof pair, "%02X", steps.steps[k]);
    array += pair;
  }
  w.AddAttribute("Array", array);
  w.AddAttribute("elements", Int(count));
  w.AddAttribute("index", "15");
  w.AddAttribute("Name", kStepDataName);
  w.BeginElement("ByteArray");
  w.EndElement();
}

void CDataSets::WriteRoute(XmlWriter& w, const ModRoute& route) {
  w.AddAttribute("DstName", ModDestinationName(route.destination));
  w.AddAttribute("Dst", Int(route.destination));
  w.AddAttribute("Polarity", Int(route.polarity));
  w.AddAttribute("Amount", Fixed3(route.amount));
  w.AddAttribute("SrcName", ModSourceName(route.source));
  w.AddAttribute("Src", Int(route.source));
  w.AddAttribute("Curve", Int(arm::ToInt32(route.curve)));
  w.AddAttribute("Nr", Int(route.slot));
  w.BeginElement("Item");
  w.EndElement();
}

void CDataSets::WriteEffects(XmlWriter& w) {
  w.WriteComment("Effect GROUP");
  w.BeginElement("SynthEffect");
  for (int slot = 0; slot < kStoredEffectSlots; ++slot) {
    char comment[32];
    std::snprintf(comment, sizeof comment, "Slot[%d]", slot);
    w.WriteComment(comment);
    const ParamEntry* type = Find(kEffectType, static_cast<uint32_t>(slot));
    if (!type) {
      platform::LogPrintf("ParamBlock: [%d] ctrl:%04X, not found\r\n", slot, kEffectType);
      continue;
    }
    w.AddAttribute("Nr", Int(slot));
    w.AddAttribute("Value", Fixed3(type->value));
    w.AddAttribute("index", "0");
    w.AddAttribute("Name", type->name);
    w.BeginElement("EffectParam");
    w.EndElement();
    if (type->value == 0.0f) continue;
    for (uint32_t ctrl = kEffectFirst; ctrl <= kEffectLast; ++ctrl) {
      const ParamEntry* e = Find(ctrl, static_cast<uint32_t>(slot));
      if (!e) {
        platform::LogPrintf("ParamBlock: [%d] ctrl:%04X, not found\r\n", slot, ctrl);
        continue;
      }
      w.AddAttribute("Value", Fixed3(e->value));
      w.AddAttribute("index", Int(ctrl - kEffectFirst + 1));
      w.AddAttribute("Name", e->name);
      w.BeginElement("EffectParam");
      w.EndElement();
    }
  }
  w.EndElement();
}

void CDataSets::WriteDocument(XmlWriter& w) {
  const auto module = [&](const Block& b, uint32_t instance, bool numbered) {
    if (numbered) w.AddAttribute("Nr", Int(instance + 1));
    w.BeginElement(b.element);
    WriteBlock(w, b.first, b.last, instance);
  };

  w.AddAttribute("Version", "4");
  w.AddAttribute("SynthType", "PX415");
  w.BeginElement("Program");
  w.BeginElement("SynthVoice");

  w.WriteComment("ENVELOPE GROUP");
  for (uint32_t env = 0; env < 4; ++env) {
    module(kEnv, env, true);
    w.EndElement();
  }

  for (uint32_t osc = 0; osc < 2; ++osc) {
    w.WriteComment("OSCILLATOR GROUP");
    module(kOsc, osc, true);
    w.EndElement();
    // The second wavetable element takes its number from the oscillator element before it.
    module(kWtOsc, osc, osc == 0);
    WriteEmbedded(w, "WAVETABLE", embedded_[osc], getParam(kOscType, static_cast<int>(osc)) != 0.0f);
    w.EndElement();
    module(kAlgOsc, osc, true);
    w.EndElement();
    module(kResonator, osc, true);
    w.EndElement();
  }

  module(kNoise, 0, true);
  w.EndElement();
  WriteEmbedded(w, "WAVE", embedded_[2], false);

  w.WriteComment("MIXER GROUP");
  for (uint32_t channel = 0; channel < 3; ++channel) {
    w.AddAttribute("Nr", Int(channel + 1));
    w.BeginElement("MIXER");
    // The noise channel has no type row.
    const int skip = channel == 2 ? 1 : 0;
    WriteList(w, kMixerCtrls + skip, 3 - skip, channel, kMixerBase);
    w.EndElement();
  }

  w.WriteComment("LFO GROUP");
  for (uint32_t lfo = 0; lfo < kLfos; ++lfo) {
    module(kLfo, lfo, true);
    WriteSteps(w, steps_[lfo]);
    w.EndElement();
  }

  w.WriteComment("FILTER GROUP");
  for (uint32_t filter = 0; filter < 2; ++filter) {
    module(kFilter, filter, true);
    w.EndElement();
  }

  w.WriteComment("SHAPER");
  module(kShaper, 0, true);
  w.EndElement();

  w.WriteComment("Modulations Matrix GROUP");
  module(kMacros, 0, false);
  for (const ModRoute& r : routes_) WriteRoute(w, r);
  w.EndElement();

  w.EndElement();  // SynthVoice

  w.WriteComment("SYNTH PART");
  w.BeginElement("Master");
  WriteList(w, kMasterCtrls, static_cast<int>(std::size(kMasterCtrls)), 0, 0);
  w.EndElement();

  WriteEffects(w);
}
