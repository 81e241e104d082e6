// Whole-image pixel operations of the offline host: the image check, the
// conversion from premultiplied to straight colour, copy and fill.
#include <algorithm>
#include <cstring>
#include <limits>

#include "offline/image_access.h"
#include "offline/image_ops.h"

namespace quiltora::offline {

namespace {

template <class T>
void unpremultiplyOf(Image& image) {
  using Pixel = typename T::Pixel;
  for (int32_t y = 0; y < image.height; ++y) {
    Pixel* row = image.row<Pixel>(y);
    for (int32_t x = 0; x < image.width; ++x) {
      Pixel& p = row[x];
      if (p.alpha == 0) continue;  // no colour can be recovered; leave it as it is
      if constexpr (detail::isFloatDepth<T>) {
        p.red /= p.alpha;  // float keeps values above 1.0
        p.green /= p.alpha;
        p.blue /= p.alpha;
      } else {
        const uint64_t a = p.alpha;
        constexpr uint64_t FULL = T::FULL;
        auto straight = [&](uint64_t c) {
          return static_cast<typename T::Channel>(std::min(FULL, (c * FULL + a / 2) / a));
        };
        p.red = straight(p.red);
        p.green = straight(p.green);
        p.blue = straight(p.blue);
      }
    }
  }
}

template <class T>
void fillOf(Image& image, Pixel8 color) {
  using Pixel = typename T::Pixel;
  const Pixel value = T::color(color);
  for (int32_t y = 0; y < image.height; ++y) {
    Pixel* row = image.row<Pixel>(y);
    std::fill(row, row + image.width, value);
  }
}

}  // namespace

ErrorCode checkImage(const Image& image) {
  if (image.data == nullptr) return ERR_INTERNAL_STRUCT_DAMAGED;
  if (image.depth != DEPTH_8 && image.depth != DEPTH_16 && image.depth != DEPTH_FLOAT) {
    return ERR_INTERNAL_STRUCT_DAMAGED;
  }
  if (image.width < 0 || image.height < 0) return ERR_INTERNAL_STRUCT_DAMAGED;
  const int32_t size = pixelSize(image.depth);
  if (image.rowBytes % size != 0) return ERR_INTERNAL_STRUCT_DAMAGED;
  if (int64_t{image.rowBytes} < int64_t{image.width} * size) return ERR_INTERNAL_STRUCT_DAMAGED;
  // Every channel type is at most 4-byte aligned; misaligned reads are undefined.
  const size_t alignment = image.depth == DEPTH_8 ? 1 : image.depth == DEPTH_16 ? 2 : 4;
  if (reinterpret_cast<uintptr_t>(image.data) % alignment != 0) return ERR_INTERNAL_STRUCT_DAMAGED;
  return ERR_NONE;
}

ErrorCode unpremultiply(Image& image) {
  if (const ErrorCode e = checkImage(image)) return e;
  withDepthTraits(image.depth, [&](auto traits) { unpremultiplyOf<decltype(traits)>(image); });
  return ERR_NONE;
}

ErrorCode copyImage(const Image& source, Image& destination) {
  if (const ErrorCode e = checkImage(source)) return e;
  if (const ErrorCode e = checkImage(destination)) return e;
  if (source.depth != destination.depth) return ERR_INTERNAL_STRUCT_DAMAGED;
  const int32_t width = std::min(source.width, destination.width);
  const int32_t height = std::min(source.height, destination.height);
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(pixelSize(source.depth));
  if (bytes == 0) return ERR_NONE;
  // memmove: copying an image onto itself (or onto an overlapping row) is harmless.
  for (int32_t y = 0; y < height; ++y) {
    std::memmove(destination.row<char>(y), source.row<const char>(y), bytes);
  }
  return ERR_NONE;
}

ErrorCode fillImage(Image& destination, Pixel8 color) {
  if (const ErrorCode e = checkImage(destination)) return e;
  withDepthTraits(destination.depth, [&](auto traits) { fillOf<decltype(traits)>(destination, color); });
  return ERR_NONE;
}

}  // namespace quiltora::offline
