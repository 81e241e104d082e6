// One-dimensional normalised convolution along rows or columns, per channel and
// straight (not weighted by alpha), with zeros beyond the image's edge.
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "offline/image_access.h"
#include "offline/image_ops.h"

namespace quiltora::offline {

namespace {

using detail::channels;
using detail::fromChannels;

struct KernelSums {
  int64_t sum = 0;       // S: the normalising divisor
  int64_t sumOfAbs = 0;  // bounds every partial sum of weight x channel
};

// Both sums fit: at most 2^31 weights of magnitude at most 2^31.
KernelSums sumKernel(const int32_t* kernel, int32_t count) {
  KernelSums s;
  for (int32_t i = 0; i < count; ++i) {
    s.sum += kernel[i];
    s.sumOfAbs += kernel[i] < 0 ? -int64_t{kernel[i]} : int64_t{kernel[i]};
  }
  return s;
}

// Channels are below 2^16, so while sumOfAbs stays below 2^47 every sum
// (rounding term included) fits in int64 and is exact. Only kernels of tens of
// thousands of near-2^31 weights exceed that; they are summed in double.
constexpr int64_t EXACT_SUM_LIMIT = std::numeric_limits<int64_t>::max() / 65536;

template <class T>
typename T::Channel normalised(int64_t sum, const KernelSums& k) {
  // (sum + S/2) / S as written, the division truncating, then clamped.
  const int64_t q = (sum + k.sum / 2) / k.sum;
  return static_cast<typename T::Channel>(std::clamp<int64_t>(q, 0, T::FULL));
}

template <class T>
typename T::Channel normalised(double sum, const KernelSums& k) {
  if constexpr (detail::isFloatDepth<T>) {
    return static_cast<float>(sum / static_cast<double>(k.sum));  // no clamp in float
  } else {
    const double q = std::trunc((sum + static_cast<double>(k.sum / 2)) / static_cast<double>(k.sum));
    return static_cast<typename T::Channel>(std::clamp(q, 0.0, static_cast<double>(T::FULL)));
  }
}

// Output at position p of a line of n source pixels: weight i reads the pixel
// at p - half + i, and only taps inside [0, n) contribute.
template <class T, class Sum>
typename T::Pixel convolveAt(const std::vector<typename T::Pixel>& line, int64_t p,
                             const int32_t* kernel, int32_t count, const KernelSums& k) {
  const int64_t n = static_cast<int64_t>(line.size());
  const int64_t half = count / 2;
  const int64_t first = std::max<int64_t>(0, half - p);
  const int64_t end = std::min<int64_t>(count, n + half - p);
  std::array<Sum, 4> sums{};
  for (int64_t i = first; i < end; ++i) {
    const auto v = channels(line[static_cast<size_t>(p - half + i)]);
    for (size_t c = 0; c < 4; ++c) sums[c] += static_cast<Sum>(kernel[i]) * static_cast<Sum>(v[c]);
  }
  std::array<typename T::Channel, 4> out{};
  for (size_t c = 0; c < 4; ++c) out[c] = normalised<T>(sums[c], k);
  return fromChannels<typename T::Pixel>(out);
}

template <class T>
ErrorCode convolveOf(const Image& source, Image& destination, const Rect& area,
                     const int32_t* kernel, int32_t count, bool vertical, const KernelSums& k) {
  using Pixel = typename T::Pixel;
  const int32_t left = std::max(area.left, 0);
  const int32_t top = std::max(area.top, 0);
  const int32_t right = std::min({area.right, source.width, destination.width});
  const int32_t bottom = std::min({area.bottom, source.height, destination.height});
  if (left >= right || top >= bottom) return ERR_NONE;

  // Each output line reads only its own source line, so a copy of that one
  // line keeps the source unmodified while the destination (possibly the same
  // image) is written.
  std::vector<Pixel> line;
  try {
    line.resize(static_cast<size_t>(vertical ? source.height : source.width));
  } catch (const std::bad_alloc&) {
    return ERR_OUT_OF_MEMORY;
  } catch (const std::length_error&) {
    return ERR_OUT_OF_MEMORY;
  }
  const bool exact = k.sumOfAbs <= EXACT_SUM_LIMIT;
  auto at = [&](int64_t p) {
    if constexpr (detail::isFloatDepth<T>) {
      return convolveAt<T, double>(line, p, kernel, count, k);
    } else {
      return exact ? convolveAt<T, int64_t>(line, p, kernel, count, k)
                   : convolveAt<T, double>(line, p, kernel, count, k);
    }
  };

  if (!vertical) {
    for (int32_t y = top; y < bottom; ++y) {
      const Pixel* src = source.row<Pixel>(y);
      std::copy(src, src + source.width, line.begin());
      Pixel* dst = destination.row<Pixel>(y);
      for (int32_t x = left; x < right; ++x) dst[x] = at(x);
    }
  } else {
    for (int32_t x = left; x < right; ++x) {
      for (int32_t y = 0; y < source.height; ++y) line[static_cast<size_t>(y)] = source.at<Pixel>(x, y);
      for (int32_t y = top; y < bottom; ++y) destination.at<Pixel>(x, y) = at(y);
    }
  }
  return ERR_NONE;
}

}  // namespace

ErrorCode convolve(const Image& source, Image& destination, const Rect& area,
                   const int32_t* kernel, int32_t count, bool vertical) {
  if (const ErrorCode e = checkImage(source)) return e;
  if (const ErrorCode e = checkImage(destination)) return e;
  if (source.depth != destination.depth) return ERR_INTERNAL_STRUCT_DAMAGED;
  if (kernel == nullptr || count <= 0) return ERR_BAD_CALLBACK_PARAM;
  const KernelSums sums = sumKernel(kernel, count);
  if (sums.sum == 0) return ERR_BAD_CALLBACK_PARAM;  // nothing to normalise by
  return withDepthTraits(source.depth, [&](auto traits) {
    return convolveOf<decltype(traits)>(source, destination, area, kernel, count, vertical, sums);
  });
}

}  // namespace quiltora::offline
