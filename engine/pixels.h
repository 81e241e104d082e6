// Pixels of the three depths (alpha first, laid out as the host's pixels so host
// images are used in place), the Image raster, colour conversions and the
// straight-alpha "over" operator of each depth.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quiltora {

enum PixelDepth : int32_t { DEPTH_8 = 0, DEPTH_16 = 1, DEPTH_FLOAT = 2 };

struct Pixel8 {
  uint8_t alpha, red, green, blue;
  friend bool operator==(const Pixel8&, const Pixel8&) = default;
};
struct Pixel16 {
  uint16_t alpha, red, green, blue;
  friend bool operator==(const Pixel16&, const Pixel16&) = default;
};
struct PixelF {
  float alpha, red, green, blue;
  friend bool operator==(const PixelF&, const PixelF&) = default;
};
static_assert(sizeof(Pixel8) == 4 && sizeof(Pixel16) == 8 && sizeof(PixelF) == 16);

// Bytes of one pixel of the given depth.
constexpr int32_t pixelSize(PixelDepth depth) {
  return depth == DEPTH_8 ? 4 : depth == DEPTH_16 ? 8 : 16;
}

// A raster that does not own its pixels.
struct Image {
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowBytes = 0;
  PixelDepth depth = DEPTH_8;
  void* data = nullptr;

  // Row y as pixels of type P. The offset is taken in pointer-sized arithmetic
  // so tall images with long rows cannot overflow it.
  template <class P>
  P* row(int32_t y) const {
    return reinterpret_cast<P*>(static_cast<char*>(data) +
                                static_cast<std::ptrdiff_t>(y) * rowBytes);
  }
  template <class P>
  P& at(int32_t x, int32_t y) const {
    return row<P>(y)[x];
  }
};

Pixel16 toPixel16(Pixel8 color);
PixelF toPixelF(Pixel8 color);
uint8_t clamp8(int32_t v);
uint16_t clamp16(int32_t v);
Pixel8 over8(Pixel8 dst, Pixel8 src);
Pixel16 over16(Pixel16 dst, Pixel16 src);
PixelF overFloat(PixelF dst, PixelF src);
double dot2(double ax, double ay, double bx, double by);

}  // namespace quiltora
