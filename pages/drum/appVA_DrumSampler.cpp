#include "pages/drum/appVA_DrumSampler.h"

#include "app/PageServices.h"
#include "data/CDataSetSampler.h"
#include "data/DocumentPath.h"
#include "data/SampleFile.h"
#include "platform/LogSink.h"

namespace {

constexpr int kKitLoaded = 4;  // the VALUES_CHANGED parameter a kit load sends
constexpr uint32_t kPadUid = 0x40000;
constexpr uint32_t kSampleIdMask = 0xFFF;
constexpr uint32_t kCtrlPlay = 0xA0C;  // the pad plays once this is 1

// The row's fields the pad takes, in the order the pad's labels set them.
struct PadField {
  uint32_t ctrl;
  float KitPad::*member;
};
constexpr PadField kPadFields[] = {
    {CDataSetSampler::kCtrlFadeOut, &KitPad::FadeOut}, {CDataSetSampler::kCtrlSideChainLevel, &KitPad::SideChainLevel},
    {CDataSetSampler::kCtrlEnd, &KitPad::End},         {CDataSetSampler::kCtrlStart, &KitPad::Start},
    {CDataSetSampler::kCtrlPitch, &KitPad::Pitch},     {CDataSetSampler::kCtrlLevel, &KitPad::Level},
    {CDataSetSampler::kCtrlPan, &KitPad::Pan},
};

}  // namespace

appVA_DrumSampler::appVA_DrumSampler(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w,
                                     int16_t h, uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, colour), services_(services) {}

appVA_DrumSampler::~appVA_DrumSampler() = default;

const SampleFile* appVA_DrumSampler::PadSample(int pad) const {
  return pad >= 0 && pad < kPads ? buffers_[pad][current_[pad]].get() : nullptr;
}

int appVA_DrumSampler::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  if (msg != nullptr && msg->type == UX_MSG_VALUES_CHANGED && msg->param == kKitLoaded) LoadKitSamples();
  return result;
}

void appVA_DrumSampler::LoadKitSamples() {
  CDataSetSampler& kit = services_->Kit();
  for (int row = 0; row < CDataSetSampler::kPads; ++row) {
    const KitPad& p = kit.Pads()[row];
    const int pad = static_cast<int>(p.pad);
    if (pad < 0 || pad >= kPads || p.Sample[0] == '\0') continue;
    std::string path;
    if (!document_path::MakeRooted(kWaveFolder, p.Sample, ".wav", path)) continue;
    const int next = 1 - current_[pad];
    auto sample = std::make_unique<SampleFile>();
    if (!sample->Load(path)) {
      platform::LogPrintf("DRUM pad %d: cannot load <%s>\n", pad + 1, path.c_str());
      continue;
    }
    buffers_[pad][next] = std::move(sample);
    current_[pad] = next;
    const uint32_t padUid = kPadUid | static_cast<uint32_t>(pad) << 12;
    services_->SetPadSample(0, padUid | (p.Id & kSampleIdMask), buffers_[pad][next].get());
    services_->ValueChanged(padUid | CDataSetSampler::kCtrlTrigger, FLAG_UPDATE_ENGINE_IM, static_cast<float>(p.Trigger));
    for (const PadField& f : kPadFields) services_->ValueChanged(padUid | f.ctrl, FLAG_UPDATE_ENGINE_IM, p.*f.member);
    services_->ValueChanged(padUid | kCtrlPlay, FLAG_UPDATE_ENGINE_IM, 1.0f);
  }
}
