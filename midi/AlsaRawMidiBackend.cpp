// The real sound system: ALSA's control and raw-MIDI interfaces.
#include <alsa/asoundlib.h>

#include <cstdio>
#include <cstring>

#include "midi/RawMidiBackend.h"

namespace {

snd_ctl_t* Ctl(RawMidiControl* c) { return reinterpret_cast<snd_ctl_t*>(c); }
snd_rawmidi_t* Raw(RawMidiHandle* h) { return reinterpret_cast<snd_rawmidi_t*>(h); }

class AlsaRawMidiBackend final : public RawMidiBackend {
 public:
  int NextCard(int& card) override { return snd_card_next(&card); }

  int OpenControl(int card, RawMidiControl*& ctl) override {
    char name[32];
    std::snprintf(name, sizeof name, "hw:%d", card);
    snd_ctl_t* c = nullptr;
    const int r = snd_ctl_open(&c, name, 0);
    ctl = reinterpret_cast<RawMidiControl*>(c);
    return r;
  }

  void CloseControl(RawMidiControl* ctl) override { snd_ctl_close(Ctl(ctl)); }

  int NextDevice(RawMidiControl* ctl, int& device) override {
    return snd_ctl_rawmidi_next_device(Ctl(ctl), &device);
  }

  int Info(RawMidiControl* ctl, int device, int subdevice, RawMidiStream stream,
           RawMidiInfo& info) override {
    snd_rawmidi_info_t* i = nullptr;
    snd_rawmidi_info_alloca(&i);
    snd_rawmidi_info_set_device(i, device);
    snd_rawmidi_info_set_subdevice(i, subdevice);
    snd_rawmidi_info_set_stream(
        i, stream == RawMidiStream::Input ? SND_RAWMIDI_STREAM_INPUT : SND_RAWMIDI_STREAM_OUTPUT);
    const int r = snd_ctl_rawmidi_info(Ctl(ctl), i);
    if (r < 0) return r;
    info.subdevicesCount = static_cast<int>(snd_rawmidi_info_get_subdevices_count(i));
    std::snprintf(info.name, sizeof info.name, "%s", snd_rawmidi_info_get_name(i));
    std::snprintf(info.subdeviceName, sizeof info.subdeviceName, "%s",
                  snd_rawmidi_info_get_subdevice_name(i));
    return 0;
  }

  int Open(RawMidiHandle** input, RawMidiHandle** output, const char* hwName,
           bool nonblock) override {
    snd_rawmidi_t* in = nullptr;
    snd_rawmidi_t* out = nullptr;
    const int r = snd_rawmidi_open(input ? &in : nullptr, output ? &out : nullptr, hwName,
                                   nonblock ? SND_RAWMIDI_NONBLOCK : 0);
    if (input) *input = reinterpret_cast<RawMidiHandle*>(in);
    if (output) *output = reinterpret_cast<RawMidiHandle*>(out);
    return r;
  }

  int Close(RawMidiHandle* handle) override { return snd_rawmidi_close(Raw(handle)); }

  int SetNonblock(RawMidiHandle* handle, bool nonblock) override {
    return snd_rawmidi_nonblock(Raw(handle), nonblock ? 1 : 0);
  }

  ssize_t Read(RawMidiHandle* handle, void* buffer, size_t size) override {
    return snd_rawmidi_read(Raw(handle), buffer, size);
  }

  ssize_t Write(RawMidiHandle* handle, const void* buffer, size_t size) override {
    return snd_rawmidi_write(Raw(handle), buffer, size);
  }

  const char* StrError(int error) override { return snd_strerror(error); }
};

}  // namespace

RawMidiBackend& AlsaRawMidi() {
  static AlsaRawMidiBackend backend;
  return backend;
}
