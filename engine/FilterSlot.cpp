#include "engine/FilterSlot.h"

#include <cmath>
#include <cstring>

namespace {

constexpr FilterSlot::TypeRow kTypes[FilterSlot::kTypeCount] = {
    {"Bypass", FilterSlot::kBypass, 0},
    {"LP24", FilterSlot::kFourPole, 0},
    {"MG_LD12", FilterSlot::kMoogLadder, CDualMoogLadderFilter::kTwoPole},
    {"MG_LD24", FilterSlot::kMoogLadder, CDualMoogLadderFilter::kFourPole},
    {"MG_VCF_LP", FilterSlot::kLadderApprox, DualLadderApproxFilter::kLowPass},
    {"MG_VCF_BP", FilterSlot::kLadderApprox, DualLadderApproxFilter::kBandPass},
    {"MG_VCF_HP", FilterSlot::kLadderApprox, DualLadderApproxFilter::kHighPass},
    {"SEM_LP12", FilterSlot::kSem, CDualSEMFilter::kLowPass},
    {"SEM_BP12", FilterSlot::kSem, CDualSEMFilter::kBandPass},
    {"SEM_HP12", FilterSlot::kSem, CDualSEMFilter::kHighPass},
    {"SEM_NS12", FilterSlot::kSem, CDualSEMFilter::kNotch},
    {"KORG35_LP", FilterSlot::kOnePoleFeedback, 0},
};

}  // namespace

const FilterSlot::TypeRow* FilterSlot::FindType(int type) {
  if (type < 0 || type >= kTypeCount) return nullptr;
  return &kTypes[type];
}

bool FilterSlot::SetType(int type) {
  const TypeRow* row = FindType(type);
  if (row == nullptr) return false;
  route_ = row->route;
  switch (row->route) {
    case kMoogLadder: moog_.SetMode(row->setting); break;
    case kLadderApprox: ladderApprox_.output = row->setting; break;
    case kSem: sem_.SetType(row->setting); break;
    default: break;
  }
  return true;
}

bool FilterSlot::SetRoute(int route) {
  if (route < kBypass || route > kOnePoleFeedback) return false;
  route_ = static_cast<Route>(route);
  return true;
}

void FilterSlot::SetSampleRate(float rate) {
  fourPole_.SetSampleRate(rate);
  moog_.SetSampleRate(rate);
  ladderApprox_.SetSampleRate(rate);
  sem_.SetSampleRate(rate);
  onePoleFeedback_.SetSampleRate(rate);
}

void FilterSlot::SetFrames(int frames) {
  frames_ = frames > 0 ? frames : 0;
  fourPole_.SetFrames(frames_);
  moog_.SetFrames(frames_);
  ladderApprox_.SetFrames(frames_);
  sem_.SetFrames(frames_);
  onePoleFeedback_.SetFrames(frames_);
}

void FilterSlot::Reset() {
  fourPole_.Reset();
  moog_.Reset();
  // The ladder approximation's reset also selects its low-pass output; keep the type's.
  const int output = ladderApprox_.output;
  ladderApprox_.Reset();
  ladderApprox_.output = output;
  sem_.Reset();
  onePoleFeedback_.Reset();
}

void FilterSlot::Process(const float* inLeft, const float* inRight, float* outLeft,
                         float* outRight, float cutoffHz, float resonance) {
  switch (route_) {
    case kBypass:
      if (outLeft != inLeft) std::memmove(outLeft, inLeft, sizeof(float) * frames_);
      if (outRight != inRight) std::memmove(outRight, inRight, sizeof(float) * frames_);
      break;
    case kFourPole:
      fourPole_.Process(inLeft, inRight, outLeft, cutoffHz, resonance, outRight);
      break;
    case kLadderApprox:
      ladderApprox_.Process(inLeft, inRight, outLeft, cutoffHz, resonance, outRight);
      break;
    case kSem: sem_.Process(inLeft, inRight, outLeft, cutoffHz, resonance, outRight); break;
    case kMoogLadder:
      moog_.Process(inLeft, inRight, outLeft, cutoffHz, resonance, outRight);
      break;
    case kOnePoleFeedback:
      onePoleFeedback_.Process(inLeft, inRight, outLeft, cutoffHz, resonance, outRight);
      break;
  }
  // One NaN or infinite sample leaves a core's state non-finite, and with it every later
  // output of the voice: the state starts again from silence instead. A non-finite state
  // shows in the block's last output.
  if (route_ != kBypass && frames_ > 0 &&
      !(std::isfinite(outLeft[frames_ - 1]) && std::isfinite(outRight[frames_ - 1]))) {
    Reset();
  }
}
