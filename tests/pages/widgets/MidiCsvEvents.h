#pragma once
// A clip's event list made from a Standard MIDI File by an independent reader: `midicsv`
// (Debian) prints every event with its absolute tick, and this pairs each note-off with
// the latest open note-on of its track, channel and key. Ticks are rescaled to the clip's
// 96 pulses a quarter note. For the roll's golden image and its benchmark.
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "midi/ClipData.h"

namespace widgets_test {

// Debian's packages the roll's pictures and figures come from (scripts/setup installs them).
inline const char* const kSmallMidiFile = "/usr/share/games/openttd/baseset/openmsx/modern_motion.mid";
inline const char* const kLargestMidiFile = "/usr/share/planetblupi/music/music009.mid";

// `onlyTrack`: the events of that track (midicsv's numbering), or of all for -1.
inline std::vector<SeqEvent> EventsFromCsv(const std::string& csv, int onlyTrack = -1) {
  std::vector<SeqEvent> events;
  std::map<std::tuple<int, int, int>, std::vector<std::size_t>> open;
  long tpq = 96;
  std::istringstream lines(csv);
  std::string line;
  auto rescale = [&](long tick) { return static_cast<int32_t>((tick * kSeqPulsesPerQuarter + tpq / 2) / tpq); };
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    std::string item;
    while (std::getline(fields, item, ',')) f.push_back(item.substr(item.find_first_not_of(' ') == std::string::npos
                                                                         ? 0
                                                                         : item.find_first_not_of(' ')));
    if (f.size() < 3) continue;
    const std::string& type = f[2];
    if (type == "Header" && f.size() >= 6) {
      tpq = std::stol(f[5]);
      if (tpq <= 0) tpq = 96;
      continue;
    }
    if (f.size() < 6) continue;
    const int track = std::stoi(f[0]);
    if (onlyTrack >= 0 && track != onlyTrack) continue;
    const long tick = std::stol(f[1]);
    const int channel = std::stoi(f[3]), a = std::stoi(f[4]), b = std::stoi(f[5]);
    const auto key = std::make_tuple(track, channel, a);
    if (type == "Note_on_c" && b > 0) {
      open[key].push_back(events.size());
      events.push_back({kSeqNote, rescale(tick), rescale(tick), 0, static_cast<uint8_t>(a), static_cast<uint8_t>(b)});
    } else if (type == "Note_off_c" || (type == "Note_on_c" && b == 0)) {
      auto it = open.find(key);
      if (it == open.end() || it->second.empty()) continue;
      events[it->second.back()].end = rescale(tick);
      it->second.pop_back();
    } else if (type == "Control_c") {
      events.push_back({kSeqControl, rescale(tick), rescale(tick), 0, static_cast<uint8_t>(a), static_cast<uint8_t>(b)});
    }
  }
  // Notes still open at the end of the file never sounded to an end: left out.
  std::vector<SeqEvent> closed;
  closed.reserve(events.size());
  for (const SeqEvent& e : events)
    if (e.type != kSeqNote || e.end > e.time) closed.push_back(e);
  return closed;
}

// Runs midicsv on `path`; empty when the file or the tool is missing.
inline std::vector<SeqEvent> EventsFromFile(const std::string& path, int onlyTrack = -1) {
  std::string csv;
  if (FILE* p = ::popen(("midicsv '" + path + "' 2>/dev/null").c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) csv.append(buf, n);
    ::pclose(p);
  }
  return EventsFromCsv(csv, onlyTrack);
}

}  // namespace widgets_test
