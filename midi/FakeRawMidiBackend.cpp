#include "midi/FakeRawMidiBackend.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

struct FakeRawMidiBackend::Port {
  int pipe[2] = {-1, -1};  // [1]: what the keyboard sends, [0]: what the input reads
  // Reserved up front so that writes allocate nothing: drivers' real-time paths write here.
  std::vector<uint8_t> output;
  std::vector<std::size_t> writeEnds;
  int openError = 0;
  int readError = 0;
  int readErrorCount = 0;
  int reads = 0;
  bool inputOpen = false;
  bool outputOpen = false;
};

struct FakeRawMidiBackend::Handle {
  Port* port;
  bool input;
  std::atomic<bool> nonblock;
};

FakeRawMidiBackend::Handle* FakeRawMidiBackend::AsHandle(RawMidiHandle* h) {
  return reinterpret_cast<Handle*>(h);
}

FakeRawMidiBackend::FakeRawMidiBackend() = default;

FakeRawMidiBackend::~FakeRawMidiBackend() {
  for (auto& [name, port] : ports_) {
    if (port->pipe[0] >= 0) close(port->pipe[0]);
    if (port->pipe[1] >= 0) close(port->pipe[1]);
  }
}

FakeRawMidiBackend::Port& FakeRawMidiBackend::PortFor(const std::string& hwName) {
  auto& slot = ports_[hwName];
  if (!slot) {
    slot = std::make_unique<Port>();
    if (pipe2(slot->pipe, O_NONBLOCK | O_CLOEXEC) != 0) slot->pipe[0] = slot->pipe[1] = -1;
    slot->output.reserve(1 << 16);
    slot->writeEnds.reserve(1 << 14);
  }
  return *slot;
}

const FakeRawMidiBackend::Card* FakeRawMidiBackend::FindCard(int number) const {
  for (const Card& c : cards)
    if (c.number == number) return &c;
  return nullptr;
}

bool FakeRawMidiBackend::Known(const std::string& hwName) const {
  for (const Card& c : cards) {
    for (const Device& d : c.devices) {
      char name[48];
      std::snprintf(name, sizeof name, "hw:%d,%d", c.number, d.number);
      if (hwName == name) return true;
      for (std::size_t s = 0; s < d.subdevices.size(); ++s) {
        std::snprintf(name, sizeof name, "hw:%d,%d,%zu", c.number, d.number, s);
        if (hwName == name) return true;
      }
    }
  }
  return false;
}

void FakeRawMidiBackend::SetOpenError(const std::string& hwName, int error) {
  std::lock_guard<std::mutex> lock(mutex_);
  PortFor(hwName).openError = error;
}

bool FakeRawMidiBackend::Inject(const std::string& hwName, const std::vector<uint8_t>& bytes) {
  int fd;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    fd = PortFor(hwName).pipe[1];
  }
  return fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

void FakeRawMidiBackend::InjectReadError(const std::string& hwName, int error, int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  Port& p = PortFor(hwName);
  p.readError = error;
  p.readErrorCount = count;
}

int FakeRawMidiBackend::ReadCalls(const std::string& hwName) {
  std::lock_guard<std::mutex> lock(mutex_);
  return PortFor(hwName).reads;
}

std::vector<uint8_t> FakeRawMidiBackend::Output(const std::string& hwName) {
  std::lock_guard<std::mutex> lock(mutex_);
  return PortFor(hwName).output;
}

std::vector<std::vector<uint8_t>> FakeRawMidiBackend::Writes(const std::string& hwName) {
  std::lock_guard<std::mutex> lock(mutex_);
  const Port& p = PortFor(hwName);
  std::vector<std::vector<uint8_t>> writes;
  std::size_t begin = 0;
  for (const std::size_t end : p.writeEnds) {
    writes.emplace_back(p.output.begin() + begin, p.output.begin() + end);
    begin = end;
  }
  return writes;
}

void FakeRawMidiBackend::ClearOutput(const std::string& hwName) {
  std::lock_guard<std::mutex> lock(mutex_);
  Port& p = PortFor(hwName);
  p.output.clear();
  p.writeEnds.clear();
}

bool FakeRawMidiBackend::WaitForOutput(const std::string& hwName, std::size_t bytes,
                                       std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  Port& p = PortFor(hwName);
  return written_.wait_for(lock, timeout, [&] { return p.output.size() >= bytes; });
}

bool FakeRawMidiBackend::IsOpen(const std::string& hwName, RawMidiStream stream) {
  std::lock_guard<std::mutex> lock(mutex_);
  Port& p = PortFor(hwName);
  return stream == RawMidiStream::Input ? p.inputOpen : p.outputOpen;
}

