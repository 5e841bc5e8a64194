#pragma once
// Four float / int32 / uint32 lanes: SSE2 on x86_64, NEON intrinsics on armhf, one source.
// Operations whose results differ between the two units carry the NEON meaning on both;
// each has a scalar reference (the *Ref functions) that tests compare against.
// Results are the same bits on both units with two provisos: NEON always flushes
// denormals, so the host must run with platform::ScopedFlushToZero (as the real-time
// threads and the fixtures do); and NEON arithmetic gives the default NaN where SSE passes
// an input NaN on, so NaN results agree as NaN, not in their payload bits.
#include <cstdint>
#include <cstring>

#include "platform/ArmConvert.h"

#if defined(__ARM_NEON) || defined(__ARM_NEON__)
#include <arm_neon.h>
#define SIMD4_NEON 1
#elif defined(__SSE2__)
#include <emmintrin.h>
#define SIMD4_SSE2 1
#else
#error "Simd4.h needs SSE2 or NEON"
#endif

namespace v4 {

#if SIMD4_NEON
using f4 = float32x4_t;
using i4 = int32x4_t;
using u4 = uint32x4_t;

inline f4 Load(const float* p) { return vld1q_f32(p); }
inline void Store(float* p, f4 v) { vst1q_f32(p, v); }
inline i4 LoadI(const int32_t* p) { return vld1q_s32(p); }
inline void StoreI(int32_t* p, i4 v) { vst1q_s32(p, v); }
inline u4 LoadU(const uint32_t* p) { return vld1q_u32(p); }
inline void StoreU(uint32_t* p, u4 v) { vst1q_u32(p, v); }
inline f4 Set1(float v) { return vdupq_n_f32(v); }
inline i4 Set1I(int32_t v) { return vdupq_n_s32(v); }
inline u4 Set1U(uint32_t v) { return vdupq_n_u32(v); }
// Lane by lane: GCC turns an array load into four stores and a reload through the stack.
inline f4 Set(float a, float b, float c, float d) {
  f4 v = vdupq_n_f32(a);
  v = vsetq_lane_f32(b, v, 1);
  v = vsetq_lane_f32(c, v, 2);
  return vsetq_lane_f32(d, v, 3);
}
inline f4 Add(f4 a, f4 b) { return vaddq_f32(a, b); }
inline f4 Sub(f4 a, f4 b) { return vsubq_f32(a, b); }
inline f4 Mul(f4 a, f4 b) { return vmulq_f32(a, b); }
// a + b * c, rounded twice: VMLA is not fused, so one instruction gives the SSE2 result.
inline f4 MulAdd(f4 a, f4 b, f4 c) { return vmlaq_f32(a, b, c); }
inline f4 Min(f4 a, f4 b) { return vminq_f32(a, b); }
inline f4 Max(f4 a, f4 b) { return vmaxq_f32(a, b); }
inline f4 Abs(f4 a) { return vabsq_f32(a); }
inline i4 AddI(i4 a, i4 b) { return vaddq_s32(a, b); }
inline i4 SubI(i4 a, i4 b) { return vsubq_s32(a, b); }
inline u4 AddU(u4 a, u4 b) { return vaddq_u32(a, b); }
inline u4 SubU(u4 a, u4 b) { return vsubq_u32(a, b); }
template <int N> inline u4 ShiftRightU(u4 a) { return vshrq_n_u32(a, N); }
inline u4 AndU(u4 a, u4 b) { return vandq_u32(a, b); }
inline u4 OrU(u4 a, u4 b) { return vorrq_u32(a, b); }
inline u4 XorU(u4 a, u4 b) { return veorq_u32(a, b); }
template <int N> inline u4 ShiftLeftU(u4 a) { return vshlq_n_u32(a, N); }
inline i4 AsInt(u4 a) { return vreinterpretq_s32_u32(a); }  // the same bits
inline u4 AsUint(i4 a) { return vreinterpretq_u32_s32(a); }
inline u4 CmpLtU(u4 a, u4 b) { return vcltq_u32(a, b); }
// Lanes N..3 of a, then lanes 0..N-1 of b (VEXT); N is 1..3.
template <int N> inline u4 ExtractU(u4 a, u4 b) { return vextq_u32(a, b, N); }
inline u4 BroadcastLastU(u4 a) { return vdupq_lane_u32(vget_high_u32(a), 1); }
// Written as the instructions themselves: without unsafe math, GCC turns the comparison
// intrinsics into four scalar compares and moves through the stack.
inline u4 CmpGt(f4 a, f4 b) {
  u4 r;
  asm("vcgt.f32 %q0, %q1, %q2" : "=w"(r) : "w"(a), "w"(b));
  return r;
}
inline u4 CmpGe(f4 a, f4 b) {
  u4 r;
  asm("vcge.f32 %q0, %q1, %q2" : "=w"(r) : "w"(a), "w"(b));
  return r;
}
inline u4 CmpLt(f4 a, f4 b) { return CmpGt(b, a); }
inline f4 Select(u4 mask, f4 a, f4 b) { return vbslq_f32(mask, a, b); }
inline i4 Bits(f4 a) { return vreinterpretq_s32_f32(a); }
inline f4 FromBits(i4 a) { return vreinterpretq_f32_s32(a); }
inline f4 FromInt(i4 a) { return vcvtq_f32_s32(a); }
inline f4 FromUint(u4 a) { return vcvtq_f32_u32(a); }
inline i4 ToInt32Sat(f4 a) { return vcvtq_s32_f32(a); }
inline u4 ToUint32Sat(f4 a) { return vcvtq_u32_f32(a); }
inline f4 RecipEstimate(f4 a) { return vrecpeq_f32(a); }
// Eight floats a0 b0 a1 b1 a2 b2 a3 b3 (four complex values, say) as a = a0..a3, b = b0..b3,
// and back.
inline void LoadPairs(const float* p, f4& a, f4& b) {
  const float32x4x2_t v = vld2q_f32(p);
  a = v.val[0];
  b = v.val[1];
}
inline void StorePairs(float* p, f4 a, f4 b) { vst2q_f32(p, float32x4x2_t{{a, b}}); }
// Pairs from four places: first = p0[0] p1[0] p2[0] p3[0], second = p0[1] p1[1] p2[1] p3[1].
inline void GatherPairs(const float* p0, const float* p1, const float* p2, const float* p3, f4& first, f4& second) {
  const float32x4x2_t v = vuzpq_f32(vcombine_f32(vld1_f32(p0), vld1_f32(p1)), vcombine_f32(vld1_f32(p2), vld1_f32(p3)));
  first = v.val[0];
  second = v.val[1];
}
// Rows a..d become the columns.
inline void Transpose(f4& a, f4& b, f4& c, f4& d) {
  const float32x4x2_t ab = vtrnq_f32(a, b);
  const float32x4x2_t cd = vtrnq_f32(c, d);
  a = vcombine_f32(vget_low_f32(ab.val[0]), vget_low_f32(cd.val[0]));
  b = vcombine_f32(vget_low_f32(ab.val[1]), vget_low_f32(cd.val[1]));
  c = vcombine_f32(vget_high_f32(ab.val[0]), vget_high_f32(cd.val[0]));
  d = vcombine_f32(vget_high_f32(ab.val[1]), vget_high_f32(cd.val[1]));
}
inline f4 RecipStep(f4 a, f4 est) { return vrecpsq_f32(a, est); }
// Lanes in the opposite order: a3 a2 a1 a0.
inline f4 Reverse(f4 a) {
  const float32x4_t r = vrev64q_f32(a);
  return vcombine_f32(vget_high_f32(r), vget_low_f32(r));
}
#else
using f4 = __m128;
using i4 = __m128i;
using u4 = __m128i;

inline f4 Load(const float* p) { return _mm_loadu_ps(p); }
inline void Store(float* p, f4 v) { _mm_storeu_ps(p, v); }
inline i4 LoadI(const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void StoreI(int32_t* p, i4 v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline u4 LoadU(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void StoreU(uint32_t* p, u4 v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline f4 Set1(float v) { return _mm_set1_ps(v); }
inline i4 Set1I(int32_t v) { return _mm_set1_epi32(v); }
inline u4 Set1U(uint32_t v) { return _mm_set1_epi32(static_cast<int32_t>(v)); }
inline f4 Set(float a, float b, float c, float d) { return _mm_setr_ps(a, b, c, d); }
inline f4 Add(f4 a, f4 b) { return _mm_add_ps(a, b); }
inline f4 Sub(f4 a, f4 b) { return _mm_sub_ps(a, b); }
inline f4 Mul(f4 a, f4 b) { return _mm_mul_ps(a, b); }
inline f4 MulAdd(f4 a, f4 b, f4 c) { return _mm_add_ps(a, _mm_mul_ps(b, c)); }
// minps/maxps return the second operand when either is NaN or both are zero; NEON gives
// the default NaN and orders -0 below +0. A clamp of a NaN therefore stays NaN on both.
inline f4 Min(f4 a, f4 b) {
  const __m128 zeros = _mm_and_ps(_mm_cmpeq_ps(a, b), _mm_or_ps(a, b));  // -0 if either is
  const __m128 r = _mm_or_ps(_mm_min_ps(a, b), zeros);
  const __m128 nan = _mm_cmpunord_ps(a, b);
  return _mm_or_ps(_mm_andnot_ps(nan, r), _mm_and_ps(nan, _mm_castsi128_ps(_mm_set1_epi32(0x7FC00000))));
}
inline f4 Max(f4 a, f4 b) {
  const __m128 eq = _mm_cmpeq_ps(a, b);
  const __m128 r = _mm_or_ps(_mm_and_ps(eq, _mm_and_ps(a, b)), _mm_andnot_ps(eq, _mm_max_ps(a, b)));  // +0 if either is
  const __m128 nan = _mm_cmpunord_ps(a, b);
  return _mm_or_ps(_mm_andnot_ps(nan, r), _mm_and_ps(nan, _mm_castsi128_ps(_mm_set1_epi32(0x7FC00000))));
}
inline f4 Abs(f4 a) { return _mm_and_ps(a, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF))); }
inline i4 AddI(i4 a, i4 b) { return _mm_add_epi32(a, b); }
inline i4 SubI(i4 a, i4 b) { return _mm_sub_epi32(a, b); }
inline u4 AddU(u4 a, u4 b) { return _mm_add_epi32(a, b); }
inline u4 SubU(u4 a, u4 b) { return _mm_sub_epi32(a, b); }
template <int N> inline u4 ShiftRightU(u4 a) { return _mm_srli_epi32(a, N); }
inline u4 AndU(u4 a, u4 b) { return _mm_and_si128(a, b); }
inline u4 OrU(u4 a, u4 b) { return _mm_or_si128(a, b); }
inline u4 XorU(u4 a, u4 b) { return _mm_xor_si128(a, b); }
template <int N> inline u4 ShiftLeftU(u4 a) { return _mm_slli_epi32(a, N); }
inline i4 AsInt(u4 a) { return a; }
inline u4 AsUint(i4 a) { return a; }
// Unsigned a < b, through the signed compare with both sign bits flipped.
inline u4 CmpLtU(u4 a, u4 b) {
  const __m128i bias = _mm_set1_epi32(INT32_MIN);
  return _mm_cmplt_epi32(_mm_xor_si128(a, bias), _mm_xor_si128(b, bias));
}
template <int N> inline u4 ExtractU(u4 a, u4 b) {
  static_assert(N >= 1 && N <= 3);
  return _mm_or_si128(_mm_srli_si128(a, 4 * N), _mm_slli_si128(b, 16 - 4 * N));
}
inline u4 BroadcastLastU(u4 a) { return _mm_shuffle_epi32(a, 0xFF); }
inline u4 CmpGt(f4 a, f4 b) { return _mm_castps_si128(_mm_cmpgt_ps(a, b)); }
inline u4 CmpGe(f4 a, f4 b) { return _mm_castps_si128(_mm_cmpge_ps(a, b)); }
inline u4 CmpLt(f4 a, f4 b) { return _mm_castps_si128(_mm_cmplt_ps(a, b)); }
inline f4 Select(u4 mask, f4 a, f4 b) {
  const __m128 m = _mm_castsi128_ps(mask);
  return _mm_or_ps(_mm_and_ps(m, a), _mm_andnot_ps(m, b));
}
inline i4 Bits(f4 a) { return _mm_castps_si128(a); }
inline f4 FromBits(i4 a) { return _mm_castsi128_ps(a); }
inline f4 FromInt(i4 a) { return _mm_cvtepi32_ps(a); }
inline f4 FromUint(u4 a) {
  // Split into 16-bit halves so both convert exactly, then recombine (rounds once).
  const __m128i lo = _mm_and_si128(a, _mm_set1_epi32(0xFFFF));
  const __m128i hi = _mm_srli_epi32(a, 16);
  return _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(hi), _mm_set1_ps(65536.0f)), _mm_cvtepi32_ps(lo));
}
// VCVT.S32.F32: truncate, NaN -> 0, saturate both ways.
inline i4 ToInt32Sat(f4 a) {
  __m128i r = _mm_cvttps_epi32(a);  // 0x80000000 for NaN and either overflow
  const __m128i pos = _mm_castps_si128(_mm_cmpge_ps(a, _mm_set1_ps(2147483648.0f)));
  r = _mm_xor_si128(r, pos);        // 0x80000000 ^ ~0 = 0x7FFFFFFF
  const __m128i ordered = _mm_castps_si128(_mm_cmpord_ps(a, a));
  return _mm_and_si128(r, ordered);
}
// VCVT.U32.F32: truncate, NaN and negatives -> 0, 2^32 and above -> 0xFFFFFFFF.
inline u4 ToUint32Sat(f4 a) {
  const __m128 x = _mm_max_ps(a, _mm_setzero_ps());  // NaN -> 0 as well
  const __m128 two31 = _mm_set1_ps(2147483648.0f);
  const __m128 big = _mm_cmpge_ps(x, two31);
  const __m128 shifted = _mm_sub_ps(x, _mm_and_ps(big, two31));
  __m128i r = _mm_cvttps_epi32(shifted);
  r = _mm_xor_si128(r, _mm_and_si128(_mm_castps_si128(big), _mm_set1_epi32(INT32_MIN)));
  const __m128i over = _mm_castps_si128(_mm_cmpge_ps(x, _mm_set1_ps(4294967296.0f)));
  return _mm_or_si128(r, over);
}
inline void LoadPairs(const float* p, f4& a, f4& b) {
  const __m128 lo = _mm_loadu_ps(p);
  const __m128 hi = _mm_loadu_ps(p + 4);
  a = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
  b = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
}
inline void StorePairs(float* p, f4 a, f4 b) {
  _mm_storeu_ps(p, _mm_unpacklo_ps(a, b));
  _mm_storeu_ps(p + 4, _mm_unpackhi_ps(a, b));
}
inline void GatherPairs(const float* p0, const float* p1, const float* p2, const float* p3, f4& first, f4& second) {
  // __m128i and __m64 may alias anything, so these loads are safe on float data.
  const __m128 lo = _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0))),
                                 reinterpret_cast<const __m64*>(p1));
  const __m128 hi = _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p2))),
                                 reinterpret_cast<const __m64*>(p3));
  first = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
  second = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
}
inline void Transpose(f4& a, f4& b, f4& c, f4& d) { _MM_TRANSPOSE4_PS(a, b, c, d); }
inline f4 Reverse(f4 a) { return _mm_shuffle_ps(a, a, _MM_SHUFFLE(0, 1, 2, 3)); }
f4 RecipEstimate(f4 a);  // VRECPE.F32 bit for bit, see Simd4.cpp
// VRECPS.F32: 2 - a * est, except that zero times infinity gives 2 rather than NaN.
inline f4 RecipStep(f4 a, f4 est) {
  const __m128 two = _mm_set1_ps(2.0f);
  const __m128 r = _mm_sub_ps(two, _mm_mul_ps(a, est));
  const __m128 zeroTimesInf = _mm_andnot_ps(_mm_cmpunord_ps(a, est), _mm_cmpunord_ps(r, r));
  return _mm_or_ps(_mm_andnot_ps(zeroTimesInf, r), _mm_and_ps(zeroTimesInf, two));
}
#endif

