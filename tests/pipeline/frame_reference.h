// An independent reference for whole frames at angle 0 with a whole-number
// tile size and Offset: every cell then sits on whole pixels, every stamp is an
// exact copy of the tile buffer, and the frame can be built by indexing the
// buffers directly, without the lattice enumeration or the sampler.
#pragma once

#include <vector>

#include "engine/pixel_traits.h"
#include "engine/stroke.h"
#include "engine/tile_shapes.h"
#include "tests/support/fake_services.h"
#include "tests/support/owned_image.h"

namespace quiltora::testing {

template <class T>
void referenceFrame(const RenderSettings& s, const Image& input, Image& output) {
  using Pixel = typename T::Pixel;
  const int32_t W = input.width, H = input.height;
  const TileGeometry g = computeTileGeometry(s, {});
  OwnedImage tile(g.tileSide, g.tileSide, T::depth);
  OwnedImage stroke(g.tileSide, g.tileSide, T::depth);
  FakeTileServices none;
  drawTileShape(s, g, {}, T::depth, tile.image, none);
  applyStrokeAndOpacity(s, g, T::depth, tile.image, stroke.image);

  const int32_t step = static_cast<int32_t>(s.tileSize);
  const int32_t tc = g.tileCenter;
  // Cells on the whole-pixel lattice through (ox, oy), rows then columns, culled as the engine culls.
  auto forCells = [&](int32_t ox, int32_t oy, auto&& f) {
    const int32_t a0 = -(ox + tc) / step - 2, b0 = -(oy + tc) / step - 2;
    for (int32_t b = b0; oy + b * step <= H + tc; ++b)
      for (int32_t a = a0; ox + a * step <= W + tc; ++a) {
        const int32_t cx = ox + a * step, cy = oy + b * step;
        if (cx >= -tc && cy >= -tc) f(cx, cy);
      }
  };
  auto stamp = [&](Image& target, const Image& source, int32_t ox, int32_t oy, int32_t r, auto&& shade) {
    forCells(ox, oy, [&](int32_t cx, int32_t cy) {
      for (int32_t j = -r; j <= r; ++j)
        for (int32_t i = -r; i <= r; ++i) {
          const int32_t x = cx + i, y = cy + j;
          if (x < 0 || y < 0 || x >= W || y >= H) continue;
          Pixel& d = target.at<Pixel>(x, y);
          d = T::over(d, shade(source.at<Pixel>(tc + i, tc + j)));
        }
    });
  };

  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < output.width; ++x)
      output.at<Pixel>(x, y) = s.background == BACKGROUND_ON_ORIGINAL && x < W ? input.at<Pixel>(x, y) : Pixel{};

  const int32_t ox = s.offsetX >> 16, oy = s.offsetY >> 16;
  OwnedImage pattern(W, H, T::depth);
  auto identity = [](const Pixel& p) { return p; };
  const int32_t r = tc - g.blurRadius;
  if (g.strokeRadius >= 1) stamp(pattern.image, stroke.image, ox, oy, r, identity);
  stamp(pattern.image, tile.image, ox, oy, r, identity);

  if (s.dropshadowOn) {  // a sharp shadow (no blur), moved straight down by a whole distance
    if (g.strokeRadius >= 1)
      for (int32_t y = 0; y < g.tileSide; ++y)
        for (int32_t x = 0; x < g.tileSide; ++x)
          tile.at<Pixel>(x, y) = T::over(stroke.at<Pixel>(x, y), tile.at<Pixel>(x, y));
    Pixel colour = T::color(s.dropshadowColor);
    stamp(output, tile.image, ox, oy + static_cast<int32_t>(s.dropshadowDistance), tc, [&](const Pixel& p) {
      colour.alpha = T::scaleAlpha(p.alpha, s.dropshadowOpacity);
      return colour;
    });
  }
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) output.at<Pixel>(x, y) = T::over(output.at<Pixel>(x, y), pattern.at<Pixel>(x, y));
}

}  // namespace quiltora::testing
