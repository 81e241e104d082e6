// Bilinear (subpixel) and box (area) sampling in the three depths, written once
// over the engine's pixel traits. Positions are 16.16 fixed point in pixel
// coordinates where pixel k spans [k, k + 1).
#include <algorithm>
#include <limits>

#include "offline/image_access.h"
#include "offline/image_ops.h"
#include "offline/wide_uint.h"

namespace quiltora::offline {

namespace {

using detail::channels;
using detail::fromChannels;
using detail::pixelOrZero;

constexpr int64_t ONE = 65536;   // 1.0 in 16.16
constexpr int64_t HALF = 32768;  // 0.5 in 16.16

// Integer part (floor) and fraction of a 64-bit 16.16 value. The shift of a
// negative value is arithmetic (defined since C++20), i.e. a floor.
int64_t floorUnits(int64_t v) { return v >> 16; }
int64_t ceilUnits(int64_t v) { return -((-v) >> 16); }

template <class T>
typename T::Pixel bilinear(const Image& image, Fixed sx, Fixed sy) {
  using Pixel = typename T::Pixel;
  // Pixel centres sit at k + 0.5: shift by half a pixel so x0 is the left
  // neighbour and fx the distance past its centre. 64 bits: sx - 32768 may
  // leave the int32 range.
  const int64_t ux = int64_t{sx} - HALF, uy = int64_t{sy} - HALF;
  const int64_t x0 = floorUnits(ux), y0 = floorUnits(uy);
  const int64_t fx = ux - x0 * ONE, fy = uy - y0 * ONE;
  const auto p00 = channels(pixelOrZero<Pixel>(image, x0, y0));
  const auto p10 = channels(pixelOrZero<Pixel>(image, x0 + 1, y0));
  const auto p01 = channels(pixelOrZero<Pixel>(image, x0, y0 + 1));
  const auto p11 = channels(pixelOrZero<Pixel>(image, x0 + 1, y0 + 1));
  std::array<typename T::Channel, 4> result{};
  for (size_t c = 0; c < 4; ++c) {
    if constexpr (detail::isFloatDepth<T>) {
      const double wx = static_cast<double>(fx) / 65536.0, wy = static_cast<double>(fy) / 65536.0;
      // A zero weight is skipped rather than multiplied, so a pixel centre
      // returns its pixel bit for bit (-0.0 included) whatever its neighbours hold.
      const double top = fx == 0 ? double{p00[c]} : p00[c] * (1.0 - wx) + p10[c] * wx;
      const double bottom = fx == 0 ? double{p01[c]} : p01[c] * (1.0 - wx) + p11[c] * wx;
      result[c] = static_cast<float>(fy == 0 ? top : top * (1.0 - wy) + bottom * wy);
    } else {
      // Channels are below 2^16, so top and bottom stay below 2^32 and the
      // final sum below 2^48: no overflow in 64 bits.
      const uint64_t ufx = static_cast<uint64_t>(fx), ufy = static_cast<uint64_t>(fy);
      const uint64_t top = p00[c] * (ONE - ufx) + p10[c] * ufx;
      const uint64_t bottom = p01[c] * (ONE - ufx) + p11[c] * ufx;
      const uint64_t value = (top * (ONE - ufy) + bottom * ufy + (uint64_t{1} << 31)) >> 32;
      result[c] = static_cast<typename T::Channel>(value);
    }
  }
  return fromChannels<Pixel>(result);
}

// Straight colour to premultiplied for one pixel, rounded to nearest (halves
// up) in the integer depths, as the area average rounds.
template <class T>
typename T::Pixel premultiplied(const typename T::Pixel& p) {
  if constexpr (detail::isFloatDepth<T>) {
    auto scale = [&](float c) { return static_cast<float>(static_cast<double>(c) * p.alpha); };
    return {p.alpha, scale(p.red), scale(p.green), scale(p.blue)};
  } else {
    constexpr uint64_t FULL = T::FULL;
    constexpr uint64_t MAX = std::numeric_limits<typename T::Channel>::max();
    auto scale = [&](uint64_t c) {
      return static_cast<typename T::Channel>(std::min(MAX, (c * p.alpha + FULL / 2) / FULL));
    };
    return {p.alpha, scale(p.red), scale(p.green), scale(p.blue)};
  }
}

// The box [left, right) x [top, bottom) in 16.16, clipped to the image's pixels.
struct Box {
  int64_t left, right, top, bottom;
  int64_t firstColumn, endColumn, firstRow, endRow;

