// The offline samplers: bilinear sampling on and between pixel centres and
// beyond the edges, and the premultiplied box average with its edge coverage,
// rounding and small-radius fallback, in all three depths.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "engine/pixel_traits.h"
#include "offline/image_ops.h"
#include "tests/support/owned_image.h"

namespace quiltora::offline {
namespace {

using testing::OwnedImage;

constexpr Fixed at(double v) { return static_cast<Fixed>(v * 65536.0); }  // exact for the values used

template <class P, class C>
P uniform(C v) {
  return P{v, v, v, v};
}

template <class T>
void fillWith(OwnedImage& image, typename T::Pixel p) {
  for (int32_t y = 0; y < image.image.height; ++y)
    for (int32_t x = 0; x < image.image.width; ++x) image.at<typename T::Pixel>(x, y) = p;
}

// A channel value per depth whose fractions 1/2, 1/4 and 3/4 are exact.
template <class T> typename T::Channel exactValue();
template <> uint8_t exactValue<Traits8>() { return 200; }
template <> uint16_t exactValue<Traits16>() { return 32768; }
template <> float exactValue<TraitsF>() { return 1.0f; }

template <class T>
class SamplingByDepth : public ::testing::Test {};
using Depths = ::testing::Types<Traits8, Traits16, TraitsF>;
TYPED_TEST_SUITE(SamplingByDepth, Depths);

TYPED_TEST(SamplingByDepth, PixelCentreReturnsThePixelExactly) {
  using T = TypeParam;
  using P = typename T::Pixel;
  OwnedImage image(3, 2, T::depth, /*extraRowPixels=*/1);
  const Pixel8 colours[6] = {{255, 0, 0, 0}, {1, 2, 3, 4}, {128, 254, 127, 129},
                             {0, 255, 255, 255}, {200, 10, 20, 30}, {77, 0, 254, 1}};
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) image.at<P>(x, y) = T::color(colours[y * 3 + x]);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) {
      P out{};
      ASSERT_EQ(subpixelSample(image.image, at(x + 0.5), at(y + 0.5), out), ERR_NONE);
      EXPECT_EQ(out, image.at<P>(x, y)) << "pixel " << x << "," << y;
    }
  }
}

TYPED_TEST(SamplingByDepth, EdgesFadeIntoTheZeroOutside) {
  using T = TypeParam;
  using P = typename T::Pixel;
  OwnedImage image(1, 1, T::depth);
  const auto v = exactValue<T>();
  image.at<P>(0, 0) = uniform<P>(v);
  struct Case {
    double x, y, fraction;
  };
  const Case cases[] = {
      {0.5, 0.5, 1.0},    {1.0, 0.5, 0.5},   {0.0, 0.5, 0.5},   {0.75, 0.5, 0.75},
      {0.25, 0.5, 0.75},  {1.25, 0.5, 0.25}, {0.5, -0.25, 0.25}, {1.0, 1.0, 0.25},
      {1.5, 0.5, 0.0},    {-0.5, 0.5, 0.0},  {0.5, 2.0, 0.0},
  };
  for (const Case& c : cases) {
    P out{};
    ASSERT_EQ(subpixelSample(image.image, at(c.x), at(c.y), out), ERR_NONE);
    const auto expected = static_cast<typename T::Channel>(v * c.fraction);
    EXPECT_EQ(out, uniform<P>(expected)) << "at " << c.x << "," << c.y;
  }
}

TYPED_TEST(SamplingByDepth, FarOutsidePositionsReadZero) {
  using T = TypeParam;
  using P = typename T::Pixel;
  OwnedImage image(2, 2, T::depth);
  fillWith<T>(image, uniform<P>(exactValue<T>()));
  constexpr Fixed MIN = std::numeric_limits<Fixed>::min(), MAX = std::numeric_limits<Fixed>::max();
  const Fixed positions[][2] = {{MIN, MIN}, {MAX, MAX}, {MIN, at(1)}, {at(1), MAX}, {MAX, MIN}};
  for (const auto& pos : positions) {
    P out = uniform<P>(exactValue<T>());
    ASSERT_EQ(subpixelSample(image.image, pos[0], pos[1], out), ERR_NONE);
    EXPECT_EQ(out, P{}) << pos[0] << "," << pos[1];
    out = uniform<P>(exactValue<T>());
    ASSERT_EQ(areaSample(image.image, pos[0], pos[1], MAX, MAX, out), ERR_NONE);
    // The 2x2 image is at most a 2^-30 share of that box: nothing survives
    // rounding, and float keeps only a trace.
    for (auto c : {out.alpha, out.red, out.green, out.blue}) EXPECT_NEAR(c, 0.0, 1e-8);
  }
}

