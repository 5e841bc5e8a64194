#include "toolkit/CDrvInput.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>

#include "platform/LogSink.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxDefs.h"

static_assert(EV_SYN == 0 && EV_KEY == 1 && EV_ABS == 3 && SYN_REPORT == 0);
static_assert(BTN_TOUCH == 330 && ABS_X == 0 && ABS_Y == 1);
static_assert(ABS_MT_SLOT == 47 && ABS_MT_POSITION_X == 53 && ABS_MT_POSITION_Y == 54 &&
              ABS_MT_TRACKING_ID == 57);
// The board's kernel hands out 16-byte records (a 32-bit time value); x86_64's are 24.
static_assert(sizeof(void*) != 4 || sizeof(input_event) == 16, "touch records are 16 bytes on the board");

namespace {

// The panel's raw axes run past the 800 x 480 screen; these bring a touch onto the pixel
// under the finger.
int ScreenX(int32_t raw) { return static_cast<int>(raw / 2.5) - 10; }
int ScreenY(int32_t raw) { return static_cast<int>(raw / 4.16) - 5; }

bool TestBit(const unsigned char* bits, unsigned n) { return (bits[n / 8] >> (n % 8)) & 1u; }

}  // namespace

CDrvInput::CDrvInput() = default;

CDrvInput::~CDrvInput() {
  if (fd_ >= 0) ::close(fd_);
}

void CDrvInput::OnTouchEvent(int x, int y, int type) {
  switch (type) {
    case TYPE_PRESS:
      platform::LogPrintf("[TOUCH] press x:%d, y:%d\n", x, y);
      break;
    case TYPE_RELEASE:
      platform::LogPrintf("[TOUCH] release x:%d, y:%d\n", x, y);
      break;
    case TYPE_MOVE:
      platform::LogPrintf("[TOUCH] move x:%d, y:%d\n", x, y);
      break;
    default:
      break;
  }
}

int CDrvInput::open(const char* path) {
  // A second open replaces the first device rather than leaking it.
  if (fd_ >= 0) ::close(fd_);
  pending_ = 0;
  fd_ = path ? ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
  getTouchScreenDetails();
  return fd_;
}

void CDrvInput::getTouchScreenDetails() {
  char name[256] = "Unknown";
  if (fd_ < 0 || ::ioctl(fd_, EVIOCGNAME(sizeof name - 1), name) < 0) std::strcpy(name, "Unknown");
  name[sizeof name - 1] = '\0';
  platform::LogPrintf("Input device name: \"%s\"\n", name);
  platform::LogWrite("Supported events:\n");

  unsigned char types[EV_MAX / 8 + 1] = {};
  if (fd_ < 0 || ::ioctl(fd_, EVIOCGBIT(0, sizeof types), types) < 0) return;
  for (unsigned type = 0; type < EV_MAX; ++type) {
    if (!TestBit(types, type)) continue;
    unsigned char codes[KEY_MAX / 8 + 1] = {};
    ::ioctl(fd_, EVIOCGBIT(type, sizeof codes), codes);
    if (type != EV_ABS) continue;
    for (unsigned axis : {ABS_X, ABS_Y}) {
      if (!TestBit(codes, axis)) continue;
      input_absinfo info{};
      if (::ioctl(fd_, EVIOCGABS(axis), &info) < 0) continue;
      absMin_ = info.minimum;
      absMax_ = info.maximum;
    }
  }
}

void CDrvInput::DoService() {
  if (fd_ < 0) return;
  constexpr std::size_t kRecord = sizeof(input_event);
  ssize_t got = ::read(fd_, buffer_ + pending_, sizeof buffer_ - pending_);
  // Nothing new: records left over by a handler's error are still to be dispatched.
  if (got < 0) got = 0;
  // What is not yet dispatched moves to the front of the buffer even when a handler throws
  // (a script's error on its way back to the script): the next call goes on from there.
  struct Consumed {
    CDrvInput& self;
    std::size_t available;
    std::size_t done = 0;
    ~Consumed() {
      self.pending_ = available - done;
      if (self.pending_ > 0) std::memmove(self.buffer_, self.buffer_ + done, self.pending_);
    }
  } consumed{*this, pending_ + static_cast<std::size_t>(got)};
  while (consumed.available - consumed.done >= kRecord) {
    input_event ev;
    std::memcpy(&ev, buffer_ + consumed.done, kRecord);
    consumed.done += kRecord;
    Dispatch(ev);
  }
}

void CDrvInput::Dispatch(const input_event& ev) {
  if constexpr (ux::kScriptFlavour)
    DispatchSingleTouch(ev);
  else
    DispatchMultiTouch(ev);
}

void CDrvInput::Report(int type) { OnTouchEvent(ScreenX(x_), ScreenY(y_), type); }

// Single-touch: the finger's state comes from BTN_TOUCH and every report while it is down
// counts as another press; the screen never sees a move.
void CDrvInput::DispatchSingleTouch(const input_event& ev) {
  if (ev.type == EV_KEY && ev.code == BTN_TOUCH) {
    if (ev.value == 1) state_ = TYPE_PRESS;
    if (ev.value == 0) state_ = TYPE_RELEASE;
  } else if (ev.type == EV_ABS) {
    if (ev.code == ABS_X) x_ = ev.value;
    if (ev.code == ABS_Y) y_ = ev.value;
  } else if (ev.type == EV_SYN && ev.code == SYN_REPORT && x_ != -1) {
    if (state_ == TYPE_PRESS || state_ == TYPE_RELEASE) Report(state_);
  }
}

// Multi-touch: a new tracking id starts a contact, its first complete position is the press,
// later positions are moves, and tracking id -1 is the release. Only the finger in slot 0
// drives the screen: taking every slot's events would mix two fingers into touches at points
// nobody touched. Once the device has spoken the multi-touch protocol its single-pointer axes
// are the kernel's copy of some contact, which moves to another finger when the first one
// lifts, and are left alone.
void CDrvInput::DispatchMultiTouch(const input_event& ev) {
  if (ev.type != EV_ABS) return;
  switch (ev.code) {
    case ABS_MT_SLOT:
    case ABS_MT_POSITION_X:
    case ABS_MT_POSITION_Y:
    case ABS_MT_TRACKING_ID:
      multiTouch_ = true;
      if (ev.code != ABS_MT_SLOT && slot_ != 0) return;
      break;
    case ABS_X:
    case ABS_Y:
      if (multiTouch_) return;
      break;
    default:
      return;
  }
  switch (ev.code) {
    case ABS_X:
    case ABS_MT_POSITION_X:
      x_ = ev.value;
      if (state_ != TYPE_PRESS && y_ != -1) {
        Report(state_);
        state_ = TYPE_MOVE;
      }
      break;
    case ABS_Y:
    case ABS_MT_POSITION_Y:
      y_ = ev.value;
      if (x_ != -1) {
        Report(state_);
        state_ = TYPE_MOVE;
      }
      break;
    case ABS_MT_SLOT:
      slot_ = ev.value;
      break;
    case ABS_MT_TRACKING_ID:
      if (ev.value == -1) {
        // A contact lifted before any position update still reads as a tap.
        if (x_ != -1) {
          if (state_ == TYPE_PRESS) Report(TYPE_PRESS);
          Report(TYPE_RELEASE);
        }
        state_ = TYPE_MOVE;
        trackingId_ = -1;
      } else {
        trackingId_ = ev.value;
        state_ = TYPE_PRESS;
      }
      break;
    default:
      break;
  }
}
