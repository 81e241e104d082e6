// Conversions from double to integers and 16.16 fixed point that are defined for
// every input: NaN becomes 0 and values beyond the integer's range saturate, so
// no corrupt setting can reach an undefined float-to-integer conversion.
#pragma once

#include <cmath>
#include <cstdint>

namespace quiltora {

using ErrorCode = int32_t;  // the host's error codes; 0 is success
using Fixed = int32_t;      // signed 16.16 fixed point: value x 65536

constexpr ErrorCode ERR_NONE = 0;
constexpr ErrorCode ERR_OUT_OF_MEMORY = 4;
constexpr ErrorCode ERR_INTERNAL_STRUCT_DAMAGED = 512;
constexpr ErrorCode ERR_BAD_CALLBACK_PARAM = 516;

// Truncation toward zero, saturating at the int32 limits; NaN gives 0.
inline int32_t truncToInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

inline int32_t floorToInt32(double v) { return truncToInt32(std::floor(v)); }
inline int32_t ceilToInt32(double v) { return truncToInt32(std::ceil(v)); }

// 16.16 fixed point, rounding half away from zero.
inline Fixed toFixed(double v) {
  return v >= 0 ? truncToInt32(v * 65536.0 + 0.5) : truncToInt32(v * 65536.0 - 0.5);
}

// The 16.16 value as a double (exact).
inline double fromFixed(Fixed f) { return f / 65536.0; }

constexpr double DEG_TO_RAD = 0.017453292519943295;  // pi / 180
constexpr double PI = 3.141592653589793;
constexpr double SIX_PI = 18.84955592153876;

}  // namespace quiltora