// Between two pixels of a row: alpha runs from v0 to v1, red from v1 to v0,
// so each case checks both directions of the weighting.
struct HalfwayCase {
  int v0, v1;
  int32_t fx;  // distance past the left centre, 1/65536 pixel
  int alpha, red;
};

template <class P>
void checkHalfway(PixelDepth depth, const HalfwayCase& c) {
  OwnedImage image(2, 1, depth);
  using C = decltype(P{}.alpha);
  image.at<P>(0, 0) = {static_cast<C>(c.v0), static_cast<C>(c.v1), 0, 0};
  image.at<P>(1, 0) = {static_cast<C>(c.v1), static_cast<C>(c.v0), 0, 0};
  P out{};
  ASSERT_EQ(subpixelSample(image.image, 32768 + c.fx, 32768, out), ERR_NONE);
  EXPECT_EQ(out.alpha, c.alpha) << c.v0 << "->" << c.v1 << " at " << c.fx;
  EXPECT_EQ(out.red, c.red) << c.v1 << "->" << c.v0 << " at " << c.fx;
}

TEST(SubpixelSample, IntegerDepthsRoundToNearestWithHalvesUp) {
  const HalfwayCase cases8[] = {
      {10, 11, 32768, 11, 11},     // 10.5 both ways: up
      {0, 1, 32768, 1, 1},         // 0.5: up
      {0, 1, 32767, 0, 1},         // just below / just above a half
      {0, 255, 16384, 64, 191},    // 63.75 and 191.25
      {100, 200, 1, 100, 200},     // a 65536th of the way
      {0, 255, 65535, 255, 0},     // 254.996 and 0.004
  };
  for (const auto& c : cases8) checkHalfway<Pixel8>(DEPTH_8, c);
  const HalfwayCase cases16[] = {
      {0, 32768, 16384, 8192, 24576},
      {32767, 32768, 32768, 32768, 32768},  // 32767.5 both ways: up
      {0, 3, 21846, 1, 2},                  // 1.00003 and 1.99997
  };
  for (const auto& c : cases16) checkHalfway<Pixel16>(DEPTH_16, c);
}

TEST(SubpixelSample, InterpolatesInBothDirections) {
  OwnedImage image(2, 2, DEPTH_8);
  image.at<Pixel8>(0, 0) = {0, 0, 0, 0};
  image.at<Pixel8>(1, 0) = {255, 0, 0, 40};
  image.at<Pixel8>(0, 1) = {255, 0, 0, 80};
  image.at<Pixel8>(1, 1) = {0, 0, 0, 120};
  Pixel8 out{};
  ASSERT_EQ(subpixelSample(image.image, at(1.0), at(1.0), out), ERR_NONE);
  EXPECT_EQ(out, (Pixel8{128, 0, 0, 60}));  // alpha 127.5 rounds up
  ASSERT_EQ(subpixelSample(image.image, at(0.75), at(0.75), out), ERR_NONE);
  // alpha: 63.75 x 0.75 + 191.25 x 0.25 = 95.625; blue: 10 x 0.75 + 90 x 0.25 = 30
  EXPECT_EQ(out, (Pixel8{96, 0, 0, 30}));
}

TEST(SubpixelSample, FloatWeightsInDouble) {
  OwnedImage image(2, 1, DEPTH_FLOAT);
  image.at<PixelF>(0, 0) = {0.0f, 0.1f, -2.0f, 0.0f};
  image.at<PixelF>(1, 0) = {1.0f, 0.3f, 2.0f, 0.0f};
  PixelF out{};
  ASSERT_EQ(subpixelSample(image.image, 32768 + 16384, 32768, out), ERR_NONE);
  EXPECT_EQ(out.alpha, 0.25f);
  EXPECT_FLOAT_EQ(out.red, 0.15f);
  EXPECT_EQ(out.green, -1.0f);  // values outside 0..1 pass through
}

