#include "midi/CMidiDev.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "midi/MidiSerialLine.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "platform/RtThread.h"

namespace {

constexpr platform::ThreadConfig kReaderThread{"MIDI_DEV", SCHED_FIFO, 49, 0};
// The reader waits this long for a byte before it looks at `running` again, so that the
// owner can stop and join it.
constexpr int kStopCheckMs = 100;

}  // namespace

CMidiDev::~CMidiDev() {
  StopReader();
  CloseDescriptors();
}

void CMidiDev::OnMidiInput(int channel, int status, uint8_t data1, uint8_t data2) {
  const MidiMessageCallback cb = callback_.load(std::memory_order_acquire);
  if (cb) cb(kSource, portNumber_.load(std::memory_order_relaxed), channel, status, data1, data2);
}

void CMidiDev::Close() { running_.store(0, std::memory_order_relaxed); }

int CMidiDev::Open(const char* path, const char* type, bool outputOnly) {
  const bool serial = std::strcmp(type, "SERIAL") == 0;
  const bool usb = std::strcmp(type, "USB") == 0;
  if (!serial && !usb) {
    running_.store(1, std::memory_order_relaxed);
    return 0;
  }
  // One reader at a time: a new reader, or a new descriptor under the running one,
  // replaces it. The other port's descriptor stays open for the writers.
  if (!outputOnly || (threadStarted_ && usb_ == usb)) StopReader();
  outputOnly_ = outputOnly;
  int& fd = usb ? usbFd_ : serialFd_;
  SetDescriptor(fd, -1);
  // Never blocking: the audio thread writes clock and track notes here and the reader echoes
  // ET1 notes, and a line that is not read (a stalled peer, a USB host asleep) must stop
  // neither. The reader waits in poll.
  const int nonblock = O_NONBLOCK;
  int opened;
  if (serial) {
    opened = open(path, O_RDWR | O_NOCTTY | nonblock);
    if (opened < 0) {
      platform::LogPrintf("[MIDI_DEV] ERROR: open <%s>\n", path);
      return -2;
    }
    if (int r = midi_serial::ConfigureLine(opened)) {
      close(opened);
      return r;
    }
  } else {
    opened = open(platform::DataPath(kUsbDevicePath).c_str(), O_RDWR | nonblock);
    if (opened < 0) {
      std::fprintf(stderr, "[MIDI_DEV] Unable to open USB midi device: %s\n", std::strerror(errno));
      return -1;
    }
  }
  SetDescriptor(fd, opened);
  running_.store(1, std::memory_order_relaxed);
  if (outputOnly) return 0;

  usb_ = usb;
  const platform::ThreadStart start = platform::StartThread(thread_, kReaderThread, &ReaderMain, this);
  if (start.attrInitFailed) {
    platform::LogWrite("[MIDI_DEV] Couldn't initialize Midi Serial device attributes\n");
  }
  if (start.getParamsError) platform::LogPrintf("[MIDI_DEV] get sched params %d\n", start.getParamsError);
  if (start.setPolicyError) platform::LogPrintf("[MIDI_DEV] set sched policy %d\n", start.setPolicyError);
  if (start.setPriorityError)
    platform::LogPrintf("[MIDI_DEV] set scheduler prio error %d\n", start.setPriorityError);
  if (start.setExplicitError)
    platform::LogPrintf("[MIDI_DEV]set explicit sched error %d\n", start.setExplicitError);
  if (!start.started) {
    if (!start.attrInitFailed) platform::LogWrite("[MIDI_DEV] Couldn't create Thread\n");
    running_.store(0, std::memory_order_relaxed);
    SetDescriptor(fd, -1);
    return start.attrInitFailed ? -1 : -4;
  }
  threadStarted_ = true;
  int policy = 0;
  int priority = 0;
  platform::ThreadSchedule(thread_, policy, priority);
  platform::LogPrintf("[MIDI_DEV] policy:: %d pri :: %d\n", policy, priority);
  return 0;
}

