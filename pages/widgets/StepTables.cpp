#include "pages/widgets/StepTables.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "platform/ArmConvert.h"

namespace step_tables {
namespace {

using Table = std::array<float, kEntries>;

// Geometric, three decimals; the tenth entries 0.008, 0.015, ... 5.001 and entry 75 (1 s)
// are fixed points, the others lie geometrically between them.
constexpr Table kTime = {
    0.008f, 0.009f, 0.009f, 0.010f, 0.010f, 0.011f, 0.012f, 0.013f, 0.013f, 0.014f, 0.015f, 0.016f, 0.017f,
    0.018f, 0.020f, 0.021f, 0.022f, 0.024f, 0.025f, 0.027f, 0.029f, 0.031f, 0.033f, 0.035f, 0.038f, 0.040f,
    0.043f, 0.045f, 0.049f, 0.052f, 0.055f, 0.059f, 0.063f, 0.067f, 0.071f, 0.076f, 0.081f, 0.087f, 0.092f,
    0.099f, 0.105f, 0.112f, 0.120f, 0.127f, 0.136f, 0.145f, 0.155f, 0.165f, 0.176f, 0.188f, 0.200f, 0.213f,
    0.228f, 0.243f, 0.259f, 0.276f, 0.294f, 0.314f, 0.335f, 0.357f, 0.381f, 0.406f, 0.433f, 0.462f, 0.493f,
    0.525f, 0.560f, 0.598f, 0.637f, 0.680f, 0.725f, 0.773f, 0.825f, 0.879f, 0.938f, 1.000f, 1.067f, 1.138f,
    1.213f, 1.294f, 1.380f, 1.472f, 1.570f, 1.674f, 1.785f, 1.904f, 2.031f, 2.166f, 2.310f, 2.463f, 2.627f,
    2.802f, 2.988f, 3.187f, 3.399f, 3.625f, 3.866f, 4.123f, 4.397f, 4.689f, 5.001f,
};

constexpr Table kFreq = {
    60.0f, 61.2f, 64.8f, 68.6f, 72.6f, 76.9f, 81.4f, 86.1f, 91.2f, 96.5f,
    102.2f, 108.2f, 114.6f, 121.3f, 128.4f, 135.9f, 143.9f, 152.3f, 161.3f, 170.7f,
    180.7f, 191.3f, 202.6f, 214.4f, 227.0f, 240.3f, 254.4f, 269.4f, 285.2f, 301.9f,
    319.6f, 338.3f, 358.2f, 379.2f, 401.4f, 425.0f, 449.9f, 476.3f, 504.2f, 533.8f,
    565.1f, 598.3f, 633.4f, 670.5f, 709.8f, 751.5f, 795.6f, 842.2f, 891.6f, 943.9f,
    999.3f, 1057.9f, 1119.9f, 1185.6f, 1255.2f, 1328.8f, 1406.7f, 1489.3f, 1576.6f, 1669.1f,
    1767.0f, 1870.6f, 1980.4f, 2096.5f, 2219.5f, 2349.7f, 2487.5f, 2633.4f, 2787.9f, 2951.4f,
    3124.5f, 3307.8f, 3501.8f, 3707.2f, 3924.7f, 4154.9f, 4398.6f, 4656.6f, 4929.7f, 5218.9f,
    5525.0f, 5849.0f, 6192.1f, 6555.3f, 6939.8f, 7346.9f, 7777.8f, 8234.1f, 8717.0f, 9228.3f,
    9769.6f, 10342.7f, 10949.3f, 11591.6f, 12271.5f, 12991.3f, 13753.3f, 14560.0f, 15414.0f, 16318.2f,
    17400.0f,
};

// Geometric, three decimals, between the fixed tenth entries; the top four flatten out.
constexpr Table kDelay = {
    0.004f, 0.004f, 0.005f, 0.005f, 0.005f, 0.006f, 0.006f, 0.006f, 0.007f, 0.007f,
    0.008f, 0.009f, 0.009f, 0.01f, 0.01f, 0.011f, 0.012f, 0.012f, 0.013f, 0.014f,
    0.015f, 0.016f, 0.017f, 0.018f, 0.02f, 0.021f, 0.022f, 0.024f, 0.025f, 0.027f,
    0.029f, 0.031f, 0.033f, 0.035f, 0.038f, 0.04f, 0.043f, 0.046f, 0.049f, 0.052f,
    0.056f, 0.06f, 0.064f, 0.068f, 0.073f, 0.077f, 0.083f, 0.088f, 0.094f, 0.1f,
    0.107f, 0.114f, 0.122f, 0.13f, 0.138f, 0.147f, 0.157f, 0.168f, 0.179f, 0.19f,
    0.203f, 0.217f, 0.231f, 0.246f, 0.263f, 0.28f, 0.299f, 0.319f, 0.34f, 0.363f,
    0.387f, 0.413f, 0.44f, 0.469f, 0.5f, 0.534f, 0.569f, 0.607f, 0.647f, 0.69f,
    0.736f, 0.785f, 0.837f, 0.893f, 0.952f, 1.015f, 1.083f, 1.155f, 1.232f, 1.314f,
    1.401f, 1.494f, 1.594f, 1.7f, 1.813f, 1.933f, 2.062f, 2.199f, 2.345f, 2.401f,
    2.5f,
};

// Geometric from 1000 Hz to 5000 Hz at entry 99, between the fixed tenth entries. Entry 100
// is stored as 0 Hz and never reached (Entry stops at 99).
constexpr Table kHiFc = {
    1000.0f, 1016.5f, 1033.3f, 1050.3f, 1067.6f, 1085.2f, 1103.1f, 1121.3f, 1139.8f, 1158.6f,
    1177.7f, 1197.0f, 1216.6f, 1236.5f, 1256.8f, 1277.4f, 1298.3f, 1319.6f, 1341.2f, 1363.2f,
    1385.5f, 1408.2f, 1431.2f, 1454.7f, 1478.5f, 1502.7f, 1527.3f, 1552.3f, 1577.7f, 1603.5f,
    1629.8f, 1656.5f, 1683.6f, 1711.2f, 1739.2f, 1767.7f, 1796.7f, 1826.1f, 1856.0f, 1886.4f,
    1917.3f, 1948.7f, 1980.6f, 2013.1f, 2046.0f, 2079.5f, 2113.6f, 2148.2f, 2183.4f, 2219.2f,
    2255.5f, 2292.4f, 2330.0f, 2368.2f, 2406.9f, 2446.4f, 2486.4f, 2527.2f, 2568.6f, 2610.6f,
    2653.4f, 2696.9f, 2741.0f, 2785.9f, 2831.5f, 2877.9f, 2925.0f, 2972.9f, 3021.6f, 3071.1f,
    3121.4f, 3172.5f, 3224.5f, 3277.3f, 3331.0f, 3385.5f, 3441.0f, 3497.3f, 3554.6f, 3612.8f,
    3672.0f, 3732.1f, 3793.3f, 3855.4f, 3918.5f, 3982.7f, 4047.9f, 4114.2f, 4181.6f, 4250.1f,
    4319.7f, 4390.5f, 4462.4f, 4535.5f, 4609.8f, 4685.3f, 4762.1f, 4840.1f, 4919.4f, 5000.0f,
    0.0f,
};

// As kHiFc, from 20 Hz to 2000 Hz.
constexpr Table kLoFc = {
    20.0f, 21.0f, 22.0f, 23.0f, 24.1f, 25.3f, 26.5f, 27.7f, 29.1f, 30.4f,
    31.9f, 33.4f, 35.0f, 36.7f, 38.4f, 40.3f, 42.2f, 44.2f, 46.3f, 48.5f,
    50.8f, 53.2f, 55.7f, 58.4f, 61.2f, 64.1f, 67.1f, 70.3f, 73.6f, 77.1f,
    80.8f, 84.7f, 88.7f, 92.9f, 97.3f, 102.0f, 106.8f, 111.9f, 117.3f, 122.8f,
    128.7f, 134.8f, 141.3f, 148.0f, 155.0f, 162.4f, 170.2f, 178.3f, 186.8f, 195.7f,
    205.0f, 214.8f, 225.0f, 235.7f, 247.0f, 258.8f, 271.1f, 284.0f, 297.6f, 311.7f,
    326.6f, 342.2f, 358.5f, 375.5f, 393.4f, 412.1f, 431.8f, 452.3f, 473.9f, 496.5f,
    520.1f, 544.9f, 570.8f, 598.0f, 626.5f, 656.4f, 687.7f, 720.4f, 754.8f, 790.7f,
    828.4f, 867.9f, 909.2f, 952.5f, 997.9f, 1045.4f, 1095.2f, 1147.4f, 1202.1f, 1259.3f,
    1319.3f, 1381.7f, 1447.1f, 1515.6f, 1587.3f, 1662.4f, 1741.0f, 1823.4f, 1909.6f, 2000.0f,
    0.0f,
};

constexpr Table Linear(float first, float step) {
  Table t{};
  for (int i = 0; i < kEntries; ++i) t[static_cast<std::size_t>(i)] = first + step * static_cast<float>(i);
  return t;
}

// -50 dB in 0.62 dB steps, except the top, which reaches 12 dB in rounder steps.
constexpr Table Decibels() {
  Table t = Linear(-50.0f, 0.62f);
  t[97] = 10.1f;
  t[98] = 10.7f;
  t[99] = 11.3f;
  t[100] = 12.0f;
  return t;
}

constexpr Table kDb = Decibels();
constexpr Table kDrive = Linear(1.0f, 0.09f);
constexpr Table kGain = Linear(-20.0f, 0.4f);

struct Row {
  const Table* table;
  int last;  // the highest position a lookup reaches
};

// In the order of the Id enumeration.
constexpr Row kRows[] = {
    {&kTime, 100}, {&kFreq, 100}, {&kDb, 100}, {&kDelay, 100},
    {&kDrive, 100}, {&kHiFc, 99}, {&kLoFc, 99}, {&kGain, 100},
};
static_assert(std::size(kRows) == kTables);

}  // namespace

const float* Values(Id table) { return kRows[static_cast<int>(table)].table->data(); }

float Entry(Id table, float position) {
  const Row& row = kRows[static_cast<int>(table)];
  // Encoder modes step some labels beyond the 101 entries (-100..100, 0..256): they stop at
  // the ends. The frequency tables' stored 0 Hz at 100 is never handed out.
  const int i = std::clamp(arm::ToInt32(position), 0, row.last);
  return (*row.table)[static_cast<std::size_t>(i)];
}

int PositionOf(Id table, float value) {
  const Table& t = *kRows[static_cast<int>(table)].table;
  for (int i = 1; i < kEntries; ++i)
    if (t[static_cast<std::size_t>(i - 1)] < value && value <= t[static_cast<std::size_t>(i)]) return i;
  return 0;
}

}  // namespace step_tables
