#include "midi/CAlsaMidi.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/LogSink.h"
#include "platform/RtThread.h"

namespace {

constexpr int kReadSize = 32;
constexpr useconds_t kIdleWaitUs = 1000;
constexpr useconds_t kErrorRetryUs = 100000;

// Sound-system errors go to standard error, one line each.
void AlsaError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void AlsaError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
}

}  // namespace

CAlsaMidi::CAlsaMidi(RawMidiBackend& backend) : backend_(backend) {}

CAlsaMidi::~CAlsaMidi() {
  for (int i = 0; i < PortCount(); ++i) ClosePort(i);
}

void CAlsaMidi::OnMidiInput(int port, int channel, int status, uint8_t data1, uint8_t data2) {
  const MidiMessageCallback cb = callback_.load(std::memory_order_acquire);
  if (cb) cb(0, port, channel, status, data1, data2);
}

int CAlsaMidi::ScanDevices() {
  for (int i = 0; i < PortCount(); ++i) ClosePort(i);
  ports_.clear();

  int card = -1;
  int err = backend_.NextCard(card);
  if (err < 0) {
    AlsaError("cannot determine card number: %s", backend_.StrError(err));
    return -1;
  }
  if (card < 0) {
    AlsaError("no sound cards found");
    return -2;
  }
  platform::LogWrite("\nDir Device    Name\n");
  platform::LogWrite("====================================\n");
  do {
    if (ListCard(card) < 0) return -1;
    err = backend_.NextCard(card);
    if (err < 0) {
      AlsaError("cannot determine card number: %s", backend_.StrError(err));
      break;
    }
  } while (card >= 0);
  platform::LogWrite("\n");
  return 0;
}

int CAlsaMidi::ListCard(int card) {
  RawMidiControl* ctl = nullptr;
  int err = backend_.OpenControl(card, ctl);
  if (err < 0) {
    AlsaError("cannot open control for card %d: %s", card, backend_.StrError(err));
    return -1;
  }
  int device = -1;
  for (;;) {
    err = backend_.NextDevice(ctl, device);
    if (err < 0) {
      AlsaError("cannot determine device number: %s", backend_.StrError(err));
      break;
    }
    if (device < 0) break;
    ListDevice(ctl, card, device);
  }
  backend_.CloseControl(ctl);
  return 0;
}

void CAlsaMidi::ListDevice(RawMidiControl* ctl, int card, int device) {
  RawMidiInfo outInfo;
  RawMidiInfo inInfo;
  // Probes one stream of one subdevice; a missing stream is not an error. The kernel says
  // -ENOENT for a direction the device lacks and -ENXIO for a subdevice past its count.
  auto probe = [&](int sub, RawMidiStream stream, RawMidiInfo& info, bool& has) {
    const int e = backend_.Info(ctl, device, sub, stream, info);
    has = e == 0;
    return e == -ENXIO || e == -ENOENT ? 0 : e;
  };
  bool hasOut = false;
  bool hasIn = false;
  int err = probe(0, RawMidiStream::Output, outInfo, hasOut);
  if (err == 0) err = probe(0, RawMidiStream::Input, inInfo, hasIn);
  if (err < 0) {
    AlsaError("cannot get rawmidi information %d:%d: %s", card, device, backend_.StrError(err));
    return;
  }
  if (!hasIn && !hasOut) return;
  const int subs = std::max(hasIn ? inInfo.subdevicesCount : 0,
                            hasOut ? outInfo.subdevicesCount : 0);
  const RawMidiInfo* info = hasIn ? &inInfo : &outInfo;
  char hw[48];
  if (info->subdeviceName[0] == '\0') {
    std::snprintf(hw, sizeof hw, "hw:%d,%d", card, device);
    AddPort(hw, info->name, hasIn, hasOut);
    if (subs <= 1)
      platform::LogPrintf("%c%c  hw:%d,%d    %s\n", hasIn ? 'I' : ' ', hasOut ? 'O' : ' ', card,
                          device, info->name);
    else
      platform::LogPrintf("%c%c  hw:%d,%d    %s (%d subdevices)\n", hasIn ? 'I' : ' ',
                          hasOut ? 'O' : ' ', card, device, info->name, subs);
    return;
  }
  for (int sub = 0;;) {
    if (hasIn || hasOut) {
      std::snprintf(hw, sizeof hw, "hw:%d,%d,%d", card, device, sub);
      // Numbered in decimal: a device can have more than nine subdevices.
      std::string name = info->name;
      if (sub > 0) name += " (" + std::to_string(sub + 1) + ")";
      AddPort(hw, std::move(name), hasIn, hasOut);
      platform::LogPrintf("%c%c  hw:%d,%d,%d  %s\n", hasIn ? 'I' : ' ', hasOut ? 'O' : ' ', card,
                          device, sub, info->subdeviceName);
    }
    if (++sub >= subs) break;
    err = probe(sub, RawMidiStream::Output, outInfo, hasOut);
    if (err == 0) err = probe(sub, RawMidiStream::Input, inInfo, hasIn);
    if (err < 0) {
      AlsaError("cannot get rawmidi information %d:%d:%d: %s", card, device, sub,
                backend_.StrError(err));
      return;
    }
    info = hasIn ? &inInfo : &outInfo;
  }
}