// {*a, *b, 0, 0} and its inverse, lanes 0 and 1 from and to two addresses: two channels
// side by side without a trip through memory.
inline f4 LoadPair(const float* a, const float* b) {
#if SIMD4_NEON
  return vld1q_lane_f32(b, vld1q_lane_f32(a, vdupq_n_f32(0.0f), 0), 1);
#else
  return _mm_unpacklo_ps(_mm_load_ss(a), _mm_load_ss(b));
#endif
}
inline void StorePair(float* a, float* b, f4 v) {
#if SIMD4_NEON
  vst1q_lane_f32(a, v, 0);
  vst1q_lane_f32(b, v, 1);
#else
  _mm_store_ss(a, v);
  _mm_store_ss(b, _mm_shuffle_ps(v, v, 0x55));
#endif
}

// Neither unit gathers: four scalar loads.
inline f4 Gather(const float* table, u4 idx) {
  alignas(16) uint32_t i[4];
  StoreU(i, idx);
  return Set(table[i[0]], table[i[1]], table[i[2]], table[i[3]]);
}

// Neighbouring pairs for interpolating readers: first = table[idx], second = table[idx + 1],
// lane by lane, for indices that are not negative; one load per lane instead of Gather's two.
inline void GatherPairs(const float* table, i4 idx, f4& first, f4& second) {
#if SIMD4_NEON
  GatherPairs(table + vgetq_lane_s32(idx, 0), table + vgetq_lane_s32(idx, 1), table + vgetq_lane_s32(idx, 2),
              table + vgetq_lane_s32(idx, 3), first, second);
#else
  alignas(16) int32_t i[4];
  StoreI(i, idx);
  // Unsigned offsets need no sign extension.
  GatherPairs(table + static_cast<uint32_t>(i[0]), table + static_cast<uint32_t>(i[1]),
              table + static_cast<uint32_t>(i[2]), table + static_cast<uint32_t>(i[3]), first, second);
#endif
}

