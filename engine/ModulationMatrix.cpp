#include "engine/ModulationMatrix.h"

#include <bit>
#include <cstring>

#include "platform/Simd4.h"

namespace {

struct ConverterRow {
  uint8_t bipolarSource;
  int mode;
  int converter;  // ModulationMatrix::Converter
};

// Any pairing not listed passes the source through unchanged.
constexpr ConverterRow kConverters[] = {
    {1, ModulationMatrix::kOff, 0},       // zero
    {1, ModulationMatrix::kUnipolar, 1},  // to unipolar: 0.5 + 0.5 x
    {0, ModulationMatrix::kOff, 0},       // zero
    {0, ModulationMatrix::kBipolar, 2},   // to bipolar: 2 x - 1
};

void CopyName(char* dst, std::size_t size, const char* src, std::size_t maxChars) {
  std::memset(dst, 0, size);
  if (!src) return;
  std::size_t n = 0;
  while (n < maxChars && n + 1 < size && src[n] != '\0') ++n;
  std::memcpy(dst, src, n);
}

void Zero(float* buffer, int32_t length) {
  if (buffer && length > 0) std::memset(buffer, 0, sizeof(float) * static_cast<std::size_t>(length));
}

bool IsClearSlot(int slot) { return slot == -1 || slot == ModulationMatrix::kClearSlot; }

}  // namespace

ModulationMatrix::ModulationMatrix() {
  std::memset(destinations_, 0, sizeof(destinations_));
  std::memset(sources_, 0, sizeof(sources_));
  std::memset(routes_, 0, sizeof(routes_));
  for (Route& r : routes_) r.converter = Converter::kZero;
  UpdateMasks();
}

ModulationMatrix::~ModulationMatrix() = default;

int ModulationMatrix::AddSource(int index, const char* name, int length, float* buffer, uint8_t keep,
                                uint8_t bipolar) {
  if (index < 0 || index >= kSources) return -1;
  Lock lock(mutex_);
  Source& s = sources_[index];
  CopyName(s.name, sizeof(s.name), name, kMaxName);
  s.buffer = buffer;
  s.length = length > 0 ? length : 0;
  s.keep = keep;
  s.bipolar = bipolar;
  return index;
}

int ModulationMatrix::AddDestination(int index, const char* name, int length, float* buffer, float* scale) {
  if (index < 0 || index >= kDestinations) return -1;
  Lock lock(mutex_);
  Destination& d = destinations_[index];
  CopyName(d.name, sizeof(d.name), name, kMaxName);
  d.buffer = buffer;
  d.length = length > 0 ? length : 0;
  d.scale = scale;
  return index;
}

ModulationMatrix::Converter ModulationMatrix::ChooseConverter(uint8_t bipolarSource, int mode) {
  const uint8_t bipolar = bipolarSource ? 1 : 0;
  for (const ConverterRow& row : kConverters) {
    if (row.bipolarSource == bipolar && row.mode == mode) return static_cast<Converter>(row.converter);
  }
  return Converter::kIdentity;
}

int ModulationMatrix::Connect(int slot, int source, int destination, float amount, int mode) {
  if (source < 0 || source >= kSources) return kBadSource;
  if (destination < 0 || destination >= kDestinations) return kBadDestination;
  if (IsClearSlot(slot)) {
    {
      Lock lock(mutex_);
      std::memset(routes_, 0, sizeof(routes_));
      for (Route& r : routes_) r.converter = Converter::kZero;
      UpdateMasks();
    }
    // Process zeroes only routed destinations: one left holding its last block (an
    // amplifier's envelope) would keep every later note sounding.
    for (const Destination& dest : destinations_) Zero(dest.buffer, dest.length);
    return 0;
  }
  if (slot < 0 || slot >= kRoutes) return kBadSlot;

  // A new routing starts every destination from silence at once. The buffers belong to the
  // voice, which installs routes between its blocks; the lock guards the route table that
  // Process reads, and is not held over the clearing of 46 buffers.
  for (const Destination& dest : destinations_) Zero(dest.buffer, dest.length);
  const Source& s = sources_[source];
  const Destination& d = destinations_[destination];
  {
    Lock lock(mutex_);
    Route& r = routes_[slot];
    r.converter = ChooseConverter(s.bipolar, mode);
    CopyName(r.destinationName, sizeof(r.destinationName), d.name, sizeof(r.destinationName) - 1);
    r.destinationBuffer = d.buffer;
    r.destinationLength = d.length;
    r.scale = d.scale ? d.scale : &defaultScale_;
    CopyName(r.sourceName, sizeof(r.sourceName), s.name, sizeof(r.sourceName) - 1);
    r.sourceBuffer = s.buffer;
    r.sourceLength = s.length;
    r.amount = amount;
    r.keep = s.keep;
    r.source = static_cast<uint8_t>(source);
    r.destination = static_cast<uint8_t>(destination);
    UpdateMasks();
  }
  if (!s.keep) Zero(s.buffer, s.length);
  return 0;
}

