// A RenderServices for the tile tests: areaSample reads the nearest layer pixel
// at the sampled position and records every call; unpremultiply is counted;
// either can be made to fail. Everything else is not used by the tile phase.
#pragma once

#include <cstdlib>
#include <vector>

#include "engine/render_services.h"

namespace quiltora::testing {

struct SampleCall {
  Fixed x, y, rx, ry;
};

class FakeTileServices : public RenderServices {
 public:
  std::vector<SampleCall> samples;
  int unpremultiplyCalls = 0;
  int failSampleAt = -1;  // index of the areaSample call that fails, or -1
  ErrorCode sampleError = 0;
  ErrorCode unpremultiplyError = 0;

  ErrorCode newImage(int32_t, int32_t, PixelDepth, Image&) override { return unused(); }
  ErrorCode disposeImage(Image&) override { return unused(); }
  ErrorCode copyImage(const Image&, Image&) override { return unused(); }
  ErrorCode fillImage(Image&, Pixel8) override { return unused(); }
  int32_t* newKernel(int32_t) override { unused(); return nullptr; }
  void disposeKernel(int32_t*) override { unused(); }
  ErrorCode acquireLayer(std::optional<Image>&) override { return unused(); }
  void releaseLayer() override { unused(); }
  ErrorCode checkAbort() override { return unused(); }
  ErrorCode reportProgress(int32_t, int32_t) override { return unused(); }
  void showErrorMessage(const char*) override { unused(); }

  ErrorCode areaSample(const Image& im, Fixed x, Fixed y, Fixed rx, Fixed ry, Pixel8& out) override {
    return sample(im, x, y, rx, ry, out);
  }
  ErrorCode areaSample(const Image& im, Fixed x, Fixed y, Fixed rx, Fixed ry, Pixel16& out) override {
    return sample(im, x, y, rx, ry, out);
  }
  ErrorCode areaSample(const Image& im, Fixed x, Fixed y, Fixed rx, Fixed ry, PixelF& out) override {
    return sample(im, x, y, rx, ry, out);
  }
  ErrorCode unpremultiply(Image&) override {
    ++unpremultiplyCalls;
    return unpremultiplyError;
  }
  ErrorCode subpixelSample(const Image&, Fixed, Fixed, Pixel8&) override { return unused(); }
  ErrorCode subpixelSample(const Image&, Fixed, Fixed, Pixel16&) override { return unused(); }
  ErrorCode subpixelSample(const Image&, Fixed, Fixed, PixelF&) override { return unused(); }
  ErrorCode convolveImage(Image&, const int32_t*, int32_t, bool) override { return unused(); }

 private:
  // The tile phase must not reach any other service.
  static ErrorCode unused() {
    std::abort();
  }

  template <class P>
  ErrorCode sample(const Image& im, Fixed x, Fixed y, Fixed rx, Fixed ry, P& out) {
    if (static_cast<int>(samples.size()) == failSampleAt) {
      samples.push_back({x, y, rx, ry});
      return sampleError;
    }
    samples.push_back({x, y, rx, ry});
    const int32_t px = x >> 16, py = y >> 16;
    out = (px >= 0 && py >= 0 && px < im.width && py < im.height) ? im.at<P>(px, py) : P{};
    return 0;
  }
};

}  // namespace quiltora::testing
