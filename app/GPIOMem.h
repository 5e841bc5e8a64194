#pragma once
// Register access to the processor's general-purpose I/O block, mapped from "/dev/mem".
// On a PC the block is a file under the data root mapped at offset 0; tests that must see
// every register access (a bit-banged converter) override Load/Store.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

class GPIOMem {
 public:
  static constexpr const char* kDevice = "/dev/mem";
  static constexpr off_t kBase = 0x3F200000;
  static constexpr std::size_t kBlockBytes = 0x1000000;

  // Register word indices.
  static constexpr int kFunctionSelect = 0;  // + pin / 10, 3 bits per pin
  static constexpr int kOutputSet = 7;       // + pin / 32
  static constexpr int kOutputClear = 10;    // + pin / 32
  static constexpr int kLevel = 13;          // + pin / 32
  static constexpr int kPullControl = 37;
  static constexpr int kPullClock = 38;      // + pin / 32

  GPIOMem() = default;
  virtual ~GPIOMem();
  GPIOMem(const GPIOMem&) = delete;
  GPIOMem& operator=(const GPIOMem&) = delete;

  // 0; -3 without CAP_SYS_RAWIO and not root; -1 when `path` cannot be opened; -2 when the
  // mapping fails. `path` is the full path (callers form it under the data root).
  virtual int Open(const std::string& path, off_t offset);
  // A PC's stand-in file needs no privilege: false skips the capability check of Open.
  void SetPrivilegeCheck(bool on) { privilegeCheck_ = on; }
  bool IsOpen() const { return regs_ != nullptr; }

  // function: 0 input, 1 output.
  void SetFunction(int pin, int function);
  // mode: 0 off, 1 pull-down, 2 pull-up.
  void SetPull(int pin, int mode);
  void Write(int pin, bool level);
  int Read(int pin);

 protected:
  virtual uint32_t Load(int word);
  virtual void Store(int word, uint32_t value);

 private:
  volatile uint32_t* regs_ = nullptr;
  bool privilegeCheck_ = true;
};