// Called with the lock held, whenever a route or an amount changes.
void ModulationMatrix::UpdateMasks() {
  uint64_t routed = 0;
  uint32_t read = 0;
  auto writes = [](const Route& r) { return r.destinationBuffer && r.destinationLength > 0; };
  for (int32_t s = 0; s < kRoutes; ++s) {
    Route& r = routes_[s];
    r.leader = static_cast<uint8_t>(s);
    r.groupLength = 0;
    r.mixedLengths = 0;
    if (!writes(r)) continue;
    r.groupLength = r.destinationLength;
    for (int32_t t = 0; t < s; ++t) {
      if (!writes(routes_[t]) || routes_[t].destinationBuffer != r.destinationBuffer) continue;
      r.leader = routes_[t].leader;
      Route& lead = routes_[r.leader];
      if (lead.groupLength != r.destinationLength) {
        lead.mixedLengths = 1;
        if (r.destinationLength > lead.groupLength) lead.groupLength = r.destinationLength;
      }
      break;
    }
    routed |= uint64_t{1} << r.destination;
    if (r.sourceBuffer && r.converter != Converter::kZero && r.amount != 0.0f) read |= 1u << r.source;
  }
  leaders_ = 0;
  mixed_ = 0;
  for (int32_t s = 0; s < kRoutes; ++s) {
    if (!writes(routes_[s]) || routes_[s].leader != s) continue;
    leaders_ |= 1u << s;
    if (routes_[s].mixedLengths) mixed_ |= 1u << s;
  }
  routed_.store(routed, std::memory_order_relaxed);
  read_.store(read, std::memory_order_relaxed);
}

int ModulationMatrix::SetAmount(int slot, float amount) {
  if (IsClearSlot(slot)) return 0;
  if (slot < 0 || slot >= kRoutes) return kBadSlot;
  Lock lock(mutex_);
  routes_[slot].amount = amount;
  UpdateMasks();
  return slot;
}

float ModulationMatrix::GetRouteValue(int slot) const {
  if (slot < 0 || slot >= kRoutes) return 0.0f;
  const float* buffer = routes_[slot].destinationBuffer;
  return buffer && routes_[slot].destinationLength > 0 ? buffer[0] : 0.0f;
}

const char* ModulationMatrix::SourceName(int index) const {
  return index >= 0 && index < kSources ? sources_[index].name : "";
}

const char* ModulationMatrix::DestinationName(int index) const {
  return index >= 0 && index < kDestinations ? destinations_[index].name : "";
}

namespace {

// Every converter is affine: offset + gain x.
struct ConverterMap {
  float offset;
  float gain;
};
// Indexed by ModulationMatrix::Converter.
constexpr ConverterMap kConverterMaps[] = {
    {0.0f, 0.0f},   // zero
    {0.5f, 0.5f},   // to unipolar
    {-1.0f, 2.0f},  // to bipolar
    {0.0f, 1.0f},   // identity
};

}  // namespace

