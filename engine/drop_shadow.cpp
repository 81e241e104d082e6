#include "engine/drop_shadow.h"

#include <cmath>

#include "engine/pixel_traits.h"
#include "engine/stamping.h"

namespace quiltora {

PointD shadowOffset(const RenderSettings& s) {
  const double a = s.dropshadowAngle * DEG_TO_RAD;
  return {std::sin(a) * s.dropshadowDistance, (-std::cos(a)) * s.dropshadowDistance};
}

namespace {

template <class T>
void shadows(const RenderSettings& s, const TileGeometry& g, const Lattice& lattice, Image& tile,
             const Image& stroke, const int32_t* kernel, Image& output, RenderServices& services,
             ErrorCode& error) {
  using Pixel = typename T::Pixel;
  if (!T::PASSES_RUN_AFTER_ERROR && error != ERR_NONE) return;

  // The tile lies over its stroke, as it does in the pattern.
  if (g.strokeRadius >= 1) {
    for (int32_t y = 0; y < g.tileSide; ++y) {
      Pixel* t = tile.row<Pixel>(y);
      const Pixel* st = stroke.row<const Pixel>(y);
      for (int32_t x = 0; x < g.tileSide; ++x) t[x] = T::over(st[x], t[x]);
    }
  }

  // Rows, then columns: a box blur spreading into the transparent margin.
  if (g.blurRadius > 0) {
    const int32_t count = 2 * g.blurRadius + 1;
    if (error == ERR_NONE) error = services.convolveImage(tile, kernel, count, false);
    if (error == ERR_NONE) error = services.convolveImage(tile, kernel, count, true);
  }

  const PointD offset = shadowOffset(s);
  const PointD origin{s.offsetX / 65536.0 + offset.x, s.offsetY / 65536.0 + offset.y};
  Pixel colour = T::color(s.dropshadowColor);
  const double opacity = s.dropshadowOpacity;
  // The sampled colour is ignored: the shadow colour takes the sampled alpha times the opacity.
  auto shade = [&](const Pixel& p) {
    colour.alpha = T::scaleAlpha(p.alpha, opacity);
    return colour;
  };
  stampBuffer<T>(tile, output, lattice, origin, g.tileCenter, CELL_TRUNCATE, shade, services, error);
}

}  // namespace

void stampShadows(const RenderSettings& settings, const TileGeometry& geometry, const Lattice& lattice,
                  Image& tileBuffer, const Image& strokeBuffer, const int32_t* kernel, Image& output,
                  PixelDepth depth, RenderServices& services, ErrorCode& error) {
  if (settings.dropshadowOn == 0) return;
  withDepthTraits(depth, [&](auto traits) {
    shadows<decltype(traits)>(settings, geometry, lattice, tileBuffer, strokeBuffer, kernel, output, services,
                              error);
  });
}

}  // namespace quiltora
