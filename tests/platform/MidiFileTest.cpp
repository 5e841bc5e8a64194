// The Standard MIDI File reader against an independent one (mido, and midicsv for the
// ticks) over real files nobody here wrote and files derived from them by mido; hand-made
// byte strings for the encodings real files rarely use; and the inputs it must refuse.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "MidiFile.h"
#include "tests/support/Emulation.h"
#include "tests/support/RealMidiFiles.h"
#include "tests/support/RunCommand.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;
using testing_support::RunCommand;

// The oracle script's dump format, made from what the reader returns.
std::string Dump(const smf::MidiFile& f) {
  std::ostringstream o;
  o << "header " << f.getFormat() << ' ' << f.getTrackCount() << ' ' << f.getTicksPerQuarterNote() << '\n';
  char hex[3];
  for (int t = 0; t < f.getTrackCount(); ++t)
    for (int i = 0; i < f[t].size(); ++i) {
      const smf::MidiEvent& e = f[t][i];
      o << "e " << t << ' ' << e.tick << ' ';
      for (int b = 0; b < e.size(); ++b) {
        std::snprintf(hex, sizeof hex, "%02X", e[b]);
        o << hex;
      }
      o << '\n';
    }
  for (int t = 0; t < f.getTrackCount(); ++t)
    for (int i = 0; i < f[t].size(); ++i) {
      const smf::MidiEvent& e = f[t][i];
      if (e.isNoteOff() && e.isLinked())
        o << "p " << t << ' ' << e.getLinkedEvent()->tick << ' ' << e.tick << ' ' << e.getChannel() << ' '
          << e.getKeyNumber() << '\n';
    }
  return o.str();
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every note-on's link is a note-off of the same channel and key, no earlier, linked back.
void ExpectPairsConsistent(const smf::MidiFile& f) {
  for (int t = 0; t < f.getTrackCount(); ++t)
    for (int i = 0; i < f[t].size(); ++i) {
      const smf::MidiEvent& e = f[t][i];
      if (!e.isLinked()) continue;
      const smf::MidiEvent* other = e.getLinkedEvent();
      ASSERT_EQ(other->getLinkedEvent(), &e);
      ASSERT_EQ(e.getChannel(), other->getChannel());
      ASSERT_EQ(e.getKeyNumber(), other->getKeyNumber());
      if (e.isNoteOn()) {
        ASSERT_GE(e.getTickDuration(), 0);
      }
    }
}

// (track, tick) of every event as midicsv lists them, after its header line.
std::string MidicsvTicks(const std::string& path) {
  const testing_support::CommandOutput out = RunCommand("midicsv '" + path + "'");
  if (out.status != 0) return "midicsv failed";
  std::istringstream in(out.text);
  std::ostringstream o;
  std::string line;
  while (std::getline(in, line)) {
    int track = 0, tick = 0;
    char type[64] = {};
    if (std::sscanf(line.c_str(), "%d, %d, %63[A-Za-z_]", &track, &tick, type) != 3) continue;
    const std::string kind = type;
    if (kind == "Header") {
      int format = 0, tracks = 0, division = 0;
      std::sscanf(line.c_str(), "%*d, %*d, Header, %d, %d, %d", &format, &tracks, &division);
      o << "header " << format << ' ' << tracks << ' ' << division << '\n';
    } else if (kind != "Start_track" && kind != "End_of_file") {
      o << track - 1 << ' ' << tick << '\n';
    }
  }
  return o.str();
}

std::string OurTicks(const smf::MidiFile& f) {
  std::ostringstream o;
  o << "header " << f.getFormat() << ' ' << f.getTrackCount() << ' ' << f.getTicksPerQuarterNote() << '\n';
  for (int t = 0; t < f.getTrackCount(); ++t)
    for (int i = 0; i < f[t].size(); ++i) o << t << ' ' << f[t][i].tick << '\n';
  return o.str();
}

class MidiFileOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    oracle_ = testing_support::MidiOracleCommand();
    if (oracle_.empty()) GTEST_SKIP() << "needs Debian's python3 with python3-mido";
    files_ = testing_support::RealMidiFiles();
    if (files_.empty()) GTEST_SKIP() << "needs the openttd-openmsx package (scripts/setup)";
    dir_ = fs::temp_directory_path() / ("midifile-oracle-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  std::string Run(const std::string& mode, const fs::path& out, const std::vector<std::string>& files) {
    std::string command = oracle_ + " " + mode + " '" + out.string() + "'";
    for (const std::string& f : files) command += " '" + f + "'";
    return RunCommand(command + " 2>&1").text;
  }

  std::string oracle_;
  std::vector<std::string> files_;
  fs::path dir_;
};

