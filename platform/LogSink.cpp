#include "platform/LogSink.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

// Line buffered whatever stdio chose for stdout (it buffers fully when stdout is a pipe or
// a file, where a line would otherwise wait for kilobytes of others or be lost at a crash).
void StdoutSink(const char* text, void*) {
  std::fputs(text, stdout);
  if (std::strchr(text, '\n')) std::fflush(stdout);
}

std::atomic<LogSinkFn> g_fn{StdoutSink};
std::atomic<void*> g_context{nullptr};

}  // namespace

void SetLogSink(LogSinkFn fn, void* context) {
  g_context.store(context, std::memory_order_relaxed);
  g_fn.store(fn ? fn : StdoutSink, std::memory_order_release);
}

void LogVPrintf(const char* format, va_list args) {
  char line[1024];
  std::vsnprintf(line, sizeof line, format, args);
  LogWrite(line);
}

void LogPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogVPrintf(format, args);
  va_end(args);
}

void LogWrite(const char* text) {
  const LogSinkFn fn = g_fn.load(std::memory_order_acquire);
  fn(text, g_context.load(std::memory_order_relaxed));
}

}  // namespace platform
