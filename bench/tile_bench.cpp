// The per-frame tile work: drawing the shape and growing its stroke, at full
// resolution, for the default tile and for a large stroked one.
#include <benchmark/benchmark.h>

#include "engine/stroke.h"
#include "engine/tile_shapes.h"
#include "tests/support/fake_services.h"
#include "tests/support/owned_image.h"

namespace {

using namespace quiltora;

void tileFrame(benchmark::State& state, PixelDepth depth, ShapeKind shape, double tileSize, int32_t stroke) {
  RenderParamValues v;
  v.shape = shape;
  v.tileSize = tileSize;
  v.strokeSize = stroke;
  v.edges = 6;
  const RenderSettings s = buildRenderSettings(v, 1, 1);
  const TileGeometry g = computeTileGeometry(s, {});
  testing::FakeTileServices services;
  for (auto _ : state) {
    testing::OwnedImage tile(g.tileSide, g.tileSide, depth);
    testing::OwnedImage strokeBuffer(g.tileSide, g.tileSide, depth);
    drawTileShape(s, g, {}, depth, tile.image, services);
    applyStrokeAndOpacity(s, g, depth, tile.image, strokeBuffer.image);
    benchmark::DoNotOptimize(strokeBuffer.bytes.data());
  }
  state.counters["tileSide"] = g.tileSide;
}

BENCHMARK_CAPTURE(tileFrame, circle8_default, DEPTH_8, SHAPE_CIRCLE, 50.0, 0);
BENCHMARK_CAPTURE(tileFrame, circleF_default, DEPTH_FLOAT, SHAPE_CIRCLE, 50.0, 0);
BENCHMARK_CAPTURE(tileFrame, polygon8_default, DEPTH_8, SHAPE_POLYGON, 50.0, 0);
BENCHMARK_CAPTURE(tileFrame, circle8_stroke3, DEPTH_8, SHAPE_CIRCLE, 50.0, 3);
BENCHMARK_CAPTURE(tileFrame, circle16_tile200_stroke30, DEPTH_16, SHAPE_CIRCLE, 200.0, 30);

}  // namespace
