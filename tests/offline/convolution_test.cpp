// The offline 1-D convolution: hand-computed rows and columns with zeros past
// the edges, the (sum + S/2) / S rounding and clamping, the area restriction,
// and the refusals that keep a bad kernel from dividing by zero.
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "offline/image_ops.h"
#include "tests/support/owned_image.h"

namespace quiltora::offline {
namespace {

using testing::OwnedImage;

constexpr Rect ALL{0, 0, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()};

// Row 0 of a 5x2 8-bit image, one sequence per channel so a mix-up of
// channels shows; row 1 opaque white. Padded rows check rowBytes is honoured.
struct RowFixture {
  OwnedImage image{5, 2, DEPTH_8, 3};
  RowFixture() {
    const uint8_t a[] = {10, 20, 30, 40, 50}, r[] = {255, 0, 0, 0, 0}, g[] = {0, 0, 100, 0, 0},
                  b[] = {1, 2, 3, 4, 5};
    for (int32_t x = 0; x < 5; ++x) {
      image.at<Pixel8>(x, 0) = {a[x], r[x], g[x], b[x]};
      image.at<Pixel8>(x, 1) = {255, 255, 255, 255};
    }
  }
};

TEST(Convolve, RowsAgainstHandComputedValues) {
  RowFixture f;
  const int32_t kernel[] = {1, 2, 1};  // S = 4: (left + 2 centre + right + 2) / 4
  ASSERT_EQ(convolve(f.image.image, f.image.image, ALL, kernel, 3, false), ERR_NONE);
  const Pixel8 row0[] = {{10, 128, 0, 1}, {20, 64, 25, 2}, {30, 0, 50, 3}, {40, 0, 25, 4}, {35, 0, 0, 4}};
  // The zero beyond each end darkens the end pixels: (255 x 3 + 2) / 4 = 191.
  const Pixel8 row1[] = {{191, 191, 191, 191}, {255, 255, 255, 255}, {255, 255, 255, 255},
                         {255, 255, 255, 255}, {191, 191, 191, 191}};
  for (int32_t x = 0; x < 5; ++x) {
    EXPECT_EQ(f.image.at<Pixel8>(x, 0), row0[x]) << "x " << x;
    EXPECT_EQ(f.image.at<Pixel8>(x, 1), row1[x]) << "x " << x;
  }
}

TEST(Convolve, ColumnsAgainstHandComputedValues) {
  // Column 0 carries the data; column 1 stays zero and must stay so.
  OwnedImage image(2, 4, DEPTH_8);
  const uint8_t a[] = {40, 80, 120, 160}, r[] = {0, 255, 255, 0}, g[] = {7, 7, 7, 7}, b[] = {0, 0, 0, 9};
  struct Case {
    std::vector<int32_t> kernel;
    Pixel8 expected[4];
  };
  const Case cases[] = {
      {{1, 2, 1}, {{40, 64, 5, 0}, {80, 191, 7, 0}, {120, 191, 7, 2}, {110, 64, 5, 5}}},
      // An even count reaches one pixel further back than forward: weight 0
      // reads y - 1, weight 1 reads y.
      {{1, 3}, {{30, 0, 5, 0}, {70, 191, 7, 0}, {110, 255, 7, 0}, {150, 64, 7, 7}}},
  };
  for (const Case& c : cases) {
    for (int32_t y = 0; y < 4; ++y) {
      image.at<Pixel8>(0, y) = {a[y], r[y], g[y], b[y]};
      image.at<Pixel8>(1, y) = {};
    }
    ASSERT_EQ(convolve(image.image, image.image, ALL, c.kernel.data(), static_cast<int32_t>(c.kernel.size()), true),
              ERR_NONE);
    for (int32_t y = 0; y < 4; ++y) {
      EXPECT_EQ(image.at<Pixel8>(0, y), c.expected[y]) << "kernel size " << c.kernel.size() << " y " << y;
      EXPECT_EQ(image.at<Pixel8>(1, y), Pixel8{});
    }
  }
}

TEST(Convolve, RoundsHalfTheSumUpThenTruncates) {
  OwnedImage image(4, 1, DEPTH_8);
  const uint8_t values[] = {0, 1, 1, 0};
  for (int32_t x = 0; x < 4; ++x) image.at<Pixel8>(x, 0) = {values[x], 0, 0, 0};
  const int32_t kernel[] = {1, 1, 1};  // S = 3, S/2 = 1: sums 1, 2, 2, 1 -> 2/3, 3/3, 3/3, 2/3
  ASSERT_EQ(convolve(image.image, image.image, ALL, kernel, 3, false), ERR_NONE);
  const uint8_t expected[] = {0, 1, 1, 0};
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(image.at<Pixel8>(x, 0).alpha, expected[x]) << "x " << x;
}

TEST(Convolve, IntegerResultsClampToTheChannelRangeFloatDoesNot) {
  const int32_t sharpen[] = {-1, 3, -1};  // S = 1
  OwnedImage image8(3, 1, DEPTH_8);
  image8.at<Pixel8>(1, 0) = {255, 100, 0, 0};
  ASSERT_EQ(convolve(image8.image, image8.image, ALL, sharpen, 3, false), ERR_NONE);
  EXPECT_EQ(image8.at<Pixel8>(0, 0), (Pixel8{0, 0, 0, 0}));      // -255 and -100
  EXPECT_EQ(image8.at<Pixel8>(1, 0), (Pixel8{255, 255, 0, 0}));  // 765 and 300

  OwnedImage image16(3, 1, DEPTH_16);
  image16.at<Pixel16>(1, 0) = {32768, 1000, 0, 0};
  ASSERT_EQ(convolve(image16.image, image16.image, ALL, sharpen, 3, false), ERR_NONE);
  EXPECT_EQ(image16.at<Pixel16>(1, 0), (Pixel16{32768, 3000, 0, 0}));  // 98304 clamps to full scale
  EXPECT_EQ(image16.at<Pixel16>(2, 0), (Pixel16{0, 0, 0, 0}));

  OwnedImage imageF(3, 1, DEPTH_FLOAT);
  imageF.at<PixelF>(1, 0) = {1.0f, 0.5f, 0.0f, 0.0f};
  ASSERT_EQ(convolve(imageF.image, imageF.image, ALL, sharpen, 3, false), ERR_NONE);
  EXPECT_EQ(imageF.at<PixelF>(0, 0), (PixelF{-1.0f, -0.5f, 0.0f, 0.0f}));
  EXPECT_EQ(imageF.at<PixelF>(1, 0), (PixelF{3.0f, 1.5f, 0.0f, 0.0f}));
}

TEST(Convolve, FloatDividesTheDoubleSumByS) {
  OwnedImage image(3, 1, DEPTH_FLOAT);
  const float values[] = {0.25f, 0.5f, 1.0f};
  for (int32_t x = 0; x < 3; ++x) image.at<PixelF>(x, 0) = {values[x], 0, 0, 0};
  const int32_t kernel[] = {1, 2, 1};
  ASSERT_EQ(convolve(image.image, image.image, ALL, kernel, 3, false), ERR_NONE);
  const float expected[] = {0.25f, 0.5625f, 0.625f};  // 1/4, 2.25/4, 2.5/4
  for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(image.at<PixelF>(x, 0).alpha, expected[x]) << "x " << x;
}

TEST(Convolve, WritesOnlyTheAreaButReadsOutsideIt) {
  struct Case {
    Rect area;
    bool written[5];
  };
  const Case cases[] = {
      {{1, 0, 3, 1}, {false, true, true, false, false}},
      {{-100, -100, 2, 100}, {true, true, false, false, false}},  // clipped to the image
      {{3, 0, 1000, 1}, {false, false, false, true, true}},
      {{2, 1, 4, 2}, {false, false, false, false, false}},        // row 1 only
      {{4, 0, 2, 1}, {false, false, false, false, false}},        // empty
  };
  const int32_t kernel[] = {1, 2, 1};
  RowFixture convolved;
  ASSERT_EQ(convolve(convolved.image.image, convolved.image.image, ALL, kernel, 3, false), ERR_NONE);
  for (const Case& c : cases) {
    RowFixture f;
    ASSERT_EQ(convolve(f.image.image, f.image.image, c.area, kernel, 3, false), ERR_NONE);
    const RowFixture original;
    for (int32_t x = 0; x < 5; ++x) {
      const Pixel8 expected = c.written[x] ? convolved.image.at<Pixel8>(x, 0) : original.image.at<Pixel8>(x, 0);
      EXPECT_EQ(f.image.at<Pixel8>(x, 0), expected) << "area left " << c.area.left << " x " << x;
    }
  }
}

TEST(Convolve, SourceAndDestinationMayDiffer) {
  RowFixture source;
  OwnedImage destination(3, 2, DEPTH_8);  // narrower: the area clips to it
  const int32_t kernel[] = {1, 2, 1};
  ASSERT_EQ(convolve(source.image.image, destination.image, ALL, kernel, 3, false), ERR_NONE);
  const Pixel8 expected[] = {{10, 128, 0, 1}, {20, 64, 25, 2}, {30, 0, 50, 3}};
  for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(destination.at<Pixel8>(x, 0), expected[x]) << "x " << x;
  const RowFixture original;
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(source.image.at<Pixel8>(x, 0), original.image.at<Pixel8>(x, 0));
}

TEST(Convolve, HugeCancellingWeightsBeyondTheImageLeaveTheResultExact) {
  // 131073 taps: [1, 2, 1] at the centre, zeros at distance 2, and weights of
  // +-(2^31 - 1) everywhere else. On a 3-pixel row only the centre five can
  // land inside, S = 4, and the sum of magnitudes (about 2^48) forces the
  // overflow-safe path.
  const int32_t half = 65536;
  std::vector<int32_t> kernel(2 * half + 1);
  int32_t sign = 1;
  for (int32_t i = 0; i < static_cast<int32_t>(kernel.size()); ++i) {
    const int32_t d = i - half;
    if (d < -2 || d > 2) {
      kernel[static_cast<size_t>(i)] = sign * std::numeric_limits<int32_t>::max();
      sign = -sign;
    }
  }
  kernel[half - 1] = 1;
  kernel[half] = 2;
  kernel[half + 1] = 1;
  OwnedImage image(3, 1, DEPTH_8);
  const uint8_t values[] = {10, 20, 30};
  for (int32_t x = 0; x < 3; ++x) image.at<Pixel8>(x, 0) = {values[x], 0, 0, 0};
  ASSERT_EQ(convolve(image.image, image.image, ALL, kernel.data(), static_cast<int32_t>(kernel.size()), false),
            ERR_NONE);
  const uint8_t expected[] = {10, 20, 20};  // 42/4, 82/4, 82/4 truncated
  for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(image.at<Pixel8>(x, 0).alpha, expected[x]) << "x " << x;
}

TEST(Convolve, SumsBeyondSixtyFourBitsStayDefined) {
  // 131073 weights of 2^31 - 1 over a full-scale 16-bit row as long: the
  // centre pixel's sum is about 2^63, past int64. The average is still the
  // row's value.
  const int32_t count = 131073;
  std::vector<int32_t> kernel(count, std::numeric_limits<int32_t>::max());
  OwnedImage image(count, 1, DEPTH_16);
  for (int32_t x = 0; x < count; ++x) image.at<Pixel16>(x, 0) = {32768, 32768, 1, 0};
  const int32_t centre = count / 2;
  ASSERT_EQ(convolve(image.image, image.image, Rect{centre, 0, centre + 1, 1}, kernel.data(), count, false),
            ERR_NONE);
  EXPECT_EQ(image.at<Pixel16>(centre, 0), (Pixel16{32768, 32768, 1, 0}));
  EXPECT_EQ(image.at<Pixel16>(centre - 1, 0), (Pixel16{32768, 32768, 1, 0}));  // outside the area
}

TEST(Convolve, RefusesKernelsItCannotNormalise) {
  RowFixture f;
  const int32_t zeroSum[] = {1, -1};
  const int32_t fine[] = {1};
  EXPECT_EQ(convolve(f.image.image, f.image.image, ALL, zeroSum, 2, false), ERR_BAD_CALLBACK_PARAM);
  EXPECT_EQ(convolve(f.image.image, f.image.image, ALL, nullptr, 3, false), ERR_BAD_CALLBACK_PARAM);
  EXPECT_EQ(convolve(f.image.image, f.image.image, ALL, fine, 0, true), ERR_BAD_CALLBACK_PARAM);
  EXPECT_EQ(convolve(f.image.image, f.image.image, ALL, fine, -5, true), ERR_BAD_CALLBACK_PARAM);
  const RowFixture original;
  EXPECT_EQ(f.image.bytes, original.image.bytes);  // nothing written

  OwnedImage other(5, 2, DEPTH_16);
  EXPECT_EQ(convolve(f.image.image, other.image, ALL, fine, 1, false), ERR_INTERNAL_STRUCT_DAMAGED);
  Image missing = f.image.image;
  missing.data = nullptr;
  EXPECT_EQ(convolve(missing, missing, ALL, fine, 1, false), ERR_INTERNAL_STRUCT_DAMAGED);
}

}  // namespace
}  // namespace quiltora::offline
