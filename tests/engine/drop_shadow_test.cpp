#include "engine/drop_shadow.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/pixel_traits.h"
#include "tests/support/owned_image.h"
#include "tests/support/recording_sampler.h"

namespace quiltora {
namespace {

using testing::OwnedImage;
using testing::RecordingSampler;

TEST(ShadowOffset, AngleClockwiseFromUp) {
  RenderSettings s = buildRenderSettings(RenderParamValues{}, 1, 1);
  s.dropshadowDistance = 10;
  const struct { double angle, dx, dy; } cases[] = {
      {0, 0, -10}, {90, 10, -6.123233995736766e-16}, {180, 1.2246467991473533e-15, 10}, {270, -10, 1.8369701987210296e-15},
  };
  for (const auto& c : cases) {
    s.dropshadowAngle = c.angle;
    const PointD o = shadowOffset(s);
    EXPECT_NEAR(o.x, c.dx, 1e-14) << c.angle;
    EXPECT_NEAR(o.y, c.dy, 1e-14) << c.angle;
    EXPECT_TRUE((o.x > 0) == (c.dx > 0) && (o.y > 0) == (c.dy > 0)) << c.angle;  // the residues' signs
  }
  s.dropshadowAngle = 0;
  s.dropshadowDistance = -10;
  EXPECT_EQ(shadowOffset(s).y, 10.0);  // a negative distance points down
}

struct ConvolveCall {
  int32_t count;
  bool vertical;
  int32_t firstWeight;
};

struct ShadowServices : RecordingSampler {
  std::vector<ConvolveCall> convolutions;
  ErrorCode convolveError = 0;
  ErrorCode convolveImage(Image&, const int32_t* kernel, int32_t count, bool vertical) override {
    convolutions.push_back({count, vertical, kernel[0]});
    return convolveError;
  }
};

template <class T>
struct ShadowCase {
  RenderSettings settings = buildRenderSettings(RenderParamValues{}, 1, 1);
  TileGeometry geometry;
  Lattice lattice;
  OwnedImage tile, stroke;
  OwnedImage output{100, 60, T::depth};
  std::vector<int32_t> kernel;
  ShadowServices services;
  ErrorCode error = 0;

  ShadowCase(int32_t strokeSize, int32_t blur)
      : geometry(makeGeometry(strokeSize, blur)),
        tile(geometry.tileSide, geometry.tileSide, T::depth),
        stroke(geometry.tileSide, geometry.tileSide, T::depth),
        kernel(2 * geometry.blurRadius + 1, 255) {
    settings.dropshadowOn = 1;
    settings.dropshadowColor = {0, 10, 20, 30};
    settings.dropshadowOpacity = 0.5;
    settings.dropshadowDistance = 0;
    settings.offsetX = 50 << 16;
    settings.offsetY = 30 << 16;
    settings.angle = 0;
    settings.tileSize = 1000;  // one cell, at the Offset point
    lattice = buildLattice(settings, 100, 60, geometry.tileSide, geometry.tileCenter);
  }
  TileGeometry makeGeometry(int32_t strokeSize, int32_t blur) {
    settings.tileSize = 10;
    settings.strokeSize = strokeSize;
    settings.dropshadowBlur = blur;
    return computeTileGeometry(settings, {});
  }
  void run() {
    stampShadows(settings, geometry, lattice, tile.image, stroke.image, kernel.data(), output.image, T::depth,
                 services, error);
  }
};

TEST(StampShadows, OffNothingHappens) {
  ShadowCase<Traits8> sc(1, 2);
  sc.settings.dropshadowOn = 0;
  sc.tile.at<Pixel8>(3, 3) = {9, 9, 9, 9};
  sc.run();
  EXPECT_TRUE(sc.services.positions.empty());
  EXPECT_TRUE(sc.services.convolutions.empty());
  EXPECT_EQ(sc.tile.at<Pixel8>(3, 3), (Pixel8{9, 9, 9, 9}));
}

TEST(StampShadows, ShadowColourWithScaledAlphaInEachDepth) {
  ShadowCase<Traits8> s8(0, 0);
  s8.run();
  EXPECT_EQ(s8.output.at<Pixel8>(50, 30), (Pixel8{127, 10, 20, 30}));  // opaque sample x 0.5, truncated
  // The window is the whole buffer: radius tileCenter around the cell.
  EXPECT_EQ(s8.services.positions.size(), size_t(s8.geometry.tileSide) * s8.geometry.tileSide);

  ShadowCase<Traits16> s16(0, 0);
  s16.run();
  const Pixel16 c16 = toPixel16(s16.settings.dropshadowColor);
  EXPECT_EQ(s16.output.at<Pixel16>(50, 30), (Pixel16{16384, c16.red, c16.green, c16.blue}));

  ShadowCase<TraitsF> sF(0, 0);
  sF.run();
  const PixelF cF = toPixelF(sF.settings.dropshadowColor);
  EXPECT_EQ(sF.output.at<PixelF>(50, 30), (PixelF{0.5f, cF.red, cF.green, cF.blue}));
}

TEST(StampShadows, SilhouetteIsTileOverStrokeThenRowsThenColumnsBlur) {
  ShadowCase<Traits8> sc(2, 3);
  sc.tile.at<Pixel8>(5, 5) = {128, 255, 0, 0};
  sc.stroke.at<Pixel8>(5, 5) = {255, 0, 0, 255};
  sc.stroke.at<Pixel8>(6, 5) = {200, 1, 2, 3};
  sc.run();
  EXPECT_EQ(sc.tile.at<Pixel8>(5, 5), (Pixel8{255, 128, 0, 127}));
  EXPECT_EQ(sc.tile.at<Pixel8>(6, 5), (Pixel8{200, 1, 2, 3}));  // transparent tile over stroke
  ASSERT_EQ(sc.services.convolutions.size(), 2u);
  EXPECT_EQ(sc.services.convolutions[0].count, 7);
  EXPECT_FALSE(sc.services.convolutions[0].vertical);
  EXPECT_TRUE(sc.services.convolutions[1].vertical);
  EXPECT_EQ(sc.services.convolutions[1].firstWeight, 255);
}

TEST(StampShadows, ConvolutionErrorStopsHostCalls) {
  ShadowCase<Traits8> s8(0, 2);
  s8.services.convolveError = 4;
  s8.run();
  EXPECT_EQ(s8.error, 4);
  EXPECT_EQ(s8.services.convolutions.size(), 1u);
  EXPECT_TRUE(s8.services.positions.empty());
  // 8 bits still composites (without sampling); 16 bits skips the pass.
  EXPECT_NE(s8.output.at<Pixel8>(50, 30), Pixel8{});

  ShadowCase<Traits16> s16(0, 2);
  s16.error = 7;  // an error pending from the tile passes
  s16.run();
  EXPECT_TRUE(s16.services.convolutions.empty());
  EXPECT_EQ(s16.output.at<Pixel16>(50, 30), Pixel16{});
}

TEST(StampShadows, ShadowCellsAreTruncatedInEveryDepth) {
  ShadowCase<Traits8> sc(0, 0);
  sc.settings.offsetX = 0;
  sc.settings.dropshadowDistance = 3.4;
  sc.settings.dropshadowAngle = 270;  // moves the cell to x = -3.4
  sc.run();
  const int32_t c = sc.geometry.tileCenter;  // truncation: cx = -3, the window ends at -3 + c
  EXPECT_NE(sc.output.at<Pixel8>(c - 3, 30), Pixel8{});
  EXPECT_EQ(sc.output.at<Pixel8>(c - 2, 30), Pixel8{});
}

}  // namespace
}  // namespace quiltora
