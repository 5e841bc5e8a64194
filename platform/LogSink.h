#pragma once
// Log lines printed on real-time paths keep their exact text but go through this sink, so
// tests can capture them and a deployment can move them off the real-time thread.
// Formatting uses a stack buffer: no allocation.
#include <cstdarg>

namespace platform {

using LogSinkFn = void (*)(const char* text, void* context);

// Installs a sink; nullptr restores the default (stdout, line buffered). Threads may log
// meanwhile: each line goes to the old sink or the new one, with that sink's own context.
// Returns once no thread is still inside the old sink, so its context may then be
// destroyed. Not to be called from inside a sink (it would wait for itself).
void SetLogSink(LogSinkFn fn, void* context);

// Formats like printf and hands the text, unchanged, to the sink. Lines longer than
// 1023 bytes are cut.
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogVPrintf(const char* format, va_list args);
// Hands the text as it stands (no formatting) to the sink.
void LogWrite(const char* text);

}  // namespace platform
