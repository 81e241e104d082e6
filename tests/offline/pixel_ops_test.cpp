// The offline whole-image operations: un-premultiply, copy, fill, and the
// memory behind new images and kernels, including every refusal.
#include <cstdint>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

#include "offline/image_ops.h"
#include "tests/support/owned_image.h"

namespace quiltora::offline {
namespace {

using testing::OwnedImage;

// Each case premultiplied (alpha, colour) -> straight colour; red, green and
// blue all carry the colour.
template <class C>
struct StraightCase {
  C alpha, colour, expected;
};

template <class P, class C>
void checkUnpremultiply(PixelDepth depth, std::initializer_list<StraightCase<C>> cases) {
  OwnedImage image(static_cast<int32_t>(cases.size()), 1, depth, 1);
  int32_t x = 0;
  for (const auto& c : cases) image.at<P>(x++, 0) = {c.alpha, c.colour, c.colour, c.colour};
  ASSERT_EQ(unpremultiply(image.image), ERR_NONE);
  x = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(image.at<P>(x, 0), (P{c.alpha, c.expected, c.expected, c.expected}))
        << "alpha " << +c.alpha << " colour " << +c.colour;
    ++x;
  }
}

TEST(Unpremultiply, EightBits) {
  checkUnpremultiply<Pixel8, uint8_t>(DEPTH_8, {
      {0, 77, 77},     // alpha 0: unchanged
      {255, 100, 100},
      {128, 64, 128},  // (64 x 255 + 64) / 128 = 128
      {200, 99, 126},  // 126.2 + 0.5, truncated
      {2, 1, 128},     // 127.5 rounds up
      {3, 1, 85},
      {100, 150, 255}, // 382.5 clamps to full
  });
}

TEST(Unpremultiply, SixteenBits) {
  checkUnpremultiply<Pixel16, uint16_t>(DEPTH_16, {
      {0, 5, 5},
      {32768, 1234, 1234},
      {16384, 8192, 16384},
      {20000, 12345, 20226},  // 20225.8
      {3, 1, 10923},          // 10922.7
      {100, 200, 32768},      // clamps to full
  });
}

TEST(Unpremultiply, FloatDividesWithoutClamp) {
  checkUnpremultiply<PixelF, float>(DEPTH_FLOAT, {
      {0.0f, 0.3f, 0.3f},
      {0.5f, 0.25f, 0.5f},
      {0.25f, 0.5f, 2.0f},  // above 1.0 is kept
      {1.0f, -0.5f, -0.5f},
  });
}

TEST(CopyImage, CopiesTheOverlapAndNothingElse) {
  OwnedImage source(3, 2, DEPTH_8, 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x)
      source.at<Pixel8>(x, y) = {static_cast<uint8_t>(10 * x + y), 1, 2, static_cast<uint8_t>(x)};
  OwnedImage destination(2, 3, DEPTH_8, 1);
  const Pixel8 marker{9, 9, 9, 9};
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) destination.image.row<Pixel8>(y)[x] = marker;  // padding too
  ASSERT_EQ(copyImage(source.image, destination.image), ERR_NONE);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 3; ++x) {
      const bool copied = x < 2 && y < 2;
      EXPECT_EQ(destination.image.row<Pixel8>(y)[x], copied ? source.at<Pixel8>(x, y) : marker)
          << x << "," << y;
    }
  }
}

TEST(CopyImage, CopiesWholeFloatPixels) {
  OwnedImage source(2, 1, DEPTH_FLOAT);
  source.at<PixelF>(0, 0) = {0.5f, 1.5f, -1.0f, 0.25f};
  source.at<PixelF>(1, 0) = {1.0f, 0.0f, 0.0f, 1.0f};
  OwnedImage destination(2, 1, DEPTH_FLOAT);
  ASSERT_EQ(copyImage(source.image, destination.image), ERR_NONE);
  EXPECT_EQ(destination.bytes, source.bytes);
  ASSERT_EQ(copyImage(source.image, source.image), ERR_NONE);  // onto itself: unchanged
  EXPECT_EQ(destination.bytes, source.bytes);
}

TEST(CopyImage, RefusesMismatchedDepthsAndMissingData) {
  OwnedImage eight(2, 2, DEPTH_8), sixteen(2, 2, DEPTH_16);
  EXPECT_EQ(copyImage(eight.image, sixteen.image), ERR_INTERNAL_STRUCT_DAMAGED);
  Image missing = eight.image;
  missing.data = nullptr;
  EXPECT_EQ(copyImage(missing, eight.image), ERR_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(copyImage(eight.image, missing), ERR_INTERNAL_STRUCT_DAMAGED);
}

template <class P>
void checkFill(PixelDepth depth, Pixel8 colour, P expected) {
  OwnedImage image(3, 2, depth, 1);
  const P marker = image.at<P>(3, 1);  // the padding pixel, all zero
  ASSERT_EQ(fillImage(image.image, colour), ERR_NONE);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(image.at<P>(x, y), expected) << x << "," << y;
    EXPECT_EQ(image.image.row<P>(y)[3], marker) << "padding of row " << y;
  }
}

