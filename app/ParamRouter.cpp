#include "app/ParamRouter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/PanelTables.h"
#include "app/ParamRouting.h"
#include "app/host/HostUIManager.h"
#include "audio/CAudioProcess.h"
#include "data/CArranger.h"
#include "data/CDataSetSampler.h"
#include "data/CDataSets.h"
#include "data/CSettings.h"
#include "data/ParamTable.h"
#include "platform/ArmConvert.h"
#include "toolkit/CCANDev.h"
#include "toolkit/uxDefs.h"

using routing::Target;

namespace {

constexpr int kOscillatorSlots = 2;  // embedded records 1 and 2
constexpr int kPartSample = 3;       // embedded record 3
constexpr int kSampleNameCtrl = 1;   // GetSampleName: ctrl 1 names an oscillator slot
constexpr int kLfoCount = CDataSets::kLfos;

}  // namespace

ParamRouter::ParamRouter(const AppLinks& links, CArranger& arranger, CSettings& settings)
    : links_(links), arranger_(arranger), settings_(settings) {}

CDataSets* ParamRouter::DataSet(int part) { return arranger_.DataSet(part); }

namespace {

// The drum player takes a pad's trigger as the KEY choice (key - 26, 0 none); the kit keeps
// the key itself, so a stored kit names the key that plays the pad.
float KitValue(uint32_t ctrl, float value) {
  if (ctrl != CDataSetSampler::kCtrlTrigger) return value;
  const float choice = std::floor(value);
  return choice >= 1.0f ? choice + 26.0f : 0.0f;
}

}  // namespace

void ParamRouter::ValueChanged(uint32_t uid, unsigned flags, float value) {
  const uint32_t ctrl = routing::Ctrl(uid);
  const int e = routing::Instance(uid);
  const int p = routing::Part(uid);
  HostUIManager* host = links_.host;

  if (routing::IsSetting(uid)) {
    if (flags & FLAG_UPDATE_DS) StoreSetting(ctrl, e, value);
    if (links_.audio && (flags & FLAG_UPDATE_ENGINE_IM)) links_.audio->SetParam(1, uid, value);
    if (links_.audio && (flags & FLAG_UPDATE_ENGINE)) links_.audio->SetParam(0, uid, value);
    if (host && (flags & routing::kMirrorToHost))
      host->SendValue(routing::kHostSetting + e, e, static_cast<int>(ctrl), value);
    return;
  }

  switch (routing::TargetOf(uid)) {
    case Target::kPart: {
      const int kind = GetParamType(static_cast<int>(ctrl));
      const int canId = GetParamCanId(e, static_cast<int>(ctrl));
      if ((flags & FLAG_UPDATE_DS) && !routing::IsTransient(ctrl)) {
        if (CDataSets* ds = DataSet(p)) ds->setParam(routing::DataSetRow(uid), e, 0, value, 255);
      }
      if (flags & FLAG_UPDATE_ENGINE_IM) {
        if (links_.audio) links_.audio->SetParam(1, uid, value);
        if (host) host->SendValue(routing::kHostPart + p, e, static_cast<int>(ctrl), value);
      }
      if (flags & FLAG_SEND_CAN) SendValueFrame(canId, p, kind, value);
      break;
    }
    case Target::kEffects:
      if (flags & FLAG_UPDATE_DS) {
        if (CDataSets* ds = DataSet(p)) ds->setParam(routing::DataSetRow(uid), e, 0, value, 255);
      }
      if (links_.audio && (flags & FLAG_UPDATE_ENGINE_IM)) links_.audio->SetParam(1, uid, value);
      if (links_.audio && (flags & FLAG_UPDATE_ENGINE)) links_.audio->SetParam(0, uid, value);
      if (host && (flags & routing::kMirrorToHost))
        host->SendValue(routing::kHostEffects + p, e, static_cast<int>(ctrl), value);
      break;
    case Target::kDrums:
      if (flags & FLAG_UPDATE_DS) arranger_.Sampler().SetPadParam(e, ctrl, KitValue(ctrl, value));
      if (links_.audio && (flags & FLAG_UPDATE_ENGINE_IM)) links_.audio->SetParam(1, uid, value);
      if (host && (flags & routing::kMirrorToHost))
        host->SendValue(routing::kHostDrums, e, static_cast<int>(ctrl), value);
      break;
    case Target::kNone:
      break;
  }
}

void ParamRouter::SetParamById(int uid, float value) {
  const uint32_t u = static_cast<uint32_t>(uid);
  const uint32_t ctrl = routing::Ctrl(u);
  const int e = routing::Instance(u);
  const int p = routing::Part(u);

  if (routing::IsSetting(u)) {
    StoreSetting(ctrl, e, value);
    if (links_.audio) links_.audio->SetParam(1, u, value);
    return;
  }
  switch (routing::TargetOf(u)) {
    case Target::kPart:
      if (!routing::IsTransient(ctrl)) {
        if (CDataSets* ds = DataSet(p)) ds->setParam(routing::DataSetRow(u), e, 0, value, 255);
      }
      if (links_.audio) links_.audio->SetParam(1, u, value);
      if (HostUIManager* host = links_.host) host->SendValue(routing::kHostPart + p, e, static_cast<int>(ctrl), value);
      break;
    case Target::kEffects:
      if (CDataSets* ds = DataSet(p)) ds->setParam(routing::DataSetRow(u), e, 0, value, 255);
      if (links_.audio) links_.audio->SetParam(1, u, value);
      break;
    case Target::kDrums:
      arranger_.Sampler().SetPadParam(e, ctrl, KitValue(ctrl, value));
      if (links_.audio) links_.audio->SetParam(1, u, value);
      break;
    case Target::kNone:
      break;
  }
}

