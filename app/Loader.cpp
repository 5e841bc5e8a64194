#include "app/Loader.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/CAudioProcess.h"
#include "data/CArranger.h"
#include "data/CDataSets.h"
#include "data/CDataSetSampler.h"
#include "data/CDeviceConfig.h"
#include "data/CSettings.h"
#include "data/DocumentPath.h"
#include "data/MultiWaveReader.h"
#include "data/ParamUid.h"
#include "data/WavefileCache.h"
#include "data/WavetableCache.h"
#include "data/XmlFileSet.h"
#include "midi/CClipCore.h"
#include "platform/ClientLog.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace {

constexpr char kPresetFolder[] = "/var/lib/ruv/working/presets/";
constexpr char kPresetExtension[] = ".preset";
constexpr char kDefaultPreset[] = "default";  // what an empty preset name loads
constexpr char kSamplerFolder[] = "/var/lib/ruv/working/sampler/";
constexpr char kSamplerExtension[] = ".smpl";

constexpr int kSwapPolls = 20;
constexpr uint32_t kSwapPollMicros = 50000;
constexpr int kEffectSlots = 10;
constexpr uint32_t kEffectTypeUid = 0x800F0;
constexpr uint32_t kEntryUidMask = 0x180FFF;
constexpr uint32_t kClearRoutes = 255;
constexpr int kPads = CDataSetSampler::kPads;
constexpr uint32_t kPadUid = 0x40000;
constexpr int kLfoStepMinimum = 16;  // shorter step tables leave the LFO's own wave
constexpr int kSongSteps = 5;

// Page reload targets after a song load: the arrangement, the clips and the whole mixer.
constexpr int kSongReloads[] = {10, 11, 15};

constexpr char kSampleOff[] = "[OFF]";
constexpr char kTagRiff[] = "RIFF";
constexpr char kTagMswf[] = "MSWF";
constexpr char kTagPcm16[] = "PCM_S16";

uint32_t PartBits(int part) { return param_uid::KindBits(part); }
bool ValidPart(int part) { return part >= 0 && part < CArranger::kParts; }
const char* Text(const char* s) { return s ? s : ""; }

int64_t NowMicros() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// Whether the document exists; a load that cannot find its file must not first reset what
// the part or the kit holds.
bool DocumentExists(const char* folder, const char* name, const char* extension) {
  std::string path;
  if (!document_path::MakeRooted(folder, name, extension, path)) return false;
  return access(path.c_str(), R_OK) == 0;
}

}  // namespace

Loader::Loader(LoaderUi& ui, const AppLinks& links, CArranger& arranger, CSettings& settings, WavefileCache& waves,
               WavetableCache& wavetables)
    : ui_(ui),
      links_(links),
      arranger_(arranger),
      settings_(settings),
      waveCache_(waves),
      wavetableCache_(wavetables) {}



// Program changes load on the program loader's thread while the GUI thread, "CAN-RX" and
// the host thread run page code on the same data sets; every load and store holds the UI
// mutex until it has asked for the swap. The wait for the swap (up to a second) is made
// without it, so taps and other parts' loads go on meanwhile; a later load of the same part
// waits for that swap before it clears the shadow bank (LoadEngine). No real-time thread
// waits on the UI mutex.
int Loader::LoadPreset(int part, const char* name, int notify, int load) {
  std::unique_lock lock(ui_.UiMutex());
  name = Text(name);
  platform::ClientLog::Append(name);
  if (load) {
    // A missing file is refused before the data set is reset, so the part keeps the
    // values that the engine goes on playing.
    const char* file = name[0] != 0 ? name : kDefaultPreset;
    const bool loaded = ValidPart(part) && DocumentExists(kPresetFolder, file, kPresetExtension) &&
                        arranger_.LoadPartPreset(part, name) != 0 && LoadEngine(part) != 0;
    if (!loaded) {
      platform::LogPrintf("[PART:%d] ERROR preset load <%s>\n", part + 1, name);
      return 0;
    }
  }
  if (!ValidPart(part)) return 0;
  if (notify) ui_.NotifyPages(part, 0);
  if (links_.audio == nullptr) return 0;
  links_.audio->TriggerSwap(part);
  const std::string shown = name;  // the caller's text may go with the lock
  waiting_[part].fetch_add(1);
  lock.unlock();
  const bool swapped = WaitForSwap(part);
  waiting_[part].fetch_sub(1);
  if (swapped) return 1;
  platform::LogPrintf("[PART:%d] ERROR timeout swap loading <%s>\n", part + 1, shown.c_str());
  return 0;
}

