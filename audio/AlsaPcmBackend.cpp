// ALSA's PCM behind the driver's seam.
#include <alsa/asoundlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/PcmBackend.h"

namespace {

class AlsaPcmBackend final : public PcmBackend {
 public:
  ~AlsaPcmBackend() override { Close(); }

  int CardName(int index, char* name, std::size_t size) override {
    char* text = nullptr;
    const int result = snd_card_get_name(index, &text);
    if (result < 0) return result;
    std::snprintf(name, size, "%s", text);
    std::free(text);
    return 0;
  }

  int Open(const char* device) override {
    Close();
    const int result = snd_pcm_open(&pcm_, device, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (result < 0) pcm_ = nullptr;
    return result;
  }

  int Configure(PcmStep step, unsigned* value) override {
    if (pcm_ == nullptr) return -EBADFD;
    if (hw_ == nullptr) {
      snd_pcm_hw_params_malloc(&hw_);
      snd_pcm_hw_params_any(pcm_, hw_);
    }
    snd_pcm_uframes_t frames = *value;
    int result = 0;
    switch (step) {
      case PcmStep::kAccess: return snd_pcm_hw_params_set_access(pcm_, hw_, SND_PCM_ACCESS_RW_INTERLEAVED);
      case PcmStep::kFormat: return snd_pcm_hw_params_set_format(pcm_, hw_, SND_PCM_FORMAT_FLOAT_LE);
      case PcmStep::kChannels: return snd_pcm_hw_params_set_channels(pcm_, hw_, *value);
      case PcmStep::kRate: return snd_pcm_hw_params_set_rate_near(pcm_, hw_, value, nullptr);
      case PcmStep::kPeriodSize:
        result = snd_pcm_hw_params_set_period_size_near(pcm_, hw_, &frames, nullptr);
        *value = static_cast<unsigned>(frames);
        return result;
      case PcmStep::kPeriods: return snd_pcm_hw_params_set_periods_near(pcm_, hw_, value, nullptr);
      case PcmStep::kBufferSize:
        result = snd_pcm_hw_params_set_buffer_size_near(pcm_, hw_, &frames);
        *value = static_cast<unsigned>(frames);
        return result;
      case PcmStep::kApplyHardware:
        result = snd_pcm_hw_params(pcm_, hw_);
        snd_pcm_hw_params_free(hw_);
        hw_ = nullptr;
        return result;
      default: break;
    }
    if (sw_ == nullptr) {
      snd_pcm_sw_params_malloc(&sw_);
      snd_pcm_sw_params_current(pcm_, sw_);
    }
    switch (step) {
      case PcmStep::kStartThreshold: return snd_pcm_sw_params_set_start_threshold(pcm_, sw_, *value);
      case PcmStep::kAvailMin: return snd_pcm_sw_params_set_avail_min(pcm_, sw_, *value);
      case PcmStep::kApplySoftware:
        result = snd_pcm_sw_params(pcm_, sw_);
        snd_pcm_sw_params_free(sw_);
        sw_ = nullptr;
        return result;
      default: return -EINVAL;
    }
  }

  int SetBlocking() override { return pcm_ != nullptr ? snd_pcm_nonblock(pcm_, 0) : -EBADFD; }
  int Prepare() override { return pcm_ != nullptr ? snd_pcm_prepare(pcm_) : -EBADFD; }
  long Write(const float* interleaved, unsigned long frames) override {
    return pcm_ != nullptr ? snd_pcm_writei(pcm_, interleaved, frames) : -EBADFD;
  }
  int Wait() override { return pcm_ != nullptr ? snd_pcm_wait(pcm_, 100) : -EBADFD; }
  int Recover(int error) override { return pcm_ != nullptr ? snd_pcm_recover(pcm_, error, 1) : error; }

  bool HasCard() override {
    if (pcm_ == nullptr) return false;
    snd_pcm_info_t* info = nullptr;
    snd_pcm_info_malloc(&info);
    const bool card = snd_pcm_info(pcm_, info) == 0 && snd_pcm_info_get_card(info) >= 0;
    snd_pcm_info_free(info);
    return card;
  }

  void Close() override {
    if (hw_ != nullptr) snd_pcm_hw_params_free(hw_);
    if (sw_ != nullptr) snd_pcm_sw_params_free(sw_);
    hw_ = nullptr;
    sw_ = nullptr;
    if (pcm_ != nullptr) snd_pcm_close(pcm_);
    pcm_ = nullptr;
  }

  const char* ErrorText(int error) override { return snd_strerror(error); }

 private:
  snd_pcm_t* pcm_ = nullptr;
  snd_pcm_hw_params_t* hw_ = nullptr;
  snd_pcm_sw_params_t* sw_ = nullptr;
};

}  // namespace

std::unique_ptr<PcmBackend> MakeAlsaPcm() { return std::make_unique<AlsaPcmBackend>(); }

std::string AlsaFileDevice(const std::string& path) {
  std::string name = "file:'";
  for (char c : path) {
    if (c == '\\' || c == '\'') name += '\\';
    name += c;
  }
  return name + "',raw";
}
