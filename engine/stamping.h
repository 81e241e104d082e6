// Stamping the tile buffers at every visible lattice cell with sub-pixel
// placement, and the final composite of the pattern over the output.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/lattice.h"
#include "engine/pixel_traits.h"
#include "engine/render_services.h"

namespace quiltora {

// Stamps source at every visible cell of the lattice anchored at origin into
// target, within the window -r..r around each cell's integer position. shade
// maps each sampled pixel to the pixel composited (over, target below). Once
// the error state is set no further sample is taken; the loops run on.
template <class T, class Shade>
void stampBuffer(const Image& source, Image& target, const Lattice& lattice, PointD origin, int32_t r,
                 CellRounding rounding, Shade&& shade, RenderServices& services, ErrorCode& error) {
  using Pixel = typename T::Pixel;
  const int32_t W = lattice.width;
  const int32_t H = lattice.height;
  // Half the source's side in 16.16: the middle of the source lands on the cell point.
  const int64_t base = int64_t{source.width} * 32768;
  Pixel p{};
  forEachVisibleCell(lattice, origin, rounding, [&](PointD cellPoint, CellPixel cell) {
    const Fixed Fx = toFixed(cellPoint.x - cell.x);
    const Fixed Fy = toFixed(cellPoint.y - cell.y);
    // Rows and columns outside the target are skipped before any sampling.
    const int64_t jFirst = std::max<int64_t>(-r, -int64_t{cell.y});
    const int64_t jLast = std::min<int64_t>(r, int64_t{H} - 1 - cell.y);
    const int64_t iFirst = std::max<int64_t>(-r, -int64_t{cell.x});
    const int64_t iLast = std::min<int64_t>(r, int64_t{W} - 1 - cell.x);
    for (int64_t j = jFirst; j <= jLast; ++j) {
      Pixel* row = target.row<Pixel>(static_cast<int32_t>(cell.y + j));
      // tileSide stays below 32768, so these positions fit in 32 bits.
      const Fixed sy = static_cast<Fixed>(j * 65536 + base - Fy);
      for (int64_t i = iFirst; i <= iLast; ++i) {
        const Fixed sx = static_cast<Fixed>(i * 65536 + base - Fx);
        if (error == ERR_NONE) error = services.subpixelSample(source, sx, sy, p);
        Pixel& dst = row[cell.x + i];
        dst = T::over(dst, shade(p));
      }
    }
  });
}

// Lays the pattern over the output row by row, reporting progress after each
// row (count y + H of total H) until an error is pending.
template <class T>
void compositePattern(const Image& pattern, Image& output, RenderServices& services, ErrorCode& error) {
  using Pixel = typename T::Pixel;
  const int32_t W = pattern.width;
  const int32_t H = pattern.height;
  for (int32_t y = 0; y < H; ++y) {
    const Pixel* from = pattern.row<const Pixel>(y);
    Pixel* to = output.row<Pixel>(y);
    for (int32_t x = 0; x < W; ++x) to[x] = T::over(to[x], from[x]);
    if (error == ERR_NONE)
      error = services.reportProgress(static_cast<int32_t>(std::min<int64_t>(int64_t{y} + H, INT32_MAX)), H);
  }
}

template <class T>
constexpr CellRounding tileCellRounding() {
  return T::FLOOR_TILE_CELLS ? CELL_FLOOR : CELL_TRUNCATE;
}

}  // namespace quiltora