bool Loader::WaitForSwap(int part) {
  for (int poll = 0; poll < kSwapPolls; ++poll) {
    ui_.Sleep(kSwapPollMicros);
    if (links_.audio->IsSwapPending(part) == 0) return true;
  }
  return false;
}

int Loader::LoadEngine(int part) {
  std::lock_guard lock(ui_.UiMutex());
  CDataSets* ds = arranger_.DataSet(part);
  if (ds == nullptr || links_.audio == nullptr) return 0;
  const int64_t start = NowMicros();
  const uint32_t c = PartBits(part);
  // The shadow bank of a part whose swap another load still waits for is what the engine is
  // about to play: it is cleared only once that swap is done (or that wait gave up).
  if (waiting_[part].load() > 0) WaitForSwap(part);
  links_.audio->ClearShadowBank(part);

  for (int slot = 0; slot < kEffectSlots; ++slot)
    links_.audio->SetParam(0, kEffectTypeUid | c | param_uid::InstanceBits(slot), 0.0f);

  const ParamEntry* entries = ds->Entries();
  for (int i = 0; i < ds->EntryCount(); ++i)
    links_.audio->SetParam(0, (entries[i].ctrl & kEntryUidMask) | c | param_uid::InstanceBits(entries[i].instance),
                           entries[i].value);

  // Routes go to the engine slot the editor addresses them by, so a later live edit of a
  // route changes that route and does not add a second one.
  links_.audio->SetModRoute(0, kClearRoutes | c, 0, 0, 0, 0.0f);
  for (const ModRoute& r : ds->Routes())
    links_.audio->SetModRoute(0, r.slot | c, r.source, r.destination, static_cast<int>(r.polarity), r.amount);

  for (int slot = 0; slot < 2; ++slot) {
    EmbeddedData* table = ds->Embedded(slot + 1);
    WaveTable* wt = nullptr;
    if (!table->data.empty())
      wt = wavetableCache_.LoadNativeData(table->name, reinterpret_cast<const int16_t*>(table->data.data()),
                                          table->data.size() / sizeof(int16_t), 1);
    links_.audio->SetWavetable(0, c | param_uid::InstanceBits(slot), wt);
  }

  int result = 1;
  EmbeddedData* sample = ds->Embedded(3);
  if (sample->encoding.empty() || sample->encoding == kSampleOff) {
    links_.audio->SetSample(0, c, nullptr);
  } else {
    MultiWaveReader* entry = nullptr;
    if (!sample->data.empty())
      entry = waveCache_.LoadStream(sample->name, sample->data.data(), sample->data.size());
    else  // decoded by an earlier load, whose bytes were freed
      entry = waveCache_.FindByNameAndHash(sample->name, static_cast<int32_t>(sample->key));
    if (entry != nullptr) {
      sample->key = static_cast<uint32_t>(entry->Hash());
      links_.audio->SetSample(0, c, entry);
      std::vector<uint8_t>().swap(sample->data);
    } else {
      platform::LogPrintf("LoadEngine: WavefileCache error loading Resource <%s>\n", sample->name.c_str());
      result = 0;
    }
  }

  platform::LogPrintf("TIME: Load Engine us:%d\n", static_cast<int>(NowMicros() - start));

  for (int lfo = 0; lfo < 2; ++lfo) {
    const LfoStepData* steps = ds->StepData(lfo);
    if (steps->count >= kLfoStepMinimum)
      links_.audio->SetLfoWave(0, c + static_cast<uint32_t>(lfo) * 4096, reinterpret_cast<const char*>(steps->steps),
                               std::min<int>(steps->count, LfoStepData::kSteps));
  }
  return result;
}


