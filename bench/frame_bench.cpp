// Whole 1920 x 1080 frames through the host-free services, in each depth, at
// the default control values and with a stroke of 3 and a drop shadow blurred
// by 5; beside them a baseline that copies a frame and composites one
// frame-sized image over it with the depth's over operator, so each render
// time reads as a multiple of that baseline.
#include <benchmark/benchmark.h>

#include "engine/pixel_traits.h"
#include "engine/render_pipeline.h"
#include "offline/offline_render_services.h"
#include "tests/support/owned_image.h"

namespace {

using namespace quiltora;
constexpr int32_t W = 1920, H = 1080;

template <class T>
void fillFrame(testing::OwnedImage& image, uint8_t alpha) {
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      image.at<typename T::Pixel>(x, y) =
          T::color({alpha, static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(x + y)});
}

template <class T>
void baseline(benchmark::State& state) {
  testing::OwnedImage input(W, H, T::depth), overlay(W, H, T::depth), output(W, H, T::depth);
  fillFrame<T>(input, 255);
  fillFrame<T>(overlay, 100);
  offline::OfflineRenderServices services;
  for (auto _ : state) {
    services.copyImage(input.image, output.image);
    for (int32_t y = 0; y < H; ++y) {
      const auto* from = overlay.image.row<const typename T::Pixel>(y);
      auto* to = output.image.row<typename T::Pixel>(y);
      for (int32_t x = 0; x < W; ++x) to[x] = T::over(to[x], from[x]);
    }
    benchmark::DoNotOptimize(output.bytes.data());
  }
}

template <class T>
void frame(benchmark::State& state, bool strokeAndShadow) {
  RenderParamValues v;
  v.offsetX = (W / 2) << 16;
  v.offsetY = (H / 2) << 16;
  if (strokeAndShadow) {
    v.strokeSize = 3;
    v.dropshadowOn = 1;
    v.dropshadowBlur = 5;
  }
  const RenderSettings s = buildRenderSettings(v, 1, 1);
  testing::OwnedImage input(W, H, T::depth), output(W, H, T::depth);
  fillFrame<T>(input, 255);
  for (auto _ : state) {
    offline::OfflineRenderServices services;
    if (renderPattern(s, input.image, output.image, T::depth, services) != 0) state.SkipWithError("render failed");
    benchmark::DoNotOptimize(output.bytes.data());
  }
}

void frame8_default(benchmark::State& state) { frame<Traits8>(state, false); }
void frame8_stroke3_shadow_blur5(benchmark::State& state) { frame<Traits8>(state, true); }
void frame16_default(benchmark::State& state) { frame<Traits16>(state, false); }
void frame16_stroke3_shadow_blur5(benchmark::State& state) { frame<Traits16>(state, true); }
void frameF_default(benchmark::State& state) { frame<TraitsF>(state, false); }
void frameF_stroke3_shadow_blur5(benchmark::State& state) { frame<TraitsF>(state, true); }

BENCHMARK_TEMPLATE(baseline, Traits8)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(baseline, Traits16)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(baseline, TraitsF)->Unit(benchmark::kMillisecond);
BENCHMARK(frame8_default)->Unit(benchmark::kMillisecond);
BENCHMARK(frame16_default)->Unit(benchmark::kMillisecond);
BENCHMARK(frameF_default)->Unit(benchmark::kMillisecond);
BENCHMARK(frame8_stroke3_shadow_blur5)->Unit(benchmark::kMillisecond);
BENCHMARK(frame16_stroke3_shadow_blur5)->Unit(benchmark::kMillisecond);
BENCHMARK(frameF_stroke3_shadow_blur5)->Unit(benchmark::kMillisecond);

}  // namespace
