#include "engine/stroke.h"

#include <algorithm>
#include <vector>

#include "engine/pixel_traits.h"

namespace quiltora {

namespace {

// Half-width of the integer disc of radius r on each row offset -r..r: the
// largest w with w^2 + oy^2 <= r^2.
std::vector<int32_t> discHalfWidths(int32_t r) {
  std::vector<int32_t> widths(2 * r + 1);
  int32_t w = 0;
  for (int32_t oy = 0; oy <= r; ++oy) {
    const int32_t limit = r * r - oy * oy;
    if (oy == 0) {
      w = r;
    } else {
      while (w * w > limit) --w;
    }
    widths[r + oy] = w;
    widths[r - oy] = w;
  }
  return widths;
}

// The grown alpha at (x, y) is the largest tile alpha over the integer disc of
// radius r around it, read inside the buffer only. The disc is a stack of
// horizontal runs, one per row offset oy, of half-width w(oy). Running maxima
// of growing half-width are built one from the last (a run of half-width w is
// the union of three runs of half-width w - 1 centred one pixel apart), so the
// cost is about (5r + 4) passes over the tile instead of (2r + 1)^2 reads per
// pixel. Negative and not-a-number alphas count as 0, as in a scan from m = 0.
template <class T>
void growStroke(const RenderSettings& s, const TileGeometry& g, const Image& tile, Image& stroke) {
  using Pixel = typename T::Pixel;
  using Channel = typename T::Channel;
  const int32_t r = g.strokeRadius;
  const int32_t side = g.tileSide;
  const int32_t lo = g.blurRadius;
  const int32_t hi = side - g.blurRadius - 1;
  const size_t n = static_cast<size_t>(side);
  auto larger = [](Channel a, Channel b) { return b > a ? b : a; };

  std::vector<Channel> runs(n * n), wider(n * n), grown(n * n, Channel{0});
  for (int32_t y = 0; y < side; ++y) {
    const Pixel* in = tile.row<const Pixel>(y);
    for (int32_t x = 0; x < side; ++x) runs[y * n + x] = larger(Channel{0}, in[x].alpha);
  }
  const std::vector<int32_t> widths = discHalfWidths(r);
  for (int32_t w = 0; w <= r; ++w) {
    if (w > 0) {
      for (size_t y = 0; y < n; ++y) {
        const Channel* from = &runs[y * n];
        Channel* to = &wider[y * n];
        if (n == 1) {
          to[0] = from[0];
          continue;
        }
        to[0] = larger(from[0], from[1]);
        for (size_t x = 1; x + 1 < n; ++x) to[x] = larger(larger(from[x - 1], from[x]), from[x + 1]);
        to[n - 1] = larger(from[n - 2], from[n - 1]);
      }
      runs.swap(wider);
    }
    // Every row offset whose run has this half-width takes its maximum now.
    for (int32_t oy = -r; oy <= r; ++oy) {
      if (widths[r + oy] != w) continue;
      for (int32_t y = std::max(lo, -oy); y <= std::min(hi, side - 1 - oy); ++y) {
        const Channel* from = &runs[(y + oy) * n];
        Channel* to = &grown[y * n];
        for (int32_t x = lo; x <= hi; ++x) to[x] = larger(to[x], from[x]);
      }
    }
  }

  Pixel pixel = T::color(s.strokeColor);
  for (int32_t y = lo; y <= hi; ++y) {
    Pixel* out = stroke.row<Pixel>(y);
    for (int32_t x = lo; x <= hi; ++x) {
      pixel.alpha = grown[y * n + x];
      out[x] = pixel;
    }
  }
}

template <class T>
void scaleAlphas(const TileGeometry& g, Image& image, double factor) {
  using Pixel = typename T::Pixel;
  const int32_t lo = g.blurRadius;
  const int32_t hi = g.tileSide - g.blurRadius - 1;
  for (int32_t y = lo; y <= hi; ++y) {
    Pixel* row = image.row<Pixel>(y);
    for (int32_t x = lo; x <= hi; ++x) row[x].alpha = T::scaleAlpha(row[x].alpha, factor);
  }
}

}  // namespace

void applyStrokeAndOpacity(const RenderSettings& settings, const TileGeometry& geometry, PixelDepth depth,
                           Image& tileBuffer, Image& strokeBuffer) {
  withDepthTraits(depth, [&](auto traits) {
    using T = decltype(traits);
    const bool stroked = geometry.strokeRadius >= 1;
    if (stroked) growStroke<T>(settings, geometry, tileBuffer, strokeBuffer);
    scaleAlphas<T>(geometry, tileBuffer, settings.opacity);
    if (stroked) scaleAlphas<T>(geometry, strokeBuffer, settings.strokeOpacity);
  });
}

}  // namespace quiltora
