#include "pages/midi/appVA_MidiPart.h"

namespace {

using Role = MidiInputPage::Role;
using Spec = MidiInputPage::LabelSpec;

const std::vector<const char*> kBend = {"-", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
const std::vector<const char*> kOctaves = {"0", "+1", "+2", "+3", "+4", "+5", "+6"};

// In the order turned labels are applied.
const std::vector<Spec> kSpecs = {
    {appVA_MidiPart::kPortChannel, 0, Role::kInput, "PORT-CHN", nullptr, {}, 14, 0, 0, 10, 420, true},
    {appVA_MidiPart::kStart, 8, Role::kStart, "START", "semi", {}, 11, 96, 0, 210, 420, true},
    {appVA_MidiPart::kEnd, 16, Role::kEnd, " END ", "semi", {}, 11, 109, 109, 410, 420, true},
    {appVA_MidiPart::kTranspose, 24, Role::kTranspose, "TRANPOSE", "oct", kOctaves, 8, 0, 3, 610, 420, true},
    {appVA_MidiPart::kBendDown, 1, Role::kBend, "BEND-DW", "semi", kBend, 8, 0, 3, 10, 340, false},
    {appVA_MidiPart::kBendUp, 2, Role::kBend, "BEND-UP", "semi", kBend, 8, 0, 3, 10, 260, false},
    {appVA_MidiPart::kVelocityCurve, 9, Role::kCurve, "Velo-Curve%", nullptr, {}, 2, 109, 0, 210, 340, false},
};

constexpr const char* kTitles[] = {"SYNTH A", "SYNTH B", "SYNTH C", "SYNTH D"};
constexpr uxCOLOR kTitleColours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0xC0C000};

MidiInputPage::Layout PartLayout(int part) {
  const int p = part & 3;
  return {kTitles[p], kTitleColours[p], "P%d:Chn%d", nullptr, 240};
}

}  // namespace

appVA_MidiPart::appVA_MidiPart(PageServices* services, int part, const char* name, uxPOINT pos, int16_t w,
                               int16_t h, uxCOLOR colour)
    : MidiInputPage(services, part, name, pos, w, h, colour, PartLayout(part), kSpecs) {}