TEST_F(MidiFileOracle, RealAndDerivedFilesReadAsTheOtherReadersSee) {
  // Format-0 files that mido merged from the smaller real ones, and its hand-made edge files.
  std::vector<std::string> small;
  for (const std::string& f : files_)
    if (fs::file_size(f) < 40000) small.push_back(f);
  ASSERT_EQ(Run("merge", dir_ / "derived", small), "");
  ASSERT_EQ(Run("make", dir_ / "derived", {}), "");
  std::vector<std::string> all = files_;
  for (const auto& entry : fs::directory_iterator(dir_ / "derived")) all.push_back(entry.path().string());
  ASSERT_EQ(Run("dump", dir_ / "dumps", all), "");

  smf::MidiFile reader;  // one reader for every file, as the page keeps one
  int notes = 0;
  for (const std::string& path : all) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(reader.read(path));
    const int pairs = reader.linkNotePairs();
    notes += pairs;
    EXPECT_EQ(Dump(reader), ReadText((dir_ / "dumps" / (fs::path(path).filename().string() + ".dump")).string()));
    EXPECT_EQ(OurTicks(reader), MidicsvTicks(path));
    ExpectPairsConsistent(reader);
  }
  EXPECT_GT(notes, 1000);
}

// A file of the given tracks (each the bytes of an MTrk body) at `tpq` ticks a quarter.
Bytes Smf(std::vector<Bytes> tracks, int tpq = 96, int format = 1, Bytes before = {}) {
  Bytes b = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<uint8_t>(format), 0,
             static_cast<uint8_t>(tracks.size()), static_cast<uint8_t>(tpq >> 8), static_cast<uint8_t>(tpq)};
  b.insert(b.end(), before.begin(), before.end());
  for (const Bytes& t : tracks) {
    const std::size_t n = t.size();
    b.insert(b.end(), {'M', 'T', 'r', 'k', static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                       static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    b.insert(b.end(), t.begin(), t.end());
  }
  return b;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(MidiFile, HandMadeEncodings) {
  const Bytes longText(128, 'x');
  std::string longLine = "e 0 0 FF018100";
  for (int i = 0; i < 128; ++i) longLine += "78";
  struct Case {
    const char* what;
    Bytes file;
    std::string dump;
  } cases[] = {
      {"deltas of one, two and four bytes",
       Smf({{0x7F, 0x90, 60, 1, 0x81, 0x00, 0x80, 60, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xB0, 7, 100}}),
       "header 1 1 96\ne 0 127 903C01\ne 0 255 803C00\ne 0 268435710 B00764\np 0 127 255 0 60\n"},
      {"running status, also across a program change",
       Smf({{0, 0x91, 60, 64, 10, 62, 64, 0, 0xC2, 5, 0, 6, 0, 0x91, 60, 0}}),
       "header 1 1 96\ne 0 0 913C40\ne 0 10 913E40\ne 0 10 C205\ne 0 10 C206\ne 0 10 913C00\np 0 0 10 1 60\n"},
      {"system exclusive, both forms",
       Smf({{0, 0xF0, 3, 0x43, 0x12, 0xF7, 5, 0xF7, 2, 0x01, 0xF7}}),
       "header 1 1 96\ne 0 0 F0034312F7\ne 0 5 F70201F7\n"},
      {"meta text with a two-byte length", Smf({Concat({{0, 0xFF, 0x01, 0x81, 0x00}, longText})}),
       "header 1 1 96\n" + longLine + "\n"},
      {"same-key notes overlapping end last-in first-out; a stray note-off stays alone",
       Smf({{0, 0x90, 60, 100, 10, 0x90, 60, 90, 10, 0x80, 60, 0, 10, 0x80, 60, 0, 10, 0x80, 60, 0}}),
       "header 1 1 96\ne 0 0 903C64\ne 0 10 903C5A\ne 0 20 803C00\ne 0 30 803C00\ne 0 40 803C00\n"
       "p 0 10 20 0 60\np 0 0 30 0 60\n"},
      {"channels pair apart", Smf({{0, 0x90, 60, 1, 0, 0x91, 60, 1, 5, 0x80, 60, 0, 5, 0x81, 60, 0}}),
       "header 1 1 96\ne 0 0 903C01\ne 0 0 913C01\ne 0 5 803C00\ne 0 10 813C00\np 0 0 5 0 60\np 0 0 10 1 60\n"},
      {"format 2, an unknown chunk, a longer header and an empty track",
       [] {
         Bytes b = Smf({{}, {0, 0xFF, 0x2F, 0}}, 480, 2, {'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2});
         b[7] = 8;  // header of eight bytes: two more after the division
         b.insert(b.begin() + 14, {0xAA, 0xBB});
         return b;
       }(),
       "header 2 2 480\ne 1 0 FF2F00\n"},
  };
  smf::MidiFile reader;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(reader.readBytes(c.file.data(), c.file.size()));
    reader.linkNotePairs();
    EXPECT_EQ(Dump(reader), c.dump);
    ExpectPairsConsistent(reader);
  }
  ASSERT_TRUE(reader.readBytes(cases[3].file.data(), cases[3].file.size()));
  EXPECT_EQ(reader[0][0].getMetaContent(), std::string(longText.begin(), longText.end()));
  EXPECT_EQ(reader.getFileDurationInTicks(), 0);
  ASSERT_TRUE(reader.readBytes(cases[0].file.data(), cases[0].file.size()));
  EXPECT_EQ(reader.getFileDurationInTicks(), 268435710);
  EXPECT_DOUBLE_EQ(reader.getFileDurationInQuarters(), 268435710 / 96.0);
}

TEST(MidiFile, RefusesWhatItCannotReadWhole) {
  const Bytes good = Smf({{0, 0x90, 60, 100, 96, 0x80, 60, 0, 0, 0xFF, 0x2F, 0}});
  auto patched = [&](std::size_t at, Bytes with) {
    Bytes b = good;
    std::copy(with.begin(), with.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  const std::string text = "MIDI notes as text, not a file\n";
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"header cut", Bytes(good.begin(), good.begin() + 10)},
      {"wrong magic", patched(0, {'M', 'T', 'h', 'x'})},
      {"header length 5", patched(7, {5})},
      {"header length past the end", patched(4, {0x7F, 0xFF, 0xFF, 0xFF})},
      {"format 3", patched(9, {3})},
      {"division 0", patched(12, {0, 0})},
      {"SMPTE division", patched(12, {0xE7, 0x28})},
      {"track past the end", patched(18, {0, 0, 0, 13})},
      {"track cut", Bytes(good.begin(), good.end() - 1)},
      {"fewer tracks than the header says", patched(11, {2})},
      {"delta of five bytes", Smf({{0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1}})},
      {"running status before any status", Smf({{0, 60, 100}})},
      {"running status after a meta event", Smf({{0, 0x90, 60, 1, 0, 0xFF, 0x01, 0, 0, 60, 0}})},
      {"meta past the chunk", Smf({{0, 0xFF, 0x01, 5, 'a'}})},
      {"meta length past four bytes", Smf({{0, 0xFF, 0x01, 0x81, 0x81, 0x81, 0x81, 0x00}})},
      {"meta without its type", Smf({{0, 0xFF}})},
      {"system exclusive past the chunk", Smf({{0, 0xF0, 5, 1, 0xF7}})},
      {"data byte of 0x80", Smf({{0, 0x90, 60, 0x80}})},
      {"data byte of 0xFF in a controller", Smf({{0, 0xB0, 0xFF, 1}})},
      {"message cut at the chunk's end", Smf({{0, 0x90, 60}})},
      {"delta without an event", Smf({{0, 0x90, 60, 1, 0}})},
      {"a system common message", Smf({{0, 0xF2, 1, 2}})},
      {"ticks past the range of an int", Smf({[] {
         Bytes t;  // nine longest deltas, each before an empty text event
         for (int i = 0; i < 9; ++i) t.insert(t.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
         return t;
       }()})},
      {"a text file", Bytes(text.begin(), text.end())},
  };
  smf::MidiFile reader;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(reader.readBytes(good.data(), good.size()));
    EXPECT_FALSE(reader.readBytes(c.file.data(), c.file.size()));
    EXPECT_FALSE(reader.status());
    EXPECT_EQ(reader.getTrackCount(), 0);
    EXPECT_EQ(reader.getFileDurationInTicks(), 0);
  }
  EXPECT_FALSE(reader.read("/nonexistent/file.mid"));
}

// A file of about `bytes` bytes (one less when that makes the pairs come out even): one
// track of program changes under running status, two bytes an event, the most events a file
// of that size holds.
std::string WriteProgramChanges(const std::string& path, std::size_t bytes) {
  std::size_t body = bytes - 22;
  if ((body - 7) % 2) --body;
  Bytes track(body, 0);  // delta 0 and program 0, again and again
  track[1] = 0xC0;
  std::copy_n(Bytes{0, 0xFF, 0x2F, 0}.begin(), 4, track.end() - 4);
  const Bytes file = Smf({track}, 96, 0);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                             static_cast<std::streamsize>(file.size()));
  return path;
}

// A file of exactly `bytes` bytes: a header and a track of zeros, which no reader takes.
std::string WriteZeros(const std::string& path, std::size_t bytes) {
  Bytes head = Smf(std::vector<Bytes>(1), 96, 0);
  const std::size_t n = bytes - head.size();
  const Bytes length = {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                        static_cast<uint8_t>(n)};
  std::copy(length.begin(), length.end(), head.end() - 4);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(head.data()),
                                             static_cast<std::streamsize>(head.size()));
  EXPECT_EQ(truncate(path.c_str(), static_cast<off_t>(bytes)), 0);
  return path;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SYNTH_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define SYNTH_SANITIZED_HEAP 1
#endif
#endif

// A file over the limit is refused before it is read; one at the limit is read (and here
// found to be no MIDI file).
TEST(MidiFile, FilesOverTheLimitAreRefusedUnread) {
  const std::string dir = fs::temp_directory_path() / ("midifile-" + std::to_string(getpid()));
  fs::create_directories(dir);
  smf::MidiFile reader;
  struct Case {
    std::size_t bytes;
    smf::MidiFile::Error error;
  } cases[] = {
      {smf::MidiFile::kMaxFileBytes, smf::MidiFile::kNotMidi},
      {smf::MidiFile::kMaxFileBytes + 1, smf::MidiFile::kTooLarge},
      {std::size_t{1} << 30, smf::MidiFile::kTooLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_FALSE(reader.read(WriteZeros(dir + "/zeros.mid", c.bytes)));
    EXPECT_EQ(reader.error(), c.error);
    EXPECT_EQ(reader.getTrackCount(), 0);
  }
  const Bytes good = Smf({{0, 0x90, 60, 100, 96, 0x80, 60, 0, 0, 0xFF, 0x2F, 0}});
  std::ofstream(dir + "/good.mid", std::ios::binary)
      .write(reinterpret_cast<const char*>(good.data()), static_cast<std::streamsize>(good.size()));
  EXPECT_TRUE(reader.read(dir + "/good.mid"));
  EXPECT_EQ(reader.error(), smf::MidiFile::kNoError);
  EXPECT_FALSE(reader.read(dir + "/none.mid"));
  EXPECT_EQ(reader.error(), smf::MidiFile::kCannotOpen);
  fs::remove_all(dir);
}

// With little memory left, a file the reader takes fails as a read, never as an exception
// that ends the program.
TEST(MidiFile, AnAllocationThatFailsIsAFailedRead) {
#if defined(SYNTH_SANITIZED_HEAP)
  GTEST_SKIP() << "a sanitizer's heap reserves more address space than the limit allows";
#endif
  SKIP_WHEN_EMULATED("the emulator's own address space is what the limit would bound");
  const std::string dir = fs::temp_directory_path() / ("midifile-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string path = WriteProgramChanges(dir + "/full.mid", smf::MidiFile::kMaxFileBytes);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // What the process maps now and 48 MiB more: the file's bytes fit, its four million
    // events (over 100 MB) do not.
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
      std::fclose(statm);
    }
    if (pages <= 0) _exit(100);
    const rlim_t room = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{48} << 20);
    const rlimit limit{room, room};
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(101);
    smf::MidiFile reader;
    if (reader.read(path)) _exit(1);
    if (reader.error() != smf::MidiFile::kOutOfMemory) _exit(2);
    if (reader.getTrackCount() != 0) _exit(3);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  fs::remove_all(dir);
  ASSERT_TRUE(WIFEXITED(status)) << "the read ended the process by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
