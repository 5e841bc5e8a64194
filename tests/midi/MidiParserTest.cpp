// The two MIDI byte parsers (serial/USB port, raw-MIDI ports) as tables of byte strings and
// the messages they give.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "midi/MidiByteParser.h"
#include "midi/RawMidiParser.h"
#include "tests/support/AllocCounter.h"

namespace {

// "90 3C 64" -> bytes.
std::vector<uint8_t> Bytes(const std::string& hex) {
  std::vector<uint8_t> out;
  std::istringstream in(hex);
  unsigned v;
  while (in >> std::hex >> v) out.push_back(static_cast<uint8_t>(v));
  return out;
}

// A message as "ch:status:d1:d2" in hex; real-time messages as "RT:F8" (their data bytes
// carry no meaning).
template <typename Parser>
std::vector<std::string> Parse(const std::string& hex) {
  Parser parser;
  std::vector<std::string> got;
  for (uint8_t b : Bytes(hex)) {
    MidiMessage m;
    if (!parser.Feed(b, m)) continue;
    char text[32];
    if (m.status >= 0xF8)
      std::snprintf(text, sizeof text, "RT:%02X", m.status);
    else
      std::snprintf(text, sizeof text, "%X:%02X:%02X:%02X", m.channel, m.status, m.data1, m.data2);
    got.push_back(text);
  }
  return got;
}

struct Case {
  const char* what;
  const char* bytes;
  std::vector<std::string> messages;
};

TEST(MidiByteParser, MessagesFromByteStrings) {
  const Case cases[] = {
      {"running status", "90 3C 64 3E 64", {"0:90:3C:64", "0:90:3E:64"}},
      {"clock inside a note", "93 F8 3C 64", {"RT:F8", "3:90:3C:64"}},
      {"real-time between the data bytes", "90 3C FE 64", {"RT:FE", "0:90:3C:64"}},
      {"real-time inside a program change", "C2 FA 05", {"RT:FA", "2:C0:05:00"}},
      {"real-time keeps running status", "90 3C 64 FC 3E 64", {"0:90:3C:64", "RT:FC", "0:90:3E:64"}},
      {"one data byte", "C5 07", {"5:C0:07:00"}},
      {"running status after a program change takes two bytes", "C5 07 08 09",
       {"5:C0:07:00", "5:C0:08:09"}},
      {"channel pressure", "DA 40", {"A:D0:40:00"}},
      {"pitch bend", "E1 00 40", {"1:E0:00:40"}},
      {"SysEx dropped", "F0 7E 01 F7 80 3C 00", {"0:80:3C:00"}},
      {"even-length SysEx then a note", "F0 7E 7F 06 01 F7 90 3C 64", {"0:90:3C:64"}},
      {"real-time inside SysEx", "F0 7E F8 01 F7 90 3C 64", {"RT:F8", "0:90:3C:64"}},
      {"SysEx content is never delivered", "F0 01 02 03 04 05 06 F7", {}},
      {"a status byte ends a SysEx without F7", "F0 01 02 B0 07 64", {"0:B0:07:64"}},
      {"SysEx after SysEx", "F0 01 F0 02 03 F7 90 3C 64", {"0:90:3C:64"}},
      {"system common waits for two bytes", "F2 10 20", {"2:F0:10:20"}},
      {"tune request abandoned by a note", "F6 90 3C 64", {"0:90:3C:64"}},
      {"stray end of SysEx", "F7 90 3C 64", {"0:90:3C:64"}},
      {"undefined system common", "F4 F5 90 3C 64", {"0:90:3C:64"}},
      {"status abandons the first data byte", "90 3C 80 3C 00", {"0:80:3C:00"}},
      {"status abandons the second data byte", "B0 07 C1 90 3C 64", {"0:90:3C:64"}},
      {"status abandons a program change", "C0 90 3C 64", {"0:90:3C:64"}},
      {"data before any status is noise", "3C 64 90 3C 64", {"0:90:3C:64"}},
      {"data alone", "3C 64 3E", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Parse<MidiByteParser>(c.bytes), c.messages) << c.what << ": " << c.bytes;
}

// The raw-MIDI ports have no SysEx state: SysEx bytes come through as status F0 messages
// with two data bytes each, which the pad-controller drivers read.
TEST(RawMidiParser, MessagesFromByteStrings) {
  const Case cases[] = {
      {"running status", "B2 07 64 0A 40", {"2:B0:07:64", "2:B0:0A:40"}},
      {"clock inside a note", "93 F8 3C 64", {"RT:F8", "3:90:3C:64"}},
      {"real-time in the middle of a pair", "B0 07 FE 64", {"RT:FE", "0:B0:07:64"}},
      {"one data byte", "C5 07", {"5:C0:07:00"}},
      {"running status after a program change takes two bytes", "C5 07 08 09",
       {"5:C0:07:00", "5:C0:08:09"}},
      {"SysEx as pairs", "F0 00 20 29 02 F7", {"0:F0:00:20", "0:F0:29:02"}},
      {"odd-length SysEx", "F0 7E 01 02 F7", {"0:F0:7E:01"}},
      {"even-length SysEx then a note", "F0 7E 7F 06 01 F7 90 3C 64",
       {"0:F0:7E:7F", "0:F0:06:01", "0:90:3C:64"}},
      {"real-time inside SysEx", "F0 7E F8 01", {"RT:F8", "0:F0:7E:01"}},
      {"status abandons the first data byte", "90 3C 80 3C 00", {"0:80:3C:00"}},
      {"status abandons the second data byte", "B0 07 90 3C 64", {"0:90:3C:64"}},
      {"status abandons a program change", "C0 90 3C 64", {"0:90:3C:64"}},
      {"data before any status is noise", "3C 64 90 3C 64", {"0:90:3C:64"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Parse<RawMidiParser>(c.bytes), c.messages) << c.what << ": " << c.bytes;
}

// A megabyte of every byte value, as a noisy line would deliver it.
template <typename Parser>
std::size_t AllocationsOverOneMegabyte() {
  Parser parser;
  MidiMessage m;
  unsigned seed = 1;
  int delivered = 0;
  testing_support::AllocGuard guard;
  for (int i = 0; i < (1 << 20); ++i) {
    seed = seed * 1664525u + 1013904223u;
    delivered += parser.Feed(static_cast<uint8_t>(seed >> 24), m);
  }
  EXPECT_GT(delivered, 0);
  return guard.Count();
}

TEST(MidiParsers, AllocateNothingPerByte) {
  EXPECT_EQ(AllocationsOverOneMegabyte<MidiByteParser>(), 0u);
  EXPECT_EQ(AllocationsOverOneMegabyte<RawMidiParser>(), 0u);
}

}  // namespace