int FakeRawMidiBackend::NextCard(int& card) {
  if (nextCardError != 0 && cardsHandedOut_ >= nextCardErrorAfter) {
    cardsHandedOut_ = 0;
    return nextCardError;
  }
  std::size_t next = 0;
  if (card >= 0) {
    while (next < cards.size() && cards[next].number != card) ++next;
    ++next;
  }
  if (next >= cards.size()) {
    card = -1;
    cardsHandedOut_ = 0;
    return 0;
  }
  card = cards[next].number;
  ++cardsHandedOut_;
  return 0;
}

int FakeRawMidiBackend::OpenControl(int card, RawMidiControl*& ctl) {
  const Card* c = FindCard(card);
  ctl = nullptr;
  if (!c) return -ENODEV;
  if (c->controlError) return c->controlError;
  ctl = reinterpret_cast<RawMidiControl*>(const_cast<Card*>(c));
  return 0;
}

void FakeRawMidiBackend::CloseControl(RawMidiControl*) {}

int FakeRawMidiBackend::NextDevice(RawMidiControl* ctl, int& device) {
  const Card& c = *reinterpret_cast<const Card*>(ctl);
  if (c.nextDeviceError) return c.nextDeviceError;
  std::size_t next = 0;
  if (device >= 0) {
    while (next < c.devices.size() && c.devices[next].number != device) ++next;
    ++next;
  }
  device = next < c.devices.size() ? c.devices[next].number : -1;
  return 0;
}

int FakeRawMidiBackend::Info(RawMidiControl* ctl, int device, int subdevice,
                             RawMidiStream stream, RawMidiInfo& info) {
  const Card& c = *reinterpret_cast<const Card*>(ctl);
  const Device* d = nullptr;
  for (const Device& candidate : c.devices)
    if (candidate.number == device) d = &candidate;
  if (!d || subdevice < 0 || subdevice >= static_cast<int>(d->subdevices.size())) return -ENXIO;
  const bool input = stream == RawMidiStream::Input;
  const Subdevice& s = d->subdevices[subdevice];
  if (int e = input ? s.inputInfoError : s.outputInfoError) return e;
  // As the kernel answers: no stream in that direction.
  if (!(input ? s.input : s.output)) return -ENOENT;
  int count = 0;
  for (std::size_t i = 0; i < d->subdevices.size(); ++i)
    if (input ? d->subdevices[i].input : d->subdevices[i].output) count = static_cast<int>(i) + 1;
  info.subdevicesCount = count;
  std::snprintf(info.name, sizeof info.name, "%s", d->name.c_str());
  std::snprintf(info.subdeviceName, sizeof info.subdeviceName, "%s", s.name.c_str());
  return 0;
}

int FakeRawMidiBackend::Open(RawMidiHandle** input, RawMidiHandle** output, const char* hwName,
                             bool nonblock) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (input) *input = nullptr;
  if (output) *output = nullptr;
  Port& p = PortFor(hwName);
  if (p.openError) return p.openError;
  if (!Known(hwName)) return -ENOENT;
  if ((input && p.inputOpen) || (output && p.outputOpen)) return -EBUSY;
  if (input) {
    *input = reinterpret_cast<RawMidiHandle*>(new Handle{&p, true, nonblock});
    p.inputOpen = true;
  }
  if (output) {
    *output = reinterpret_cast<RawMidiHandle*>(new Handle{&p, false, nonblock});
    p.outputOpen = true;
  }
  return 0;
}

int FakeRawMidiBackend::Close(RawMidiHandle* handle) {
  Handle* h = AsHandle(handle);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    (h->input ? h->port->inputOpen : h->port->outputOpen) = false;
  }
  delete h;
  return 0;
}

int FakeRawMidiBackend::SetNonblock(RawMidiHandle* handle, bool nonblock) {
  AsHandle(handle)->nonblock.store(nonblock);
  return 0;
}

ssize_t FakeRawMidiBackend::Read(RawMidiHandle* handle, void* buffer, size_t size) {
  Handle* h = AsHandle(handle);
  Port& p = *h->port;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++p.reads;
    if (p.readErrorCount > 0) {
      --p.readErrorCount;
      return p.readError;
    }
  }
  for (;;) {
    const ssize_t n = read(p.pipe[0], buffer, size);
    if (n >= 0) return n;
    if (errno != EAGAIN) return -errno;
    if (h->nonblock.load()) return -EAGAIN;
    // A blocking read waits, but lets a switch to non-blocking end the wait.
    pollfd pfd{p.pipe[0], POLLIN, 0};
    poll(&pfd, 1, 1);
  }
}

ssize_t FakeRawMidiBackend::Write(RawMidiHandle* handle, const void* buffer, size_t size) {
  Handle* h = AsHandle(handle);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    h->port->output.insert(h->port->output.end(), bytes, bytes + size);
    h->port->writeEnds.push_back(h->port->output.size());
  }
  written_.notify_all();
  return static_cast<ssize_t>(size);
}

const char* FakeRawMidiBackend::StrError(int error) { return std::strerror(error < 0 ? -error : error); }
