#pragma once
// Stand-in for the subset of ARM's Ne10 library this system calls: initialisation and the
// single-precision complex FFT. Same names and conventions: the forward transform is
// unscaled (e^-2pi i jk/n), the inverse (e^+2pi i jk/n) is scaled by 1/n. Plans exist for
// powers of two from 2 to 65536; other sizes give a null plan. Nothing is allocated when a
// plan is executed. As in the library, the FFT calls work only after ne10_init (before it
// they end the process).
#include <cstdint>

extern "C" {

typedef int ne10_result_t;
#define NE10_OK 0
#define NE10_ERR (-1)

typedef float ne10_float32_t;
typedef int32_t ne10_int32_t;

typedef struct {
  ne10_float32_t r;
  ne10_float32_t i;
} ne10_fft_cpx_float32_t;

struct ne10_fft_state_float32_t;
typedef struct ne10_fft_state_float32_t* ne10_fft_cfg_float32_t;

ne10_result_t ne10_init(void);
ne10_result_t ne10_HasNEON(void);
ne10_result_t ne10_init_math(int is_NEON_available);

ne10_fft_cfg_float32_t ne10_fft_alloc_c2c_float32(ne10_int32_t nfft);
void ne10_fft_c2c_1d_float32(ne10_fft_cpx_float32_t* fout, ne10_fft_cpx_float32_t* fin,
                             ne10_fft_cfg_float32_t cfg, ne10_int32_t inverse_fft);
void ne10_fft_destroy_c2c_float32(ne10_fft_cfg_float32_t cfg);

}  // extern "C"