void CAlsaMidi::AddPort(const char* hwName, std::string name, bool input, bool output) {
  auto port = std::make_unique<RawMidiPort>();
  port->hwName = hwName;
  port->name = std::move(name);
  port->hasInput = input;
  port->hasOutput = output;
  port->index = PortCount();
  port->owner = this;
  ports_.push_back(std::move(port));
}

int CAlsaMidi::OpenPort(int index, int portNumber, bool noThread) {
  if (!InRange(index)) return 0;
  RawMidiPort& p = *ports_[index];
  if (p.open.load()) return 0;
  polled_ = noThread;
  // Only the directions the device has: asking for a missing one fails the whole open.
  const int err = backend_.Open(p.hasInput ? &p.input : nullptr, p.hasOutput ? &p.output : nullptr,
                                p.hwName.c_str(), true);
  if (err < 0) {
    AlsaError("Problem opening Alsa Midi port<%s> input: %s", p.hwName.c_str(),
              backend_.StrError(err));
    p.input = nullptr;
    p.output = nullptr;
    return -1;
  }
  p.portNumber = static_cast<uint8_t>(portNumber);
  if (!noThread && p.input) {
    char threadName[24];
    std::snprintf(threadName, sizeof threadName, "ALSA-MIDI[%d]", index + 1);
    const platform::ThreadConfig config{threadName, SCHED_FIFO, 49, 0};
    p.run.store(1);
    const platform::ThreadStart start = platform::StartThread(p.thread, config, &InputThread, &p);
    if (start.attrInitFailed)
      platform::LogWrite("[Alsa Midi Device] Couldn't initialize Midi Serial device attributes\n");
    if (start.getParamsError)
      platform::LogPrintf("[Alsa Midi Device] get sched params %d\n", start.getParamsError);
    if (start.setPolicyError)
      platform::LogPrintf("[Alsa Midi Device] set sched policy %d\n", start.setPolicyError);
    if (start.setPriorityError)
      platform::LogPrintf("[Alsa Midi Device] set scheduler prio error %d\n", start.setPriorityError);
    if (start.setExplicitError)
      platform::LogPrintf("[Alsa Midi Device]set explicit sched error %d\n", start.setExplicitError);
    if (!start.started) {
      if (!start.attrInitFailed) platform::LogWrite("[Alsa Midi Device] Couldn't create Thread\n");
      // Leave the port closed, not half open with streams nobody reads or closes.
      p.run.store(0);
      if (p.input) backend_.Close(p.input);
      if (p.output) backend_.Close(p.output);
      p.input = nullptr;
      p.output = nullptr;
      return start.attrInitFailed ? -1 : -4;
    }
    p.threadStarted = true;
    int policy = 0;
    int priority = 0;
    platform::ThreadSchedule(p.thread, policy, priority);
    platform::LogPrintf("[Alsa Midi Device] policy:: %d pri :: %d\n", policy, priority);
  }
  p.open.store(1);
  p.readError.store(0);
  return 0;
}

