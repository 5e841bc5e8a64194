#include "pages/midi/appVA_MidiSettingsTrack.h"

namespace {

using Role = MidiInputPage::Role;
using Spec = MidiInputPage::LabelSpec;
using Page = appVA_MidiSettingsTrack;

const std::vector<const char*> kOctaves = {"0", "+1", "+2", "+3", "+4", "+5", "+6"};

// In the order turned labels are applied.
const std::vector<Spec> kSpecs = {
    {Page::kInPortChannel, 0, Role::kInput, "In PORT-CHN", nullptr, {}, 14, 0, 0, 10, 420, true},
    {Page::kStart, 8, Role::kStart, "START", "semi", {}, 11, 96, 0, 210, 420, true},
    {Page::kEnd, 16, Role::kEnd, " END ", "semi", {}, 11, 109, 109, 410, 420, true},
    {Page::kTranspose, 24, Role::kTranspose, "TRANPOSE", "oct", kOctaves, 8, 0, 3, 610, 420, true},
    {Page::kVelocityCurve, 9, Role::kCurve, "Velo-Curve%", nullptr, {}, 2, 109, 0, 210, 340, false},
    {Page::kOutPortChannel, 1, Role::kOutput, "Out PORT-CHN", nullptr, {}, 14, 0, 0, 10, 340, false},
};

MidiInputPage::Layout TrackLayout(int track) {
  const char* title = track == 10 ? "E-TR 1" : track == 11 ? "E-TR 2" : "TRACK undef";
  return {title, 0x0000FF, "I P%d:Chn%d", "O P%d:Chn%d", 240};
}

}  // namespace

appVA_MidiSettingsTrack::appVA_MidiSettingsTrack(PageServices* services, int track, const char* name, uxPOINT pos,
                                                 int16_t w, int16_t h, uxCOLOR colour)
    : MidiInputPage(services, track, name, pos, w, h, colour, TrackLayout(track), kSpecs) {}
