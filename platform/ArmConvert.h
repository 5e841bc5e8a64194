#pragma once
// Float to integer conversions with the semantics of the ARM target (VCVT): truncate
// toward zero, NaN gives 0, values out of range saturate. A plain cast is undefined
// behaviour for such values on the host and silently different from the appliance.
#include <cstdint>

namespace arm {

constexpr int32_t ToInt32(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483648.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(v);
}

constexpr uint32_t ToUint32(float v) {
  if (!(v > 0.0f)) return 0;  // NaN, zeros and negatives
  if (v >= 4294967296.0f) return UINT32_MAX;
  return static_cast<uint32_t>(v);
}

constexpr int32_t ToInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483648.0) return INT32_MAX;
  if (v <= -2147483649.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

constexpr uint32_t ToUint32(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 4294967296.0) return UINT32_MAX;
  return static_cast<uint32_t>(v);
}

}  // namespace arm
