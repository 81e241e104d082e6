#include "engine/stroke.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/pixel_traits.h"
#include "engine/tile_shapes.h"
#include "tests/support/fake_services.h"
#include "tests/support/owned_image.h"

namespace quiltora {
namespace {

using testing::FakeTileServices;
using testing::OwnedImage;

struct StrokeCase {
  RenderSettings settings;
  TileGeometry geometry;
  OwnedImage tile;
  OwnedImage stroke;

  StrokeCase(PixelDepth depth, double tileSize, double strokeSize, int32_t blur, double opacity = 1.0,
             double strokeOpacity = 1.0)
      : settings(makeSettings(tileSize, strokeSize, blur, opacity, strokeOpacity)),
        geometry(computeTileGeometry(settings, {})),
        tile(geometry.tileSide, geometry.tileSide, depth),
        stroke(geometry.tileSide, geometry.tileSide, depth, 2) {
    FakeTileServices services;
    EXPECT_EQ(drawTileShape(settings, geometry, {}, depth, tile.image, services), 0);
  }

  static RenderSettings makeSettings(double tileSize, double strokeSize, int32_t blur, double opacity,
                                     double strokeOpacity) {
    RenderParamValues v;
    v.tileSize = tileSize;
    v.strokeColor = {9, 40, 50, 60};
    RenderSettings s = buildRenderSettings(v, 1, 1);
    s.strokeSize = strokeSize;
    s.dropshadowBlur = blur;
    s.opacity = opacity;
    s.strokeOpacity = strokeOpacity;
    return s;
  }

