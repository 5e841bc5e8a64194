// engine-render SCRIPT OUT.wav [-v]
//
// Renders a script through the part engine, period by period as the engine threads and the
// audio thread would, and writes the sum of the four parts as a stereo 48 kHz 32-bit float
// WAV. A script line is "<seconds> <command> <arguments>"; '#' starts a comment:
//   param  part number instance value     live bank parameter (units of the parameter table)
//   sparam part number instance value     the same into the shadow bank
//   route  part slot source destination amount mode   matrix route of the live bank (amount 0..1)
//   on     part note velocity              velocity 0..1
//   off    part note
//   cc     part controller value
//   bend   part octaves
//   swap   part                            brings the shadow bank in
//   end                                    the output ends here (required)
// Commands take effect at the first period that starts at or after their time.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "NE10.h"
#include "data/SampleFile.h"
#include "engine/CSynthEngine.h"
#include "numeric/MathTables.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"

namespace {

constexpr int32_t kRate = 48000;
constexpr int32_t kFrames = 128;
constexpr double kMaxSeconds = 3600.0;

struct Command {
  double time = 0.0;
  std::string name;
  std::vector<double> args;
  int line = 0;
};

struct Syntax {
  const char* name;
  int args;
};
constexpr Syntax kSyntax[] = {
    {"param", 4}, {"sparam", 4}, {"route", 6}, {"on", 3}, {"off", 2},
    {"cc", 3},    {"bend", 2},   {"swap", 1},  {"end", 0},
};

bool Fail(int line, const std::string& message) {
  std::fprintf(stderr, "engine-render: line %d: %s\n", line, message.c_str());
  return false;
}

bool InRange(double v, double lo, double hi) { return v >= lo && v <= hi; }

bool Check(const Command& c) {
  if (c.name != "end" && !InRange(c.args[0], 0, CSynthEngine::kParts - 1))
    return Fail(c.line, "part must be 0..3");
  if ((c.name == "on" || c.name == "off") && !InRange(c.args[1], 0, 127)) return Fail(c.line, "note must be 0..127");
  if (c.name == "on" && !InRange(c.args[2], 0, 1)) return Fail(c.line, "velocity must be 0..1");
  if ((c.name == "param" || c.name == "sparam") && (!InRange(c.args[1], 0, 4095) || !InRange(c.args[2], 0, 15)))
    return Fail(c.line, "parameter number must be 0..4095 and instance 0..15");
  if (c.name == "route" && (!InRange(c.args[1], -1, 255) || !InRange(c.args[2], 0, 255) ||
                            !InRange(c.args[3], 0, 255) || !InRange(c.args[5], 0, 255)))
    return Fail(c.line, "route slot, source, destination and mode must be -1..255, 0..255, 0..255, 0..255");
  if (c.name == "cc" && !InRange(c.args[1], 0, 255)) return Fail(c.line, "controller must be 0..255");
  if (!InRange(c.time, 0, kMaxSeconds)) return Fail(c.line, "times must be 0..3600 seconds");
  return true;
}

bool Parse(std::istream& in, std::vector<Command>* commands, double* end) {
  std::string text;
  int line = 0;
  double last = 0.0;
  *end = -1.0;
  while (std::getline(in, text)) {
    ++line;
    text = text.substr(0, text.find('#'));
    std::istringstream words(text);
    Command c;
    c.line = line;
    if (!(words >> c.time)) {
      std::string rest;
      if (std::istringstream(text) >> rest) return Fail(line, "expected a time in seconds");
      continue;
    }
    if (!(words >> c.name)) return Fail(line, "expected a command");
    const Syntax* syntax = nullptr;
    for (const Syntax& s : kSyntax)
      if (c.name == s.name) syntax = &s;
    if (!syntax) return Fail(line, "unknown command \"" + c.name + "\"");
    double v;
    while (words >> v) c.args.push_back(v);
    if (!words.eof()) return Fail(line, "arguments must be numbers");
    if (static_cast<int>(c.args.size()) != syntax->args)
      return Fail(line, c.name + " takes " + std::to_string(syntax->args) + " arguments");
    if (c.time < last) return Fail(line, "times must not go backwards");
    if (*end >= 0.0) return Fail(line, "nothing may follow end");
    if (!Check(c)) return false;
    last = c.time;
    if (c.name == "end") *end = c.time;
    else commands->push_back(c);
  }
  if (*end < 0.0) return Fail(line, "the script has no end");
  return true;
}

void Apply(CSynthEngine& e, const Command& c) {
  const auto& a = c.args;
  const int part = static_cast<int>(a[0]);
  if (c.name == "param" || c.name == "sparam")
    e.SetParam(c.name == "param" ? 1 : 0, part, static_cast<int>(a[2]), static_cast<float>(a[3]),
               static_cast<uint32_t>(a[1]));
  else if (c.name == "route")
    e.SetModRoute(1, part, static_cast<int>(a[1]), static_cast<float>(a[4]), static_cast<int>(a[2]),
                  static_cast<int>(a[3]), static_cast<int>(a[5]));
  else if (c.name == "on")
    e.NoteOn(part, static_cast<int>(a[1]), static_cast<float>(a[2]));
  else if (c.name == "off")
    e.NoteOff(part, static_cast<int>(a[1]));
  else if (c.name == "cc")
    e.ControlChange(part, static_cast<int>(a[1]), static_cast<float>(a[2]));
  else if (c.name == "bend")
    e.PitchBend(part, static_cast<float>(a[1]));
  else if (c.name == "swap")
    e.TriggerSwap(part);
}

void Quiet(const char*, void*) {}
void ToStderr(const char* text, void*) { std::fputs(text, stderr); }
// Offline the render has all the time it needs: no voice may miss the deadline.
timespec FrozenNow() { return timespec{0, 0}; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "-v") != 0)) {
    std::fprintf(stderr, "usage: engine-render SCRIPT OUT.wav [-v]\n");
    return 2;
  }
  const bool verbose = argc == 4;
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "engine-render: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<Command> commands;
  double end = 0.0;
  if (!Parse(in, &commands, &end)) return 1;

  // As the instrument starts: the FFT library before anything prepares an FFT.
  if (ne10_init() != NE10_OK) {
    std::fprintf(stderr, "engine-render: Ne10 failed to start\n");
    return 1;
  }
  platform::EnableFlushToZero();
  initMathTables();
  platform::SetLogSink(&Quiet, nullptr);
  CSynthEngine engine;
  engine.Create(kRate, kFrames);
  engine.SetClock(&FrozenNow);
  platform::SetLogSink(verbose ? &ToStderr : &Quiet, nullptr);

  const int64_t periods = static_cast<int64_t>(end * kRate / kFrames + 0.5);
  SampleFile wave;
  wave.Resize(2, static_cast<int32_t>(periods * kFrames));
  wave.SetSampleRate(kRate);
  wave.SetBitDepth(32);
  wave.Loop().numLoops = 0;
  float buffers[8][kFrames];
  float* out[8];
  for (int c = 0; c < 8; ++c) out[c] = buffers[c];
  std::size_t next = 0;
  for (int64_t k = 0; k < periods; ++k) {
    const double start = static_cast<double>(k * kFrames) / kRate;
    while (next < commands.size() && commands[next].time <= start) Apply(engine, commands[next++]);
    engine.RenderVoices(nullptr, 0);
    engine.RenderVoices(nullptr, 1);
    engine.MixParts(out, 0, 0.0f);
    float* left = wave.Channel(0) + k * kFrames;
    float* right = wave.Channel(1) + k * kFrames;
    for (int i = 0; i < kFrames; ++i) {
      left[i] = buffers[0][i] + buffers[1][i] + buffers[2][i] + buffers[3][i];
      right[i] = buffers[4][i] + buffers[5][i] + buffers[6][i] + buffers[7][i];
    }
  }
  std::vector<uint8_t> bytes;
  if (wave.EncodeWave(bytes) == 0) {
    std::fprintf(stderr, "engine-render: nothing to write\n");
    return 1;
  }
  std::FILE* f = std::fopen(argv[2], "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "engine-render: cannot write %s\n", argv[2]);
    return 1;
  }
  platform::SetLogSink(nullptr, nullptr);
  return 0;
}
