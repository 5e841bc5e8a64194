/* Preloaded into the instrument when the whole-program tests run it under user-mode
 * emulation. qemu-arm passes the classic terminal requests (TCGETS, TCSETS...) but not the
 * termios2 ones the MIDI line is set up with (a rate outside the B-constants needs them),
 * so here those become the classic requests: flags and control characters reach the
 * terminal, the line rate is kept per descriptor (a pseudo-terminal has no rate). Every
 * other request passes unchanged. */
#define _GNU_SOURCE
#include <asm/termbits.h>
#include <dlfcn.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>

enum { kKeptDescriptors = 1024 };
static speed_t kept_in[kKeptDescriptors], kept_out[kKeptDescriptors];

static int (*next_ioctl)(int, unsigned long, ...);

static int Classic(int fd, unsigned long request, struct termios2* line) {
  struct termios classic;
  memset(&classic, 0, sizeof classic);
  classic.c_iflag = line->c_iflag;
  classic.c_oflag = line->c_oflag;
  classic.c_cflag = (line->c_cflag & ~(tcflag_t)(CBAUD | CBAUDEX)) | B38400;
  classic.c_lflag = line->c_lflag;
  classic.c_line = line->c_line;
  memcpy(classic.c_cc, line->c_cc, sizeof classic.c_cc);
  const int result = next_ioctl(fd, request, &classic);
  if (result == 0 && fd >= 0 && fd < kKeptDescriptors) {
    kept_in[fd] = line->c_ispeed;
    kept_out[fd] = line->c_ospeed;
  }
  return result;
}

int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  if (!next_ioctl) next_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
  switch (request) {
    case TCGETS2: {
      struct termios classic;
      if (next_ioctl(fd, TCGETS, &classic) != 0) return -1;
      struct termios2* line = arg;
      memset(line, 0, sizeof *line);
      line->c_iflag = classic.c_iflag;
      line->c_oflag = classic.c_oflag;
      line->c_cflag = classic.c_cflag;
      line->c_lflag = classic.c_lflag;
      line->c_line = classic.c_line;
      memcpy(line->c_cc, classic.c_cc, sizeof classic.c_cc);
      if (fd >= 0 && fd < kKeptDescriptors) {
        line->c_ispeed = kept_in[fd];
        line->c_ospeed = kept_out[fd];
      }
      return 0;
    }
    case TCSETS2: return Classic(fd, TCSETS, arg);
    case TCSETSW2: return Classic(fd, TCSETSW, arg);
    case TCSETSF2: return Classic(fd, TCSETSF, arg);
    default: return next_ioctl(fd, request, arg);
  }
}
