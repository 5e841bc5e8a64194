#include "app/StandInPedal.h"

#include <algorithm>

float StandInPedal::ReadPedal() { return std::clamp(level_.load(std::memory_order_relaxed), 0.0f, 1.0f); }