  // Overlap of pixel k's span [k, k + 1) with [lo, hi), in 1/65536 pixel.
  static uint64_t overlap(int64_t k, int64_t lo, int64_t hi) {
    return static_cast<uint64_t>(std::min(hi, (k + 1) * ONE) - std::max(lo, k * ONE));
  }
  uint64_t columnWeight(int64_t x) const { return overlap(x, left, right); }
  uint64_t rowWeight(int64_t y) const { return overlap(y, top, bottom); }
};

Box clippedBox(const Image& image, int64_t x, int64_t y, int64_t rx, int64_t ry) {
  Box b{x - rx, x + rx, y - ry, y + ry, 0, 0, 0, 0};
  // Only pixels inside the image contribute, so a huge box costs no more than
  // the image itself.
  b.firstColumn = std::max<int64_t>(0, floorUnits(b.left));
  b.endColumn = std::min<int64_t>(image.width, ceilUnits(b.right));
  b.firstRow = std::max<int64_t>(0, floorUnits(b.top));
  b.endRow = std::min<int64_t>(image.height, ceilUnits(b.bottom));
  return b;
}

template <class T>
typename T::Pixel boxAverage(const Image& image, const Box& box) {
  using Pixel = typename T::Pixel;
  // The whole box counts, parts outside the image included (they are
  // transparent). Each side is below 2^32, so the area fits in 64 bits.
  const uint64_t area = static_cast<uint64_t>(box.right - box.left) *
                        static_cast<uint64_t>(box.bottom - box.top);
  if constexpr (detail::isFloatDepth<T>) {
    double sumA = 0, sumR = 0, sumG = 0, sumB = 0;
    for (int64_t y = box.firstRow; y < box.endRow; ++y) {
      const uint64_t wy = box.rowWeight(y);
      const Pixel* row = image.row<Pixel>(static_cast<int32_t>(y));
      for (int64_t x = box.firstColumn; x < box.endColumn; ++x) {
        const Pixel& p = row[x];
        const double wa = static_cast<double>(box.columnWeight(x) * wy) * p.alpha;
        sumA += wa;
        sumR += wa * p.red;
        sumG += wa * p.green;
        sumB += wa * p.blue;
      }
    }
    const double total = static_cast<double>(area);
    return {static_cast<float>(sumA / total), static_cast<float>(sumR / total),
            static_cast<float>(sumG / total), static_cast<float>(sumB / total)};
  } else {
    // Exact sums: a weight is at most 2^32 and a product alpha x colour below
    // 2^32, so each term fits in 64 bits and the sums in 128.
    detail::WideUint sumA, sumR, sumG, sumB;
    for (int64_t y = box.firstRow; y < box.endRow; ++y) {
      const uint64_t wy = box.rowWeight(y);
      const Pixel* row = image.row<Pixel>(static_cast<int32_t>(y));
      for (int64_t x = box.firstColumn; x < box.endColumn; ++x) {
        const Pixel& p = row[x];
        const uint64_t w = box.columnWeight(x) * wy;
        const uint64_t a = p.alpha;
        sumA += w * a;
        sumR += w * (a * p.red);
        sumG += w * (a * p.green);
        sumB += w * (a * p.blue);
      }
    }
    // The divisions round to nearest, halves up.
    constexpr uint64_t MAX = std::numeric_limits<typename T::Channel>::max();
    const detail::WideUint alphaDivisor{0, area};
    const detail::WideUint colorDivisor = detail::multiply(area, T::FULL);
    auto alpha = [&](const detail::WideUint& s) {
      return static_cast<typename T::Channel>(std::min(MAX, detail::roundedQuotient(s, alphaDivisor)));
    };
    auto color = [&](const detail::WideUint& s) {
      return static_cast<typename T::Channel>(std::min(MAX, detail::roundedQuotient(s, colorDivisor)));
    };
    return {alpha(sumA), color(sumR), color(sumG), color(sumB)};
  }
}

template <class T>
ErrorCode subpixelSampleOf(const Image& image, Fixed sx, Fixed sy, typename T::Pixel& out) {
  if (const ErrorCode e = detail::checkImageOf<T>(image)) return e;
  out = bilinear<T>(image, sx, sy);
  return ERR_NONE;
}

template <class T>
ErrorCode areaSampleOf(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry,
                       typename T::Pixel& out) {
  if (const ErrorCode e = detail::checkImageOf<T>(image)) return e;
  const int64_t radiusX = std::max<int64_t>(rx, 0), radiusY = std::max<int64_t>(ry, 0);
  // A box narrower than a pixel in either direction has (nearly) no area to
  // average over; the bilinear sample stands in for it.
  if (radiusX < HALF || radiusY < HALF) {
    out = premultiplied<T>(bilinear<T>(image, x, y));
    return ERR_NONE;
  }
  out = boxAverage<T>(image, clippedBox(image, x, y, radiusX, radiusY));
  return ERR_NONE;
}

}  // namespace

ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, Pixel8& out) {
  return subpixelSampleOf<Traits8>(image, sx, sy, out);
}
ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, Pixel16& out) {
  return subpixelSampleOf<Traits16>(image, sx, sy, out);
}
ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, PixelF& out) {
  return subpixelSampleOf<TraitsF>(image, sx, sy, out);
}

ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, Pixel8& out) {
  return areaSampleOf<Traits8>(image, x, y, rx, ry, out);
}
ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, Pixel16& out) {
  return areaSampleOf<Traits16>(image, x, y, rx, ry, out);
}
ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, PixelF& out) {
  return areaSampleOf<TraitsF>(image, x, y, rx, ry, out);
}

}  // namespace quiltora::offline