// The second half of Exp, for callers with their own cheaper way to the same whole n
// (the nearest whole number to x log2(e), kept within the float exponent's range).
inline f4 ExpOfReduced(f4 x, f4 n) {
  x = Sub(x, Mul(n, Set1(0.693359375f)));
  x = Sub(x, Mul(n, Set1(-2.12194440e-4f)));
  f4 y = Set1(1.9875691500e-4f);
  y = MulAdd(Set1(1.3981999507e-3f), y, x);
  y = MulAdd(Set1(8.3334519073e-3f), y, x);
  y = MulAdd(Set1(4.1665795894e-2f), y, x);
  y = MulAdd(Set1(1.6666665459e-1f), y, x);
  y = MulAdd(Set1(5.0000001201e-1f), y, x);
  y = MulAdd(Add(x, Set1(1.0f)), y, Mul(x, x));
  // 2^n from its exponent bits: (n + 127) << 23, exact as a float product below 2^31.
  return Mul(y, FromBits(ToInt32Sat(Mul(Add(n, Set1(127.0f)), Set1(8388608.0f)))));
}

// e^x for x up to 88 (larger x is taken as 88), within a few units in the last place of
// std::exp: the same polynomial on both units, so the same bits on both. Below about -87.3
// it gives the smallest normal float instead of a subnormal or 0; NaN stays NaN.
inline f4 Exp(f4 x) {
  x = Min(Max(x, Set1(-87.33654f)), Set1(88.0f));
  // x = n ln2 + r, n = floor(x log2(e) + 1/2), ln2 in two parts so r keeps its precision.
  const f4 fx = MulAdd(Set1(0.5f), x, Set1(1.44269504088896341f));
  f4 n = FromInt(ToInt32Sat(fx));
  n = Sub(n, Select(CmpGt(n, fx), Set1(1.0f), Set1(0.0f)));
  return ExpOfReduced(x, n);
}