void* CMidiDev::ReaderMain(void* self) {
  static_cast<CMidiDev*>(self)->ReadLoop();
  return nullptr;
}

void CMidiDev::ReadLoop() {
  // Fixed for this reader's life: Open replaces a reader rather than retargeting it.
  const bool usb = usb_;
  const int fd = usb ? usbFd_ : serialFd_;
  pollfd pfd{fd, POLLIN, 0};
  bool hungUp = false;
  while (running_.load(std::memory_order_relaxed)) {
    // A hung-up line reports end of file at once, every time it is asked: look again only
    // after a pause until it brings a byte again.
    if (hungUp) usleep(kStopCheckMs * 1000);
    // Read only when a byte waits: a blocking read could outlast the owner's stop.
    if (poll(&pfd, 1, kStopCheckMs) <= 0) continue;
    uint8_t byte = 0;
    const ssize_t n = read(fd, &byte, 1);
    const int err = errno;
    if (n < 0 && (err == EAGAIN || err == EINTR)) continue;
    if (n == 1) {
      hungUp = false;
      MidiMessage m;
      if (parser_.Feed(byte, m)) OnMidiInput(m.channel, m.status, m.data1, m.data2);
    } else if (usb) {
      usleep(1000);
    } else if (n == 0 || err == EIO) {
      if (!hungUp) platform::LogPrintf("Serial MIDI line hung up\n");
      hungUp = true;
    } else {
      usleep(1000);
      char text[64];
      platform::LogPrintf("Error read serial MIDI %d %s\n", static_cast<int>(n),
                          strerror_r(err, text, sizeof text));
    }
  }
}

void CMidiDev::StopReader() {
  running_.store(0, std::memory_order_relaxed);
  if (threadStarted_) {
    pthread_join(thread_, nullptr);
    threadStarted_ = false;
  }
}

void CMidiDev::SetDescriptor(int& fd, int value) {
  std::lock_guard<platform::PiMutex> lock(portMutex_);
  if (fd >= 0) close(fd);
  fd = value;
}

void CMidiDev::CloseDescriptors() {
  SetDescriptor(serialFd_, -1);
  SetDescriptor(usbFd_, -1);
}

void CMidiDev::WriteBytes(int fd, const uint8_t* bytes, int count) {
  // One write per message, never waiting: what the line cannot take now is counted and
  // lost, as a missing listener must not stall the clock path.
  ssize_t n;
  do {
    n = write(fd, bytes, static_cast<std::size_t>(count));
  } while (n < 0 && errno == EINTR);
  const int written = n > 0 ? static_cast<int>(n) : 0;
  if (written < count) droppedBytes_.fetch_add(static_cast<uint32_t>(count - written), std::memory_order_relaxed);
}

void CMidiDev::SendClock() {
  std::lock_guard<platform::PiMutex> lock(portMutex_);
  const uint8_t clock = 0xF8;
  if (serialFd_ >= 0) WriteBytes(serialFd_, &clock, 1);
}

void CMidiDev::SendRealtime(int code) {
  std::lock_guard<platform::PiMutex> lock(portMutex_);
  const uint8_t byte = static_cast<uint8_t>(0xF0 | (code & 0x0F));
  if (serialFd_ >= 0) WriteBytes(serialFd_, &byte, 1);
}

void CMidiDev::SendMessage(int channel, int status, uint8_t data1, uint8_t data2) {
  uint8_t message[3] = {static_cast<uint8_t>(status | (channel & 0x0F)), data1, data2};
  const int length = data1 == 0xFF ? 1 : data2 == 0xFF ? 2 : 3;
  std::lock_guard<platform::PiMutex> lock(portMutex_);
  for (const int fd : {serialFd_, usbFd_})
    if (fd >= 0) WriteBytes(fd, message, length);
}