int Loader::StorePreset(int part, const char* name) {
  std::lock_guard lock(ui_.UiMutex());
  CDataSets* ds = arranger_.DataSet(part);
  if (ds == nullptr) return 0;
  name = Text(name);
  EmbeddedData* sample = ds->Embedded(3);
  MultiWaveReader* entry =
      sample->name.empty() ? nullptr : waveCache_.FindByNameAndHash(sample->name, static_cast<int32_t>(sample->key));
  if (entry != nullptr) {
    const bool multi = entry->ContainerFlag() != 0 || entry->ItemCount() != 1;
    entry->SetProgressCallback([this](int total, int done) {
      if (total > 0) ui_.OnStoreProgress(done * 100 / total, 100);
    });
    entry->CreateStream(sample->data, multi ? 1 : 0);
    entry->SetProgressCallback(nullptr);
    sample->encoding = multi ? kTagMswf : kTagRiff;
    ui_.OnStoreProgress(100, 0);
  } else {
    sample->name.clear();
    sample->encoding.clear();
    sample->data.clear();
  }
  const int stored = arranger_.StorePartPreset(part, name);
  std::vector<uint8_t>().swap(sample->data);
  if (!stored) {
    platform::LogPrintf("[PART:%d] ERROR preset store <%s>\n", part + 1, name);
    return 0;
  }
  platform::LogPrintf("[PART:%d] Preset Stored <%s>\n", part + 1, name);
  return 1;
}

int Loader::StoreSong(const char* name, int withPresets) {
  std::lock_guard lock(ui_.UiMutex());
  // Bracketed names are the built-in songs; their settings are the working defaults, which
  // is where the settings of such a song are loaded from.
  if (name == nullptr || name[0] == '[') {
    platform::LogWrite("Store song skipped\n");
    return settings_.XMLStoreSettings(nullptr);
  }
  // The song's files replace the previous ones only all together: a song whose settings did
  // not fit on the disk would otherwise load with another song's settings.
  XmlFileSet files;
  int ok = 1;
  if (withPresets) {
    ok &= arranger_.StoreAll(name);
    for (int part = 0; part < CArranger::kParts; ++part) {
      const std::string preset = arranger_.Slot(part)->name;
      if (preset.empty() || preset[0] == '<' || preset[0] == '[') {
        platform::LogPrintf("[PART:%d] skipped store preset <%s>\n", part + 1, preset.c_str());
        continue;
      }
      ok &= StorePreset(part, preset.c_str());
    }
  } else {
    ok &= arranger_.Store(name);
  }
  if (clipCore_ != nullptr) ok &= clipCore_->XMLStoreClipLauncher(name) != 0 ? 1 : 0;
  ok &= settings_.XMLStoreSettings(name);
  if (!files.Commit(ok != 0)) {
    platform::LogPrintf("Store song ERROR <%s>: nothing replaced\n", name);
    return 0;
  }
  return 1;
}


int Loader::LoadSong(const char* name, int /*unused*/, int showProgress) {
  std::lock_guard lock(ui_.UiMutex());
  name = Text(name);
  if (!arranger_.Load(name)) return 0;

  const std::string& settingsName = arranger_.SettingsName();
  if (settings_.XMLLoadSettings(settingsName.c_str(), settingsName.empty() || settingsName[0] == '[') == 0)
    platform::LogPrintf("Load Settings <%s> [ERROR] use default settings\n", settingsName.c_str());

  const bool progress = showProgress && ui_.BeginSongProgress(name, kSongSteps);

  LoadKit(arranger_.KitName().c_str());
  if (progress) ui_.ShowSongStep(1);

  if (clipCore_ != nullptr) clipCore_->XMLLoadClipLauncher(name);

  for (int part = 0; part < CArranger::kParts; ++part) {
    const PartSlot* slot = arranger_.Slot(part);
    // The arrangement marks the parts that carry a preset; they are loaded afresh.
    if (!slot->name.empty() && slot->active) {
      const std::string preset = slot->name;
      ui_.LoadPreset(part, preset.c_str(), 1, 1);
    }
    if (progress) ui_.ShowSongStep(2 + part);
  }

  for (int target : kSongReloads) ui_.NotifyPages(target, 0);

  if (progress) ui_.EndSongProgress();
  return 1;
}