TEST(SubpixelSample, FloatCentreIgnoresNonFiniteNeighbours) {
  OwnedImage image(2, 2, DEPTH_FLOAT);
  const float inf = std::numeric_limits<float>::infinity();
  image.at<PixelF>(0, 0) = {0.5f, -0.0f, 0.25f, 1.0f};
  image.at<PixelF>(1, 0) = {inf, inf, inf, inf};
  image.at<PixelF>(0, 1) = {inf, inf, inf, inf};
  image.at<PixelF>(1, 1) = {inf, inf, inf, inf};
  PixelF out{};
  ASSERT_EQ(subpixelSample(image.image, at(0.5), at(0.5), out), ERR_NONE);
  EXPECT_EQ(out.alpha, 0.5f);
  EXPECT_TRUE(out.red == 0.0f && std::signbit(out.red));  // -0.0 kept
  EXPECT_EQ(out.green, 0.25f);
  EXPECT_EQ(out.blue, 1.0f);
}

// --- area sampling -------------------------------------------------------

// A uniform colour and its premultiplied form, exact in each depth.
template <class T> struct UniformCase;
template <> struct UniformCase<Traits8> {
  static constexpr Pixel8 straight{128, 255, 100, 0};
  static constexpr Pixel8 premultiplied{128, 128, 50, 0};  // 100 x 128 / 255 = 50.2
};
template <> struct UniformCase<Traits16> {
  static constexpr Pixel16 straight{16448, 32768, 12850, 0};
  static constexpr Pixel16 premultiplied{16448, 16448, 6450, 0};  // 12850 x 16448 / 32768 = 6450.1
};
template <> struct UniformCase<TraitsF> {
  static constexpr PixelF straight{0.5f, 1.0f, 0.25f, 0.0f};
  static constexpr PixelF premultiplied{0.5f, 0.5f, 0.125f, 0.0f};
};

TYPED_TEST(SamplingByDepth, AreaSampleOfUniformImageIsItsColourPremultiplied) {
  using T = TypeParam;
  OwnedImage image(6, 6, T::depth, 2);
  fillWith<T>(image, UniformCase<T>::straight);
  struct Box {
    double x, y, rx, ry;
  };
  // Boxes inside the image at fractional places, from exactly one pixel to
  // many partly covered ones, and one below the 0.5 threshold (bilinear).
  const Box boxes[] = {{3.0, 3.0, 0.5, 0.5},  {2.7, 3.3, 1.0, 1.0}, {3.0, 3.0, 1.75, 0.6},
                       {3.1, 2.9, 2.5, 2.5},  {3.0, 3.0, 3.0, 3.0}, {2.2, 4.1, 0.25, 0.25}};
  for (const Box& b : boxes) {
    typename T::Pixel out{};
    ASSERT_EQ(areaSample(image.image, toFixed(b.x), toFixed(b.y), toFixed(b.rx), toFixed(b.ry), out), ERR_NONE);
    EXPECT_EQ(out, UniformCase<T>::premultiplied) << b.x << "," << b.y << " r " << b.rx << "," << b.ry;
  }
}

TYPED_TEST(SamplingByDepth, AreaSampleBoxFourTimesTheImageAveragesInTheTransparentOutside) {
  using T = TypeParam;
  using P = typename T::Pixel;
  OwnedImage image(64, 64, T::depth);
  fillWith<T>(image, uniform<P>(T::FULL));
  P out{};
  ASSERT_EQ(areaSample(image.image, at(32), at(32), at(64), at(64), out), ERR_NONE);
  // A quarter of the box is image, opaque and full colour.
  const auto quarter = static_cast<typename T::Channel>(T::FULL == 255 ? 64 : T::FULL / 4);  // 63.75 rounds up
  EXPECT_EQ(out, uniform<P>(quarter));
}

