// Helpers shared by the offline image operations: pixels as arrays of their
// four channels, reads that treat everything outside the image as zero, and the
// per-depth image check. Internal to offline/.
#pragma once

#include <array>
#include <cstdint>

#include "engine/pixel_traits.h"
#include "offline/image_ops.h"

namespace quiltora::offline::detail {

// Channels in memory order: alpha, red, green, blue.
template <class P>
auto channels(const P& p) {
  return std::array{p.alpha, p.red, p.green, p.blue};
}

template <class P, class C>
P fromChannels(const std::array<C, 4>& c) {
  return P{c[0], c[1], c[2], c[3]};
}

// Pixel (x, y), or the all-zero pixel when the position lies outside the image.
// Positions are 64-bit so callers may pass any shifted 16.16 coordinate.
template <class P>
P pixelOrZero(const Image& image, int64_t x, int64_t y) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return P{};
  return image.at<P>(static_cast<int32_t>(x), static_cast<int32_t>(y));
}

// checkImage, and the depth must be the one the traits stand for.
template <class T>
ErrorCode checkImageOf(const Image& image) {
  if (image.depth != T::depth) return ERR_INTERNAL_STRUCT_DAMAGED;
  return checkImage(image);
}

template <class T>
constexpr bool isFloatDepth = T::depth == DEPTH_FLOAT;

}  // namespace quiltora::offline::detail
