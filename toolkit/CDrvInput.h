#pragma once
// Touch-screen driver on the Linux input-event interface: drains the pending events of a
// non-blocking device and reports each touch as OnTouchEvent(x, y, type) in screen pixels.
// The script module's copy decodes the single-touch protocol, the instrument's copy the
// multi-touch protocol. GUIManagers derive from it and call DoService from their GUI loop.
#include <linux/input.h>

#include <cstddef>
#include <cstdint>

class CDrvInput {
 public:
  CDrvInput();
  virtual ~CDrvInput();
  CDrvInput(const CDrvInput&) = delete;
  CDrvInput& operator=(const CDrvInput&) = delete;

  // type: TYPE_MOVE, TYPE_PRESS or TYPE_RELEASE. The driver's own body prints the touch.
  virtual void OnTouchEvent(int x, int y, int type);
  virtual void OnKey(int, bool) {}
  virtual void OnEncoder(int, bool) {}

  // Opens the device read-only and non-blocking and prints its details. Callers ignore the
  // result; a device that did not open makes every DoService return at once.
  int open(const char* path);
  void close() {}
  void DoService();
  void getTouchScreenDetails();

 protected:
  int fd_ = -1;
  int absMin_ = 0;
  int absMax_ = 0;
  int32_t x_ = -1;  // raw axis values, -1 until the first coordinate
  int32_t y_ = -1;
  int state_ = 0;  // 0 none or move, 1 pressed, 2 released
  int32_t trackingId_ = -1;
  int32_t slot_ = 0;

 private:
  void Dispatch(const input_event& ev);
  void DispatchSingleTouch(const input_event& ev);
  void DispatchMultiTouch(const input_event& ev);
  void Report(int type);

  bool multiTouch_ = false;  // the device has sent multi-touch events

  // One read takes at most this many records. A record cut by the end of a read stays at the
  // front of the buffer for the next call; a pipe or FIFO may split one, a device does not.
  static constexpr std::size_t kRecordsPerRead = 256;
  alignas(input_event) unsigned char buffer_[kRecordsPerRead * sizeof(input_event)];
  std::size_t pending_ = 0;
};
