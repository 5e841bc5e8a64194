#include "math_neon.h"

#include <cmath>

extern "C" {
float sinf_neon(float x) { return std::sin(x); }
float expf_neon(float x) { return std::exp(x); }
float atanf_neon(float x) { return std::atan(x); }
float tanhf_neon(float x) { return std::tanh(x); }
}
