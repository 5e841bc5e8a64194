#pragma once
// Stand-in for the math-neon functions this system calls. They follow the C library's
// single-precision functions (within 1e-5 of libm): NaN in gives NaN out, sine of a huge
// argument stays within [-1, 1]. The sine is v4::Sin up to v4::kSinLimit, where it is
// within about 2e-7 of the exact sine.

extern "C" {
float sinf_neon(float x);
float expf_neon(float x);
float atanf_neon(float x);
float tanhf_neon(float x);
}