TEST(AreaSample, EdgesWeighOnlyTheCoveredPart) {
  OwnedImage image(4, 4, DEPTH_8);
  fillWith<Traits8>(image, {200, 255, 255, 255});
  struct Case {
    double x, y, rx, ry;
    uint8_t expected;  // every channel: 200 x covered share (colour 255 premultiplied equals alpha)
  };
  const Case cases[] = {
      {0.0, 2.0, 1.0, 1.0, 100},   // half the box left of the image
      {0.0, 0.0, 1.0, 1.0, 50},    // a quarter at the corner
      {4.0, 4.0, 2.0, 2.0, 50},    // the opposite corner
      {0.25, 2.0, 0.5, 1.0, 150},  // [-0.25, 0.75]: three quarters inside
      {2.0, 4.5, 2.0, 1.0, 50},    // [3.5, 5.5]: a quarter inside
      {-1.0, 2.0, 1.0, 1.0, 0},    // touches the edge from outside
      {2.0, 2.0, 10.0, 10.0, 8},   // 16 of 400 square pixels
  };
  for (const Case& c : cases) {
    Pixel8 out{1, 1, 1, 1};
    ASSERT_EQ(areaSample(image.image, toFixed(c.x), toFixed(c.y), toFixed(c.rx), toFixed(c.ry), out), ERR_NONE);
    EXPECT_EQ(out, uniform<Pixel8>(c.expected)) << c.x << "," << c.y << " r " << c.rx << "," << c.ry;
  }
}

