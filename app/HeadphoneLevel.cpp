#include "app/HeadphoneLevel.h"

#include <alsa/asoundlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/LogSink.h"

namespace {

constexpr char kCardName[] = "snd_rpi_proto";
constexpr char kElement[] = "Master";

int FindCard() {
  int card = -1;
  while (snd_card_next(&card) == 0 && card >= 0) {
    char* name = nullptr;
    if (snd_card_get_name(card, &name) < 0) continue;
    const bool match = std::strcmp(name, kCardName) == 0;
    std::free(name);
    if (match) return card;
  }
  return -1;
}

}  // namespace

long HeadphoneVolume(long maximum, float percent) {
  if (!std::isfinite(percent)) return -1;
  // The panel's value is a float; anything outside the scale would drive the codec past
  // its range (or wrap) once truncated.
  const int whole = percent <= 0.0f ? 0 : percent >= 100.0f ? 100 : static_cast<int>(percent);
  return static_cast<long>(static_cast<double>(maximum) / 100.0 * whole);
}

void SetHeadphoneLevel(float percent) {
  if (!std::isfinite(percent)) return;
  const int card = FindCard();
  if (card < 0) {
    platform::LogWrite("Alsa Mixer no sound card found \n");
    return;
  }
  snd_mixer_t* mixer = nullptr;
  int result = snd_mixer_open(&mixer, 0);
  if (result < 0) {
    platform::LogPrintf("Alsa Mixer Open error %d\n", result);
    return;
  }
  char hw[16];
  std::snprintf(hw, sizeof hw, "hw:%d", card);
  result = snd_mixer_attach(mixer, hw);
  if (result < 0) {
    platform::LogPrintf("Alsa Mixer attach error %d\n", result);
    snd_mixer_close(mixer);
    return;
  }
  snd_mixer_selem_register(mixer, nullptr, nullptr);
  snd_mixer_load(mixer);
  snd_mixer_selem_id_t* id = nullptr;
  snd_mixer_selem_id_alloca(&id);
  snd_mixer_selem_id_set_index(id, 0);
  snd_mixer_selem_id_set_name(id, kElement);
  snd_mixer_elem_t* element = snd_mixer_find_selem(mixer, id);
  if (element == nullptr) {
    platform::LogWrite("Alsa Mixer parameter <Master> (headphone) not found\n");
  } else {
    long minimum = 0;
    long maximum = 0;
    snd_mixer_selem_get_playback_volume_range(element, &minimum, &maximum);
    snd_mixer_selem_set_playback_volume_all(element, HeadphoneVolume(maximum, percent));
  }
  snd_mixer_close(mixer);
}
