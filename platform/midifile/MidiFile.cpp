#include "MidiFile.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include <sys/stat.h>

namespace smf {
namespace {

uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// A variable-length number of at most four bytes starting at p[at] before p[end]; moves
// `at` past it. False when it runs past the end or is longer.
bool ReadVlq(const uint8_t* p, std::size_t end, std::size_t& at, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    if (at >= end) return false;
    const uint8_t b = p[at++];
    value = (value << 7) | (b & 0x7F);
    if (!(b & 0x80)) return true;
  }
  return false;
}

// Data bytes of a channel message by its status's high nibble.
int ChannelDataBytes(int status) { return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2; }

}  // namespace

void MidiFile::clear() {
  tracks_.clear();
  error_ = kNoError;
  format_ = 0;
  tpq_ = 0;
  status_ = false;
}

bool MidiFile::read(const std::string& path) {
  clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error_ = kCannotOpen;
    return false;
  }
  // The size is checked before anything is allocated, and the read stops one byte past the
  // limit, so a file that grows meanwhile (or a FIFO) is refused as well.
  struct stat st {};
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > kMaxFileBytes) {
    std::fclose(f);
    error_ = kTooLarge;
    return false;
  }
  bool ok = false;
  try {
    std::vector<uint8_t> bytes;
    if (S_ISREG(st.st_mode)) bytes.reserve(static_cast<std::size_t>(st.st_size) + 1);
    uint8_t buffer[65536];
    std::size_t n;
    while (bytes.size() <= kMaxFileBytes && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
      bytes.insert(bytes.end(), buffer, buffer + n);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    f = nullptr;
    if (readError) {
      error_ = kCannotOpen;
    } else if (bytes.size() > kMaxFileBytes) {
      error_ = kTooLarge;
    } else {
      ok = readBytes(bytes.data(), bytes.size());
    }
  } catch (const std::bad_alloc&) {
    if (f) std::fclose(f);
    clear();
    error_ = kOutOfMemory;
  }
  return ok;
}

bool MidiFile::readBytes(const uint8_t* data, std::size_t size) {
  clear();
  if (size > kMaxFileBytes) {
    error_ = kTooLarge;
    return false;
  }
  try {
    status_ = parse(data, size);
    if (!status_) {
      clear();
      error_ = kNotMidi;
    }
  } catch (const std::bad_alloc&) {
    // Whatever the tracks held so far goes before anything else is asked of the heap.
    std::vector<MidiEventList>().swap(tracks_);
    clear();
    error_ = kOutOfMemory;
  }
  return status_;
}

bool MidiFile::parse(const uint8_t* p, std::size_t size) {
  if (size < 14 || std::memcmp(p, "MThd", 4) != 0) return false;
  const uint32_t headerLength = Be32(p + 4);
  if (headerLength < 6 || headerLength > size - 8) return false;
  format_ = Be16(p + 8);
  const int trackCount = Be16(p + 10);
  const uint16_t division = Be16(p + 12);
  // SMPTE frames (bit 15) have no quarter note to measure bars by.
  if (format_ > 2 || division == 0 || (division & 0x8000)) return false;
  tpq_ = division;

  std::size_t at = 8 + headerLength;
  tracks_.reserve(static_cast<std::size_t>(trackCount));
  while (static_cast<int>(tracks_.size()) < trackCount) {
    if (size - at < 8) return false;
    const uint32_t length = Be32(p + at + 4);
    if (length > size - at - 8) return false;
    const bool isTrack = std::memcmp(p + at, "MTrk", 4) == 0;
    if (isTrack) {
      tracks_.emplace_back();
      if (!parseTrack(p + at + 8, length, static_cast<int>(tracks_.size()) - 1, tracks_.back())) return false;
    }
    at += 8 + length;  // other chunk types are skipped
  }
  return true;
}

bool MidiFile::parseTrack(const uint8_t* p, std::size_t n, int track, MidiEventList& out) {
  int64_t tick = 0;
  int running = 0;
  std::size_t at = 0;
  uint8_t msg[3];
  while (at < n) {
    uint32_t delta;
    if (!ReadVlq(p, n, at, delta)) return false;
    tick += delta;
    if (tick > INT_MAX) return false;
    if (at >= n) return false;
    int status = p[at];
    if (status & 0x80) {
      ++at;
    } else {
      if (!running) return false;  // running status before any status
      status = running;
    }
    if (status == 0xFF || status == 0xF0 || status == 0xF7) {
      // meta: FF type length data; system exclusive: F0/F7 length data
      const std::size_t start = at - 1;
      if (status == 0xFF) {
        if (at >= n) return false;
        ++at;  // the type
      }
      uint32_t length;
      if (!ReadVlq(p, n, at, length)) return false;
      if (length > n - at) return false;
      at += length;
      out.append(static_cast<int>(tick), track, p + start, at - start);
      // System messages cancel running status.
      running = 0;
      continue;
    }
    if (status >= 0xF0) return false;  // system common and real-time messages have no place in a file
    const int count = ChannelDataBytes(status);
    if (n - at < static_cast<std::size_t>(count)) return false;
    msg[0] = static_cast<uint8_t>(status);
    for (int i = 0; i < count; ++i) {
      msg[1 + i] = p[at++];
      if (msg[1 + i] & 0x80) return false;
    }
    out.append(static_cast<int>(tick), track, msg, 1 + static_cast<std::size_t>(count));
    running = status;
  }
  out.seal();
  return true;
}

int MidiFile::linkNotePairs() {
  int pairs = 0;
  try {
    for (MidiEventList& t : tracks_) pairs += t.linkNotePairs();
  } catch (const std::bad_alloc&) {
    error_ = kOutOfMemory;
    return -1;
  }
  return pairs;
}

int MidiFile::getFileDurationInTicks() const {
  int longest = 0;
  for (const MidiEventList& t : tracks_)
    if (t.size() > 0 && t[t.size() - 1].tick > longest) longest = t[t.size() - 1].tick;
  return longest;
}

double MidiFile::getFileDurationInQuarters() const {
  return tpq_ > 0 ? static_cast<double>(getFileDurationInTicks()) / tpq_ : 0.0;
}

}  // namespace smf