TEST(FillImage, ConvertsTheColourToEachDepth) {
  const Pixel8 colour{128, 255, 0, 1};
  checkFill<Pixel8>(DEPTH_8, colour, colour);
  checkFill<Pixel16>(DEPTH_16, colour, {16448, 32768, 0, 129});
  checkFill<PixelF>(DEPTH_FLOAT, colour,
                    {static_cast<float>(128 / 255.0), 1.0f, 0.0f, static_cast<float>(1 / 255.0)});
}

class NewImageByDepth : public ::testing::TestWithParam<PixelDepth> {};

TEST_P(NewImageByDepth, IsClearedWithRowsOfWholePixels) {
  const PixelDepth depth = GetParam();
  for (const auto& [width, height] : {std::pair{3, 2}, std::pair{1, 7}, std::pair{0, 0}, std::pair{5, 0}}) {
    Image image{};
    ASSERT_EQ(newImage(width, height, depth, image), ERR_NONE) << width << "x" << height;
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.depth, depth);
    EXPECT_NE(image.data, nullptr);
    EXPECT_EQ(image.rowBytes % pixelSize(depth), 0);
    EXPECT_GE(image.rowBytes, width * pixelSize(depth));
    const auto* bytes = static_cast<const unsigned char*>(image.data);
    const int32_t count = image.rowBytes * height;
    for (int32_t i = 0; i < count; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
    disposeImage(image);
    EXPECT_EQ(image.data, nullptr);
    EXPECT_EQ(image.width, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, NewImageByDepth, ::testing::Values(DEPTH_8, DEPTH_16, DEPTH_FLOAT));

TEST(NewImage, RefusesWhatCannotBeHadWithOutOfMemory) {
  constexpr int32_t MAX = std::numeric_limits<int32_t>::max();
  struct Case {
    int32_t width, height;
    PixelDepth depth;
    uint64_t limit;
    ErrorCode expected;
  };
  const Case cases[] = {
      {-1, 2, DEPTH_8, DEFAULT_ALLOCATION_LIMIT, ERR_OUT_OF_MEMORY},
      {2, -1, DEPTH_8, DEFAULT_ALLOCATION_LIMIT, ERR_OUT_OF_MEMORY},
      {MAX, 1, DEPTH_8, DEFAULT_ALLOCATION_LIMIT, ERR_OUT_OF_MEMORY},        // rowBytes overflows int32
      {1 << 28, 1, DEPTH_16, DEFAULT_ALLOCATION_LIMIT, ERR_OUT_OF_MEMORY},  // 2^31 bytes per row
      {1 << 20, MAX, DEPTH_8, DEFAULT_ALLOCATION_LIMIT, ERR_OUT_OF_MEMORY}, // 8 PiB in all
      {65536, 65536, DEPTH_FLOAT, DEFAULT_ALLOCATION_LIMIT, ERR_OUT_OF_MEMORY},
      {10, 10, DEPTH_8, 399, ERR_OUT_OF_MEMORY},
      {10, 10, DEPTH_8, 400, ERR_NONE},
      {10, 10, static_cast<PixelDepth>(3), DEFAULT_ALLOCATION_LIMIT, ERR_BAD_CALLBACK_PARAM},
  };
  for (const Case& c : cases) {
    int32_t stale = 0;
    Image image{1, 1, 4, DEPTH_8, &stale};  // stale contents must not survive a refusal
    EXPECT_EQ(newImage(c.width, c.height, c.depth, image, c.limit), c.expected)
        << c.width << "x" << c.height << " depth " << c.depth << " limit " << c.limit;
    if (c.expected == ERR_NONE) {
      EXPECT_NE(image.data, nullptr);
      disposeImage(image);
    } else {
      EXPECT_EQ(image.data, nullptr);
      EXPECT_EQ(image.width, 0);
    }
  }
}

TEST(NewKernel, IsZeroedOrNull) {
  int32_t* kernel = newKernel(7);
  ASSERT_NE(kernel, nullptr);
  for (int32_t i = 0; i < 7; ++i) EXPECT_EQ(kernel[i], 0);
  disposeKernel(kernel);

  EXPECT_EQ(newKernel(0), nullptr);
  EXPECT_EQ(newKernel(-3), nullptr);
  EXPECT_EQ(newKernel(std::numeric_limits<int32_t>::max()), nullptr);  // 8 GiB: over the default limit
  EXPECT_EQ(newKernel(100, 399), nullptr);
  kernel = newKernel(100, 400);
  EXPECT_NE(kernel, nullptr);
  disposeKernel(kernel);
}

}  // namespace
}  // namespace quiltora::offline
