// A RenderServices whose subpixelSample records each position and returns an
// opaque pixel that encodes it, so stamping tests can see what was sampled
// where. It can fail the n-th sample. Other operations are not expected.
#pragma once

#include <vector>

#include "tests/support/fake_services.h"

namespace quiltora::testing {

class RecordingSampler : public FakeTileServices {
 public:
  struct Sample {
    Fixed sx, sy;
  };
  std::vector<Sample> positions;
  int failSubpixelAt = -1;
  ErrorCode subpixelError = 0;

  ErrorCode subpixelSample(const Image&, Fixed sx, Fixed sy, Pixel8& out) override { return record(sx, sy, out); }
  ErrorCode subpixelSample(const Image&, Fixed sx, Fixed sy, Pixel16& out) override { return record(sx, sy, out); }
  ErrorCode subpixelSample(const Image&, Fixed sx, Fixed sy, PixelF& out) override { return record(sx, sy, out); }

  // The pixel returned for a position: opaque, red and green from its whole pixels.
  template <class P>
  static P encode(Fixed sx, Fixed sy) {
    P p{};
    p.alpha = std::is_same_v<P, Pixel8> ? 255 : std::is_same_v<P, Pixel16> ? 32768 : 1;
    p.red = static_cast<decltype(p.red)>((sx >> 16) & 0x7f);
    p.green = static_cast<decltype(p.green)>((sy >> 16) & 0x7f);
    return p;
  }

 private:
  template <class P>
  ErrorCode record(Fixed sx, Fixed sy, P& out) {
    positions.push_back({sx, sy});
    if (static_cast<int>(positions.size()) - 1 == failSubpixelAt) return subpixelError;
    out = encode<P>(sx, sy);
    return 0;
  }
};

}  // namespace quiltora::testing