  void apply() { applyStrokeAndOpacity(settings, geometry, tile.image.depth, tile.image, stroke.image); }
  int c() const { return geometry.tileCenter; }
};

TEST(ApplyStrokeAndOpacity, DiscAroundACircle8) {
  StrokeCase sc(DEPTH_8, 20, 2, 0);  // R 10, r 2, tileSide 25
  ASSERT_EQ(sc.geometry.tileSide, 25);
  sc.apply();
  const int c = sc.c();
  EXPECT_EQ(sc.stroke.at<Pixel8>(c + 11, c), (Pixel8{255, 40, 50, 60}));  // its disc reaches (9, 0)
  EXPECT_EQ(sc.stroke.at<Pixel8>(c + 12, c).alpha, 127);  // only the edge pixel (10, 0) is in reach
  EXPECT_EQ(sc.stroke.at<Pixel8>(c, c).alpha, 255);       // the interior is part of the stroke
  // A corner pixel whose disc reaches no covered pixel: alpha 0 in the stroke colour.
  EXPECT_EQ(sc.stroke.at<Pixel8>(0, 0), (Pixel8{0, 40, 50, 60}));
}

TEST(ApplyStrokeAndOpacity, OpacitiesTruncateAfterTheStrokeIsGrown) {
  StrokeCase sc(DEPTH_8, 20, 2, 0, 0.0, 0.5);
  sc.apply();
  const int c = sc.c();
  // Opacity 0 empties the tile but the stroke keeps the full silhouette.
  for (int y = 0; y < sc.geometry.tileSide; ++y)
    for (int x = 0; x < sc.geometry.tileSide; ++x) ASSERT_EQ(sc.tile.at<Pixel8>(x, y).alpha, 0);
  EXPECT_EQ(sc.stroke.at<Pixel8>(c, c).alpha, 127);  // 255 x 0.5 truncated
  EXPECT_EQ(sc.stroke.at<Pixel8>(c + 11, c).alpha, 127);
  EXPECT_EQ(sc.stroke.at<Pixel8>(c + 12, c).alpha, 63);
}

TEST(ApplyStrokeAndOpacity, NoStrokeRadiusLeavesTheStrokeBufferTransparent) {
  for (const double strokeSize : {0.0, 0.5, -3.0}) {
    StrokeCase sc(DEPTH_16, 20, strokeSize, 0, 0.5, 0.5);
    sc.apply();
    const int c = sc.c();
    EXPECT_EQ(sc.tile.at<Pixel16>(c, c).alpha, 16384);
    EXPECT_EQ(sc.tile.at<Pixel16>(c + 10, c).alpha, 8192);
    for (int y = 0; y < sc.geometry.tileSide; ++y)
      for (int x = 0; x < sc.geometry.tileSide; ++x) ASSERT_EQ(sc.stroke.at<Pixel16>(x, y), Pixel16{});
  }
}

TEST(ApplyStrokeAndOpacity, DeepDepthsColourAndScale) {
  StrokeCase s16(DEPTH_16, 20, 1, 0, 0.3, 0.7);
  s16.apply();
  const Pixel16 col16 = toPixel16(s16.settings.strokeColor);
  EXPECT_EQ(s16.stroke.at<Pixel16>(s16.c() + 11, s16.c()),
            (Pixel16{static_cast<uint16_t>(16384 * 0.7), col16.red, col16.green, col16.blue}));
  EXPECT_EQ(s16.tile.at<Pixel16>(s16.c(), s16.c()).alpha, static_cast<uint16_t>(32768 * 0.3));

  StrokeCase sF(DEPTH_FLOAT, 20, 1, 0, 0.3, 0.7);
  sF.apply();
  const PixelF colF = toPixelF(sF.settings.strokeColor);
  EXPECT_EQ(sF.stroke.at<PixelF>(sF.c() + 11, sF.c()),
            (PixelF{static_cast<float>(0.5f * 0.7), colF.red, colF.green, colF.blue}));
  EXPECT_EQ(sF.tile.at<PixelF>(sF.c(), sF.c()).alpha, static_cast<float>(0.3));  // not quantised
}

TEST(ApplyStrokeAndOpacity, BandStaysTransparentInBothBuffers) {
  for (const PixelDepth depth : {DEPTH_8, DEPTH_16, DEPTH_FLOAT}) {
    StrokeCase sc(depth, 20, 3, 4, 0.8, 0.9);
    sc.apply();
    const TileGeometry& g = sc.geometry;
    for (int y = 0; y < g.tileSide; ++y)
      for (int x = 0; x < g.tileSide; ++x) {
        const bool inBand = x < g.blurRadius || y < g.blurRadius || x >= g.tileSide - g.blurRadius ||
                            y >= g.tileSide - g.blurRadius;
        if (!inBand) continue;
        for (const OwnedImage* im : {&sc.tile, &sc.stroke}) {
          const auto* bytes = reinterpret_cast<const unsigned char*>(&im->image.row<char>(y)[x * pixelSize(depth)]);
          for (int b = 0; b < pixelSize(depth); ++b) ASSERT_EQ(bytes[b], 0) << depth << " " << x << "," << y;
        }
      }
  }
}

// The grown alpha is the largest tile alpha over the integer disc of radius r,
// read inside the buffer only. Checked against a literal scan on random tiles.
template <class T>
void checkDiscMaximum(int32_t r, uint32_t seed) {
  using Pixel = typename T::Pixel;
  StrokeCase sc(T::depth, 14, r, 2);
  std::mt19937 random(seed);
  const TileGeometry& g = sc.geometry;
  for (int y = g.blurRadius; y < g.tileSide - g.blurRadius; ++y)
    for (int x = g.blurRadius; x < g.tileSide - g.blurRadius; ++x) {
      const uint32_t n = random() % 8;
      // Mostly empty, some partial, a few full: the early exit must not change the maximum.
      sc.tile.at<Pixel>(x, y).alpha = n < 5 ? 0 : n < 7 ? T::fromRamp(T::RAMP_HALF * (random() % 1000) / 500.0) : T::FULL;
    }
  OwnedImage before(g.tileSide, g.tileSide, T::depth);
  for (int y = 0; y < g.tileSide; ++y)
    for (int x = 0; x < g.tileSide; ++x) before.at<Pixel>(x, y) = sc.tile.at<Pixel>(x, y);
  sc.apply();
  for (int y = g.blurRadius; y < g.tileSide - g.blurRadius; ++y)
    for (int x = g.blurRadius; x < g.tileSide - g.blurRadius; ++x) {
      typename T::Channel m = 0;
      for (int oy = -r; oy <= r; ++oy)
        for (int ox = -r; ox <= r; ++ox) {
          const int nx = x + ox, ny = y + oy;
          if (ox * ox + oy * oy <= r * r && nx >= 0 && ny >= 0 && nx < g.tileSide && ny < g.tileSide)
            m = std::max(m, before.at<Pixel>(nx, ny).alpha);
        }
      ASSERT_EQ(sc.stroke.at<Pixel>(x, y).alpha, m) << "r " << r << " at " << x << "," << y;
    }
}

TEST(ApplyStrokeAndOpacity, GrowsByTheIntegerDiscInEveryDepth) {
  for (const int32_t r : {1, 2, 3, 5}) {
    checkDiscMaximum<Traits8>(r, 11u * r);
    checkDiscMaximum<Traits16>(r, 13u * r);
    checkDiscMaximum<TraitsF>(r, 17u * r);
  }
}

}  // namespace
}  // namespace quiltora