// destination += offset + slope x source. The amount scales the converted source: converting
// after it would leave a route at amount 0 adding the converter's constant (2x - 1 gives -1,
// 0.5 + 0.5x gives 0.5). The destination's scale still acts before the converter, so amount 1
// gives the converter's result.
template <bool kFirst>
bool ModulationMatrix::Accumulate(const Route& r, float offset, float slope) {
  float* dst = r.destinationBuffer;
  const float* src = r.sourceBuffer;
  const int32_t dlen = r.destinationLength;
  const int32_t slen = r.sourceLength;
  if (slen <= 0) return false;
  // What the destination holds before this route: the first route into a block's buffer
  // adds to 0 rather than reading a buffer cleared for it (0 + x, so a -0 comes out as the
  // cleared buffer's sum gives it).
  const v4::f4 zero = v4::Set1(0.0f);
  auto before = [&](int32_t i) { return kFirst ? zero : v4::Load(dst + i); };
  auto beforeOne = [&](int32_t i) { return kFirst ? 0.0f : dst[i]; };
  // Four at a time through the vector unit, which the compiler does not use for plain float
  // loops on the target; the same two roundings per value as the scalar tail.
  if (dlen == slen) {
    const v4::f4 o = v4::Set1(offset);
    const v4::f4 g = v4::Set1(slope);
    int32_t i = 0;
    for (; i + 4 <= dlen; i += 4) v4::Store(dst + i, v4::Add(before(i), v4::MulAdd(o, g, v4::Load(src + i))));
    for (; i < dlen; ++i) dst[i] = beforeOne(i) + (offset + slope * src[i]);
  } else if (dlen > slen) {
    const float v = offset + slope * src[0];
    const v4::f4 add = v4::Set1(v);
    int32_t i = 0;
    for (; i + 4 <= dlen; i += 4) v4::Store(dst + i, v4::Add(before(i), add));
    for (; i < dlen; ++i) dst[i] = beforeOne(i) + v;
  } else if (dlen == 1) {
    float sum = 0.0f;
    for (int32_t i = 0; i < slen; ++i) sum += src[i];
    dst[0] = beforeOne(0) + (offset + slope * (sum / static_cast<float>(slen)));
  } else {
    // A destination shorter than its source but longer than one value takes nothing.
    return false;
  }
  return true;
}

// What Accumulate adds from a source of zeros, without reading it: offset + slope x 0 in every
// value the length rules give the destination.
template <bool kFirst>
bool ModulationMatrix::AccumulateSilent(const Route& r, float offset, float slope) {
  const int32_t dlen = r.destinationLength;
  const int32_t slen = r.sourceLength;
  if (slen <= 0 || (dlen < slen && dlen != 1)) return false;
  const float v = offset + slope * 0.0f;
  if (v == 0.0f) return false;  // adds nothing
  float* dst = r.destinationBuffer;
  const v4::f4 add = v4::Set1(v);
  const v4::f4 zero = v4::Set1(0.0f);
  int32_t i = 0;
  for (; i + 4 <= dlen; i += 4) v4::Store(dst + i, v4::Add(kFirst ? zero : v4::Load(dst + i), add));
  for (; i < dlen; ++i) dst[i] = (kFirst ? 0.0f : dst[i]) + v;
  return true;
}

// Every routed destination starts the block from 0. Rather than clearing each buffer and
// adding into it, the first route that gives a buffer values stores them, and the buffers
// no route wrote are cleared at the end.
void ModulationMatrix::Process() {
  Lock lock(mutex_);
  uint32_t written = 0;  // bit s: the buffer of leader slot s
  for (uint32_t m = mixed_; m != 0; m &= m - 1) {
    const int32_t s = std::countr_zero(m);
    Zero(routes_[s].destinationBuffer, routes_[s].groupLength);
    written |= 1u << s;
  }
  for (const Route& r : routes_) {
    if (r.destinationLength <= 0 || !r.sourceBuffer || !r.destinationBuffer) continue;
    if (r.converter == Converter::kZero || r.amount == 0.0f) continue;  // adds nothing
    const ConverterMap& map = kConverterMaps[static_cast<int>(r.converter)];
    const float offset = r.amount * map.offset;
    const float slope = r.amount * map.gain * *r.scale;
    const uint32_t bit = 1u << r.leader;
    const bool first = (written & bit) == 0;
    bool wrote;
    if (silent_[r.source])
      wrote = first ? AccumulateSilent<true>(r, offset, slope) : AccumulateSilent<false>(r, offset, slope);
    else
      wrote = first ? Accumulate<true>(r, offset, slope) : Accumulate<false>(r, offset, slope);
    if (wrote) written |= bit;
  }
  for (uint32_t m = leaders_ & ~written; m != 0; m &= m - 1) {
    const int32_t s = std::countr_zero(m);
    Zero(routes_[s].destinationBuffer, routes_[s].groupLength);
  }
}
