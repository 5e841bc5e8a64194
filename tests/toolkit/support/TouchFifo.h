#pragma once
// The touch screen as the tests drive it: a FIFO that a driver opens as its input device and
// the test writes the host's own input_event records into.
#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace toolkit_test {

inline input_event Event(uint16_t type, uint16_t code, int32_t value) {
  input_event ev{};
  ev.type = type;
  ev.code = code;
  ev.value = value;
  return ev;
}

class TouchFifo {
 public:
  explicit TouchFifo(std::string path) : path_(std::move(path)) { mkfifo(path_.c_str(), 0600); }
  ~TouchFifo() {
    if (writer_ >= 0) close(writer_);
    unlink(path_.c_str());
  }
  TouchFifo(const TouchFifo&) = delete;
  TouchFifo& operator=(const TouchFifo&) = delete;

  const std::string& Path() const { return path_; }
  // Call after the driver opened the FIFO: a writer cannot open it before there is a reader.
  bool Connect() {
    writer_ = open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    return writer_ >= 0;
  }
  bool WriteBytes(const void* bytes, size_t size) {
    return write(writer_, bytes, size) == static_cast<ssize_t>(size);
  }
  bool Write(const std::vector<input_event>& events) {
    return WriteBytes(events.data(), events.size() * sizeof(input_event));
  }

 private:
  std::string path_;
  int writer_ = -1;
};

// A finger going down at raw (x, y) in the flavour's own protocol.
inline std::vector<input_event> PressAt(bool singleTouch, int32_t x, int32_t y) {
  if (singleTouch)
    return {Event(EV_KEY, BTN_TOUCH, 1), Event(EV_ABS, ABS_X, x), Event(EV_ABS, ABS_Y, y),
            Event(EV_SYN, SYN_REPORT, 0)};
  return {Event(EV_ABS, ABS_MT_TRACKING_ID, 5), Event(EV_ABS, ABS_MT_POSITION_X, x),
          Event(EV_ABS, ABS_MT_POSITION_Y, y), Event(EV_SYN, SYN_REPORT, 0)};
}

}  // namespace toolkit_test