TEST(AreaSample, WeightsEachPixelByOverlapAndColourByAlpha) {
  struct Case {
    Pixel8 left, right;
    Fixed x, rx;  // the box spans one row fully in y
    Pixel8 expected;
  };
  const Pixel8 opaqueRed{255, 255, 0, 0}, faintBlue{51, 0, 0, 255}, clear{0, 0, 0, 0};
  const Case cases[] = {
      // [0.75, 1.75]: a quarter of red, three quarters of blue at alpha 51:
      // alpha 63.75 + 38.25 = 102, red 63.75 -> 64, blue 38.25 -> 38.
      {opaqueRed, faintBlue, at(1.25), at(0.5), {102, 64, 0, 38}},
      // Colour under alpha 0 adds nothing.
      {{0, 255, 255, 255}, {200, 0, 0, 0}, at(1.0), at(0.5), {100, 0, 0, 0}},
      // Exactly half of alpha 1: rounds up; a 65536th less: down.
      {clear, {1, 255, 0, 0}, at(1.0), at(0.5), {1, 1, 0, 0}},
      {{1, 255, 0, 0}, clear, at(1.0) + 1, at(0.5), {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    OwnedImage image(2, 1, DEPTH_8);
    image.at<Pixel8>(0, 0) = c.left;
    image.at<Pixel8>(1, 0) = c.right;
    Pixel8 out{};
    ASSERT_EQ(areaSample(image.image, c.x, at(0.5), c.rx, at(0.5), out), ERR_NONE);
    EXPECT_EQ(out, c.expected) << "x " << c.x << " rx " << c.rx;
  }
}

TEST(AreaSample, RadiiBelowHalfFallBackToBilinearPremultiplied) {
  OwnedImage image(2, 1, DEPTH_8);
  image.at<Pixel8>(0, 0) = {200, 255, 0, 0};
  // Half way to the transparent pixel: bilinear gives (100, 127.5 -> 128, 0, 0),
  // premultiplied 128 x 100 / 255 = 50.2 -> 50.
  const Pixel8 bilinear{100, 50, 0, 0};
  // A 0.5 box averages instead: half of (200, red 255) -> (100, 100).
  const Pixel8 box{100, 100, 0, 0};
  struct Case {
    Fixed rx, ry;
    Pixel8 expected;
  };
  const Case cases[] = {
      {0, 0, bilinear},           {at(0.25), at(0.25), bilinear}, {-at(3), -at(3), bilinear},
      {32767, at(10), bilinear},  {at(10), 32767, bilinear},      {32768, 32768, box},
      {std::numeric_limits<Fixed>::min(), 32768, bilinear},
  };
  for (const Case& c : cases) {
    Pixel8 out{};
    ASSERT_EQ(areaSample(image.image, at(1.0), at(0.5), c.rx, c.ry, out), ERR_NONE);
    EXPECT_EQ(out, c.expected) << "r " << c.rx << "," << c.ry;
  }
}

TEST(AreaSample, FallbackPremultipliesInEveryDepth) {
  OwnedImage image16(1, 1, DEPTH_16);
  image16.at<Pixel16>(0, 0) = {16384, 32768, 3, 1};
  Pixel16 out16{};
  ASSERT_EQ(areaSample(image16.image, at(0.5), at(0.5), 0, 0, out16), ERR_NONE);
  EXPECT_EQ(out16, (Pixel16{16384, 16384, 2, 1}));  // 1.5 and 0.5 round up

  OwnedImage imageF(1, 1, DEPTH_FLOAT);
  imageF.at<PixelF>(0, 0) = {0.5f, 1.5f, 0.25f, -1.0f};
  PixelF outF{};
  ASSERT_EQ(areaSample(imageF.image, at(0.5), at(0.5), 0, 0, outF), ERR_NONE);
  EXPECT_EQ(outF, (PixelF{0.5f, 0.75f, 0.125f, -0.5f}));
}

TEST(AreaSample, SixteenBitFullScaleIsExact) {
  OwnedImage image(3, 3, DEPTH_16);
  fillWith<Traits16>(image, {32768, 32768, 1, 32767});
  Pixel16 out{};
  ASSERT_EQ(areaSample(image.image, at(1.3), at(1.6), at(1.2), at(1.1), out), ERR_NONE);
  EXPECT_EQ(out, (Pixel16{32768, 32768, 1, 32767}));
}

TEST(Sampling, EmptyImagesReadAsTransparent) {
  // Empty images still have a data pointer; only their size is zero.
  std::vector<unsigned char> storage(16);
  const Image narrow{0, 3, 0, DEPTH_8, storage.data()};
  const Image flat{3, 0, 12, DEPTH_8, storage.data()};
  const Image empty{0, 0, 0, DEPTH_8, storage.data()};
  for (const Image& image : {narrow, flat, empty}) {
    Pixel8 out{9, 9, 9, 9};
    ASSERT_EQ(subpixelSample(image, at(0.5), at(0.5), out), ERR_NONE);
    EXPECT_EQ(out, (Pixel8{}));
    out = {9, 9, 9, 9};
    ASSERT_EQ(areaSample(image, at(0.5), at(0.5), at(4), at(4), out), ERR_NONE);
    EXPECT_EQ(out, (Pixel8{}));
  }
}

TEST(Sampling, RefusesImagesThatCannotBeRead) {
  OwnedImage good(2, 2, DEPTH_8);
  Image nullData = good.image;
  nullData.data = nullptr;
  Image shortRows = good.image;
  shortRows.rowBytes = 4;
  Image oddRows = good.image;
  oddRows.rowBytes = 10;
  Image negative = good.image;
  negative.height = -1;
  Image unknownDepth = good.image;
  unknownDepth.depth = static_cast<PixelDepth>(7);
  OwnedImage floats(2, 2, DEPTH_FLOAT);
  Image misaligned = floats.image;
  misaligned.data = static_cast<char*>(misaligned.data) + 1;
  misaligned.width = 1;
  for (const Image& image : {nullData, shortRows, oddRows, negative, unknownDepth}) {
    Pixel8 out{};
    EXPECT_EQ(subpixelSample(image, at(0.5), at(0.5), out), ERR_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(areaSample(image, at(0.5), at(0.5), at(1), at(1), out), ERR_INTERNAL_STRUCT_DAMAGED);
  }
  PixelF outF{};
  EXPECT_EQ(subpixelSample(misaligned, at(0.5), at(0.5), outF), ERR_INTERNAL_STRUCT_DAMAGED);
  // The depth must match the pixel type asked for.
  Pixel16 out16{};
  EXPECT_EQ(subpixelSample(good.image, at(0.5), at(0.5), out16), ERR_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(areaSample(floats.image, at(0.5), at(0.5), at(1), at(1), out16), ERR_INTERNAL_STRUCT_DAMAGED);
}

}  // namespace
}  // namespace quiltora::offline