int CAlsaMidi::OpenPortByName(const char* name, int portNumber) {
  for (int i = 0; i < PortCount(); ++i)
    if (ports_[i]->name == name) return OpenPort(i, portNumber, false);
  return -1;
}

int CAlsaMidi::GetPortState(const char* name, int& open, int& readError, int& run) const {
  for (const auto& p : ports_) {
    if (p->name != name) continue;
    open = p->open.load();
    readError = p->readError.load();
    run = p->run.load();
    return 1;
  }
  open = readError = run = 0;
  return 0;
}

void CAlsaMidi::ClosePort(int index) {
  if (!InRange(index)) return;
  RawMidiPort& p = *ports_[index];
  if (p.hasInput && p.input) {
    p.run.store(0);
    backend_.SetNonblock(p.input, true);
    if (p.threadStarted) {
      pthread_join(p.thread, nullptr);
      p.threadStarted = false;
    }
    backend_.Close(p.input);
    p.input = nullptr;
  }
  if (p.hasOutput && p.output) {
    backend_.Close(p.output);
    p.output = nullptr;
  }
  p.open.store(0);
}

void CAlsaMidi::PollInput() {
  uint8_t bytes[kReadSize];
  for (auto& port : ports_) {
    RawMidiPort& p = *port;
    // A port with its own thread is read there; two readers would tear its parser.
    if (!p.open.load() || !p.input || p.threadStarted) continue;
    const ssize_t n = backend_.Read(p.input, bytes, sizeof bytes);
    if (n > 0) Parse(p, bytes, static_cast<int>(n));
  }
}

void* CAlsaMidi::InputThread(void* port) {
  auto* p = static_cast<RawMidiPort*>(port);
  p->owner->ReadLoop(*p);
  return nullptr;
}

void CAlsaMidi::ReadLoop(RawMidiPort& p) {
  p.ended.store(0);
  p.readError.store(0);
  uint8_t bytes[kReadSize];
  while (p.run.load() && p.input) {
    const ssize_t n = backend_.Read(p.input, bytes, sizeof bytes);
    if (n == -EAGAIN) {
      usleep(kIdleWaitUs);
    } else if (n <= 0) {
      p.readError.store(1);
      usleep(kErrorRetryUs);
    } else if (p.index >= 0) {
      Parse(p, bytes, static_cast<int>(n));
    }
  }
  p.ended.store(1);
}

void CAlsaMidi::Parse(RawMidiPort& p, const uint8_t* bytes, int count) {
  for (int i = 0; i < count; ++i) {
    MidiMessage m;
    if (p.parser.Feed(bytes[i], m)) OnMidiInput(p.portNumber, m.channel, m.status, m.data1, m.data2);
  }
}

void CAlsaMidi::SendShort(int index, int channel, int status, uint8_t data1, uint8_t data2) {
  if (!InRange(index) || !ports_[index]->output) return;
  const uint8_t bytes[3] = {static_cast<uint8_t>((status & 0xF0) | (channel & 0x0F)), data1, data2};
  backend_.Write(ports_[index]->output, bytes, sizeof bytes);
}

void CAlsaMidi::SendSysEx(int index, const uint8_t* data, int length) {
  ssize_t written = 0;
  if (InRange(index) && ports_[index]->output && length > 0)
    written = backend_.Write(ports_[index]->output, data, static_cast<size_t>(length));
  // Printed in pieces from a stack buffer: the pad drivers send from the clock path.
  char line[256];
  int used = std::snprintf(line, sizeof line, "SYSEX: ");
  for (ssize_t i = 0; i < written; ++i) {
    if (used > static_cast<int>(sizeof line) - 8) {
      platform::LogWrite(line);
      used = 0;
    }
    used += std::snprintf(line + used, sizeof line - used, "%02X ", data[i]);
  }
  std::snprintf(line + used, sizeof line - used, "\n");
  platform::LogWrite(line);
}
