#include "data/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace regular_file {

int Open(const char* path, uint64_t& size) {
  size = 0;
  if (!path) return -1;
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    ::close(fd);
    return -1;
  }
  // Regular files ignore the flag; cleared all the same so reads behave as usual.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  size = static_cast<uint64_t>(st.st_size);
  return fd;
}

bool ReadExactly(int fd, void* dst, std::size_t count) {
  auto* p = static_cast<char*>(dst);
  while (count > 0) {
    const ssize_t got = ::read(fd, p, count);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace regular_file