int Loader::LoadKit(const char* name) {
  std::lock_guard lock(ui_.UiMutex());
  name = Text(name);
  // A kit that is not there leaves the pads playing what they have.
  if (!DocumentExists(kSamplerFolder, name, kSamplerExtension)) {
    platform::LogPrintf("Load Kit ERROR<%s>\n", name);
    return 0;
  }
  CDataSetSampler& kit = arranger_.Sampler();
  for (int pad = 0; pad < kPads; ++pad) {
    if (links_.audio != nullptr) links_.audio->SetPadSample(0, kPadUid | param_uid::InstanceBits(pad), nullptr);
    kit.SetPadSample(pad, CDataSetSampler::kCtrlSample, 0, "");
  }
  if (kit.XMLLoadSampler(name) == 0) {
    platform::LogPrintf("Load Kit ERROR<%s>\n", name);
    return 0;
  }
  arranger_.SetKitName(name);
  ui_.NotifyPages(4, -1);
  return 1;
}

int Loader::StoreKit(const char* name) {
  std::lock_guard lock(ui_.UiMutex());
  name = Text(name);
  if (arranger_.Sampler().XMLStoreSampler(name) == 0) {
    platform::LogPrintf("Store Kit ERROR<%s>\n", name);
    return 0;
  }
  arranger_.SetKitName(name);
  return 1;
}

void Loader::StoreSamplePCM16(int uid, const char* name, const float* samples, int count) {
  std::lock_guard lock(ui_.UiMutex());
  const uint32_t u = static_cast<uint32_t>(uid);
  CDataSets* ds = arranger_.DataSet(param_uid::Kind(u));
  const int slot = param_uid::Instance(u);
  if (ds == nullptr || slot > 1 || count < 0 || (samples == nullptr && count > 0)) return;
  EmbeddedData* record = ds->Embedded(slot + 1);
  record->data.resize(static_cast<std::size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    // Beyond full scale the product would wrap round in 16 bits into a loud click; NaN is
    // silence.
    const float x = samples[i] * 32767.0f;
    const int v = std::isnan(x) ? 0 : static_cast<int>(std::clamp(x, -32768.0f, 32767.0f));
    record->data[2 * static_cast<std::size_t>(i)] = static_cast<uint8_t>(v & 0xFF);
    record->data[2 * static_cast<std::size_t>(i) + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
  }
  record->name = Text(name);
  record->encoding = kTagPcm16;
}

void Loader::EditModMatrix(int uid, uint32_t packed, int polarity, float amount, int immediate) {
  std::lock_guard lock(ui_.UiMutex());
  CDataSets* ds = arranger_.DataSet(param_uid::Kind(static_cast<uint32_t>(uid)));
  if (ds == nullptr) return;
  const uint32_t r = param_uid::Ctrl(static_cast<uint32_t>(uid));
  const int s = static_cast<int>((packed >> 16) & 0xFF);
  const int d = static_cast<int>((packed >> 24) & 0xFF);
  std::vector<ModRoute>& routes = ds->Routes();
  if (r == kClearRoutes) {
    routes.clear();
    platform::LogWrite("clear MX\n");
  } else {
    auto it = std::find_if(routes.begin(), routes.end(), [r](const ModRoute& m) { return m.slot == r; });
    if (it != routes.end()) {
      it->source = static_cast<uint8_t>(s);
      it->destination = static_cast<uint8_t>(d);
      it->polarity = static_cast<uint32_t>(polarity);
      it->amount = amount;
      platform::LogPrintf("MATRIX->replace %d\n", static_cast<int>(r));
    } else if (s != 0 && d != 0) {
      routes.push_back({static_cast<uint16_t>(r), static_cast<uint8_t>(s), static_cast<uint8_t>(d),
                        static_cast<uint32_t>(polarity), amount, 0.0f});
      platform::LogPrintf("MATRIX->insert %d\n", static_cast<int>(r));
    }
  }
  if (links_.audio == nullptr) return;
  if (immediate)
    links_.audio->SetModAmount(static_cast<uint32_t>(uid), amount);
  else
    links_.audio->SetModRoute(1, static_cast<uint32_t>(uid), s, d, polarity, amount);
}



