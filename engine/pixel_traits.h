// Per-depth facts for code written once over the three depths: the pixel type,
// full scale, the over operator, the fill-colour conversion and how an alpha is
// scaled by a fraction. Where the depths differ, these traits say so.
#pragma once

#include <type_traits>
#include <utility>

#include "engine/numeric.h"
#include "engine/pixels.h"

namespace quiltora {

struct Traits8 {
  using Pixel = Pixel8;
  using Channel = uint8_t;
  static constexpr PixelDepth depth = DEPTH_8;
  static constexpr Channel FULL = 255;
  // Stroke and tile cells are placed by floor; 16-bit and float truncate.
  static constexpr bool FLOOR_TILE_CELLS = true;
  // After a sampling error the remaining passes still run, without host calls;
  // 16-bit and float skip the shadow pass and the composite.
  static constexpr bool PASSES_RUN_AFTER_ERROR = true;
  static Pixel over(Pixel dst, Pixel src) { return over8(dst, src); }
  static Pixel color(Pixel8 c) { return c; }
  // alpha x fraction in double, truncated toward zero; out-of-range fractions clamp.
  static Channel scaleAlpha(Channel a, double f) { return clamp8(truncToInt32(a * f)); }
  // Coverage ramps: full scale and half scale in double, truncated to a channel.
  static constexpr double RAMP_FULL = 255.0;
  static constexpr double RAMP_HALF = 127.5;
  static Channel fromRamp(double v) { return clamp8(truncToInt32(v)); }
};

struct Traits16 {
  using Pixel = Pixel16;
  using Channel = uint16_t;
  static constexpr PixelDepth depth = DEPTH_16;
  static constexpr Channel FULL = 32768;
  static constexpr bool FLOOR_TILE_CELLS = false;
  static constexpr bool PASSES_RUN_AFTER_ERROR = false;
  static Pixel over(Pixel dst, Pixel src) { return over16(dst, src); }
  static Pixel color(Pixel8 c) { return toPixel16(c); }
  static Channel scaleAlpha(Channel a, double f) { return clamp16(truncToInt32(a * f)); }
  static constexpr double RAMP_FULL = 32768.0;
  static constexpr double RAMP_HALF = 16384.0;
  static Channel fromRamp(double v) { return clamp16(truncToInt32(v)); }
};

struct TraitsF {
  using Pixel = PixelF;
  using Channel = float;
  static constexpr PixelDepth depth = DEPTH_FLOAT;
  static constexpr Channel FULL = 1.0f;
  static constexpr bool FLOOR_TILE_CELLS = false;
  static constexpr bool PASSES_RUN_AFTER_ERROR = false;
  static Pixel over(Pixel dst, Pixel src) { return overFloat(dst, src); }
  static Pixel color(Pixel8 c) { return toPixelF(c); }
  // Float is not quantised: the product is only rounded to single precision.
  static Channel scaleAlpha(Channel a, double f) { return static_cast<float>(a * f); }
  static constexpr double RAMP_FULL = 1.0;
  static constexpr double RAMP_HALF = 0.5;
  static Channel fromRamp(double v) { return static_cast<float>(v); }
};

// Calls f with the traits object of the depth.
template <class F>
decltype(auto) withDepthTraits(PixelDepth depth, F&& f) {
  switch (depth) {
    case DEPTH_16: return std::forward<F>(f)(Traits16{});
    case DEPTH_FLOAT: return std::forward<F>(f)(TraitsF{});
    default: return std::forward<F>(f)(Traits8{});
  }
}

}  // namespace quiltora