// sin(x) for |x| up to kSinLimit, within about 2e-7 of the exact sine: a three-part
// reduction to a quarter turn, then the sine or the cosine polynomial there. The same
// operations on both units give the same bits on both. Larger arguments, infinities and
// NaN are the caller's to keep away.
constexpr float kSinLimit = 8192.0f;
inline f4 Sin(f4 x) {
  // The sine of |x|, given x's sign at the end: odd to the last bit, -0 included.
  const f4 a = Abs(x);
  // j = |x| 2/pi to the nearest integer; r = |x| - j pi/2 with pi/2 in three parts, the
  // first two short enough that their products with j (below 2^13) are exact.
  const i4 j = ToInt32Sat(MulAdd(Set1(0.5f), a, Set1(0.636619772367581343f)));
  const f4 fj = FromInt(j);
  f4 r = Sub(a, Mul(fj, Set1(1.5703125f)));
  r = Sub(r, Mul(fj, Set1(4.837512969970703125e-4f)));
  r = Sub(r, Mul(fj, Set1(7.54978995489188216e-8f)));
  const f4 r2 = Mul(r, r);
  const f4 sine = MulAdd(r, Mul(r, r2), MulAdd(Set1(-1.6666654611e-1f), r2, MulAdd(Set1(8.3321608736e-3f), r2, Set1(-1.9515295891e-4f))));
  const f4 cosine = MulAdd(Sub(Set1(1.0f), Mul(Set1(0.5f), r2)), Mul(r2, r2),
                           MulAdd(Set1(4.166664568298827e-2f), r2, MulAdd(Set1(-1.388731625493765e-3f), r2, Set1(2.443315711809948e-5f))));
  // Quarter turns j mod 4: sin r, cos r, -sin r, -cos r.
  const u4 turns = AsUint(j);
  const f4 v = Select(SubU(Set1U(0u), AndU(turns, Set1U(1u))), cosine, sine);
  const u4 sign = XorU(ShiftLeftU<30>(AndU(turns, Set1U(2u))), AndU(AsUint(Bits(x)), Set1U(0x80000000u)));
  return FromBits(AsInt(XorU(AsUint(Bits(v)), sign)));
}

inline float Lane(f4 v, int n) {
  alignas(16) float t[4];
  Store(t, v);
  return t[n];
}

// Scalar references with the NEON meaning.
inline int32_t ToInt32SatRef(float v) { return arm::ToInt32(v); }
inline uint32_t ToUint32SatRef(float v) { return arm::ToUint32(v); }
// VRECPE.F32 under the ARMv7 "standard FPSCR" (flush-to-zero, default NaN): an 8-bit estimate.
float RecipEstimateRef(float v);

}  // namespace v4
