// An Image with its own pixel storage, for tests: every channel starts at zero.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/pixels.h"

namespace quiltora::testing {

struct OwnedImage {
  std::vector<unsigned char> bytes;
  Image image;

  // extraRowPixels pads each row, so tests also cover rowBytes larger than the width.
  OwnedImage(int32_t width, int32_t height, PixelDepth depth, int32_t extraRowPixels = 0) {
    const int32_t rowBytes = (width + extraRowPixels) * pixelSize(depth);
    bytes.assign(static_cast<size_t>(rowBytes) * static_cast<size_t>(height), 0);
    image = Image{width, height, rowBytes, depth, bytes.data()};
  }
  OwnedImage(const OwnedImage&) = delete;
  OwnedImage& operator=(const OwnedImage&) = delete;

  template <class P>
  P& at(int32_t x, int32_t y) {
    return image.at<P>(x, y);
  }
  template <class P>
  const P& at(int32_t x, int32_t y) const {
    return image.at<P>(x, y);
  }
};

}  // namespace quiltora::testing
