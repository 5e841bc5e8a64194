#pragma once
// Standard MIDI Files nobody here wrote, from Debian packages (scripts/setup installs
// openttd-openmsx; planetblupi-music-midi is used installed or, since installing it pulls a
// soundfont, unpacked from its package into a cache at test time), and the independent
// reader that dumps them (tests/support/midi_oracle.py on Debian's python3 with mido).
#include <string>
#include <vector>

namespace testing_support {

// The openmsx files, then the planetblupi ones, sorted by name within each; empty when
// neither package can be had.
std::vector<std::string> RealMidiFiles();
// The largest real file (planetblupi's music009.mid); empty when missing.
std::string LargestRealMidiFile();
// "/usr/bin/python3 <source>/tests/support/midi_oracle.py" when Debian's python3 has
// mido, else empty.
std::string MidiOracleCommand();

}  // namespace testing_support
