#pragma once
// Opening input files for the readers: only regular files are read. A FIFO, device or
// directory is refused at once (opening a FIFO for reading would otherwise wait for a
// writer for ever).
#include <cstddef>
#include <cstdint>

namespace regular_file {

// Descriptor of `path` opened for reading, with the file's length in `size`; -1 when it
// cannot be opened or is not a regular file.
int Open(const char* path, uint64_t& size);
// Reads exactly `count` bytes (retrying short reads); false on an error or an early end.
bool ReadExactly(int fd, void* dst, std::size_t count);

}  // namespace regular_file