void ParamRouter::SetEngineParam(int uid, float value) {
  const uint32_t u = static_cast<uint32_t>(uid);
  if (!links_.audio) return;
  // Part and mixer values reach the engine only through a preset's bulk load.
  if (routing::IsSetting(u) || routing::TargetOf(u) == Target::kEffects) links_.audio->SetParam(0, u, value);
}

float ParamRouter::GetParamById(int uid) {
  const uint32_t u = static_cast<uint32_t>(uid);
  CDataSets* ds = DataSet(routing::Part(u));
  if (!ds) return 0.0f;
  return ds->getParam(routing::DataSetRow(u), routing::Instance(u));
}

void* ParamRouter::GetParamEntry(int uid) {
  const uint32_t u = static_cast<uint32_t>(uid);
  CDataSets* ds = DataSet(routing::Part(u));
  if (!ds) return nullptr;
  std::vector<ModRoute>& routes = ds->Routes();
  const uint32_t index = routing::Ctrl(u);
  return index < routes.size() ? &routes[index] : nullptr;
}

float ParamRouter::GetSetting(unsigned uid) {
  return settings_.GetValue(settings_.Find(static_cast<int32_t>(routing::Ctrl(uid)), routing::Instance(uid)));
}

uint8_t* ParamRouter::GetLfoStepData(int uid) {
  const uint32_t u = static_cast<uint32_t>(uid);
  CDataSets* ds = DataSet(routing::Part(u));
  LfoStepData* steps = ds ? ds->StepData(routing::Instance(u)) : nullptr;
  return steps ? &steps->count : nullptr;
}

void ParamRouter::SetLfoStepData(int id, int uid, const uint8_t* bytes, int length) {
  const uint32_t u = static_cast<uint32_t>(uid);
  // The step record holds 32 steps; a longer wave would run over the next LFO's record.
  const int count = std::clamp(length, 0, LfoStepData::kSteps);
  const int e = routing::Instance(u);
  if (e < kLfoCount && bytes) {
    CDataSets* ds = DataSet(routing::Part(u));
    if (LfoStepData* steps = ds ? ds->StepData(e) : nullptr) {
      steps->count = static_cast<uint8_t>(count);
      std::memcpy(steps->steps, bytes, static_cast<std::size_t>(count));
    }
  }
  if (links_.audio && bytes) links_.audio->SetLfoWave(id, u, reinterpret_cast<const char*>(bytes), count);
}

void ParamRouter::ClearWaveData(int uid, int flag) {
  const uint32_t u = static_cast<uint32_t>(uid);
  CDataSets* ds = DataSet(routing::Part(u));
  if (!ds) return;
  const int e = routing::Instance(u);
  const int record = flag ? (e < kOscillatorSlots ? e + 1 : 0) : kPartSample;
  if (EmbeddedData* data = ds->Embedded(record)) data->data.clear();
}

void ParamRouter::SetWavetableData(int uid, int n, WaveTable* wavetable) {
  if (links_.audio) links_.audio->SetWavetable(n, static_cast<uint32_t>(uid), wavetable);
}

void ParamRouter::SetSampleData(int uid, int n, const char*, MultiWaveReader* wave) {
  if (links_.audio) links_.audio->SetSample(n, static_cast<uint32_t>(uid), wave);
}

void ParamRouter::GetSampleName(int uid, char* name) {
  if (!name) return;
  name[0] = 0;
  const uint32_t u = static_cast<uint32_t>(uid);
  CDataSets* ds = DataSet(routing::Part(u));
  if (!ds) return;
  const int e = routing::Instance(u);
  const int record = routing::Ctrl(u) == kSampleNameCtrl ? (e < kOscillatorSlots ? e + 1 : 0) : kPartSample;
  if (const EmbeddedData* data = ds->Embedded(record)) {
    const std::size_t n = std::min(data->name.size(), static_cast<std::size_t>(kSampleNameSize - 1));
    std::memcpy(name, data->name.data(), n);
    name[n] = 0;
  }
}

void ParamRouter::SetSampleName(int uid, const char* name, int flag) {
  CDataSets* ds = DataSet(routing::Part(static_cast<uint32_t>(uid)));
  EmbeddedData* data = ds ? ds->Embedded(kPartSample) : nullptr;
  if (!data) return;
  data->data.clear();
  data->name = name ? name : "";
  data->encoding = flag ? "MSWF" : "RIFF";
}

void ParamRouter::StoreSetting(uint32_t ctrl, int instance, float value) {
  const int row = settings_.Find(static_cast<int32_t>(ctrl), instance);
  if (row < 0) return;
  settings_.SetValue(row, value);
  // The settings file follows a few seconds after the last change.
  settings_.ArmSave();
}

void ParamRouter::SendValueFrame(int canId, int part, int kind, float value) {
  // Rows without a panel control carry id 0 (or none at all): nothing to mirror.
  if (!links_.can || canId <= 0) return;
  uint8_t frame[panel::kFloatFrame] = {panel::kValue, static_cast<uint8_t>(part), static_cast<uint8_t>(kind)};
  if (kind == panel::kByteKind) {
    frame[3] = static_cast<uint8_t>(arm::ToInt32(value));
    links_.can->SendRAW(static_cast<uint16_t>(canId), frame, panel::kByteFrame);
  } else if (panel::IsFloatKind(kind)) {
    std::memcpy(frame + 3, &value, sizeof value);
    links_.can->SendRAW(static_cast<uint16_t>(canId), frame, panel::kFloatFrame);
  }
}
