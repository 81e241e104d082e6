#include "engine/render_pipeline.h"

#include <gtest/gtest.h>

#include <cstring>

#include "offline/offline_render_services.h"
#include "tests/pipeline/frame_reference.h"

namespace quiltora {
namespace {

using offline::OfflineRenderServices;
using offline::Operation;
using testing::OwnedImage;

constexpr int32_t W = 64, H = 48;

// A layer with something to show through: a colour ramp at varying opacity.
template <class T>
void fillInput(OwnedImage& input) {
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      Pixel8 c{static_cast<uint8_t>(40 + 3 * y), static_cast<uint8_t>(4 * x), static_cast<uint8_t>(5 * y), 90};
      input.at<typename T::Pixel>(x, y) = T::color(c);
    }
}

RenderSettings baseSettings() {
  RenderParamValues v;
  v.tileSize = 20;
  v.angle = 0;
  v.offsetX = 37 << 16;
  v.offsetY = 21 << 16;
  v.color = {255, 30, 200, 90};
  v.strokeColor = {255, 250, 240, 10};
  v.dropshadowColor = {255, 5, 6, 7};
  v.dropshadowAngle = 180 << 16;
  v.dropshadowDistance = 4;
  return buildRenderSettings(v, 1, 1);
}

struct FrameCase {
  const char* name;
  void (*adjust)(RenderSettings&);
};

const FrameCase frameCases[] = {
    {"default circles over the original", [](RenderSettings&) {}},
    {"stroke and opacities over transparency",
     [](RenderSettings& s) {
       s.strokeSize = 2;
       s.opacity = 0.6;
       s.strokeOpacity = 0.8;
       s.background = BACKGROUND_ON_TRANSPARENT;
     }},
    {"polygon ring with stroke and a sharp shadow",
     [](RenderSettings& s) {
       s.shape = SHAPE_POLYGON;
       s.edges = 5;
       s.inner = 0.4;
       s.strokeSize = 1;
       s.dropshadowOn = 1;
       s.dropshadowOpacity = 0.5;
     }},
    {"tiles far wider than their spacing",
     [](RenderSettings& s) {
       s.tileSize = 9;
       s.fillingRate = 6;
       s.inner = 0.7;
       s.offsetX = -5 << 16;
       s.background = BACKGROUND_ON_TRANSPARENT;
     }},
};

template <class T>
void checkExactFrames() {
  for (const FrameCase& fc : frameCases) {
    SCOPED_TRACE(fc.name);
    RenderSettings s = baseSettings();
    fc.adjust(s);
    OwnedImage input(W, H, T::depth);
    fillInput<T>(input);
    OwnedImage output(W + 3, H, T::depth);  // an output wider than the input
    OwnedImage expected(W + 3, H, T::depth);
    OfflineRenderServices services;
    ASSERT_EQ(renderPattern(s, input.image, output.image, T::depth, services), 0);
    EXPECT_TRUE(services.outstanding().empty());
    testing::referenceFrame<T>(s, input.image, expected.image);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W + 3; ++x)
        ASSERT_EQ(std::memcmp(&output.at<typename T::Pixel>(x, y), &expected.at<typename T::Pixel>(x, y),
                              sizeof(typename T::Pixel)),
                  0)
            << "pixel " << x << "," << y;
  }
}

TEST(RenderPattern, ExactFrames8) { checkExactFrames<Traits8>(); }
TEST(RenderPattern, ExactFrames16) { checkExactFrames<Traits16>(); }
TEST(RenderPattern, ExactFramesFloat) { checkExactFrames<TraitsF>(); }

// Circles of radius 10 on a lattice of spacing 10 cover the plane with full
// alpha: no band along any edge may be left out, at any angle.
TEST(RenderPattern, OverlappingTilesCoverTheWholeFrame) {
  for (const PixelDepth depth : {DEPTH_8, DEPTH_16, DEPTH_FLOAT}) {
    for (const double angle : {0.0, 30.0, 135.0, 260.0, 355.0}) {
      RenderSettings s = baseSettings();
      s.tileSize = 10;
      s.fillingRate = 4;
      s.angle = angle;
      s.background = BACKGROUND_ON_TRANSPARENT;
      OwnedImage input(W, H, depth), output(W, H, depth);
      OfflineRenderServices services;
      ASSERT_EQ(renderPattern(s, input.image, output.image, depth, services), 0);
      for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
          const bool opaque = depth == DEPTH_8    ? output.at<Pixel8>(x, y).alpha == 255
                              : depth == DEPTH_16 ? output.at<Pixel16>(x, y).alpha == 32768
                                                  : output.at<PixelF>(x, y).alpha == 1.0f;
          ASSERT_TRUE(opaque) << "depth " << depth << " angle " << angle << " at " << x << "," << y;
        }
    }
  }
}

TEST(RenderPattern, EveryServiceFailureEndsTheFrameAndReleasesEverything) {
  const struct { Operation op; int64_t call; } failures[] = {
      {Operation::NewImage, 1}, {Operation::NewImage, 2}, {Operation::NewImage, 3},
      {Operation::AcquireLayer, 1}, {Operation::CheckAbort, 1}, {Operation::AreaSample, 7},
      {Operation::Unpremultiply, 1}, {Operation::CopyImage, 1}, {Operation::SubpixelSample, 1},
      {Operation::SubpixelSample, 5000}, {Operation::ConvolveImage, 1}, {Operation::ConvolveImage, 2},
      {Operation::ReportProgress, 1}, {Operation::ReportProgress, 30},
  };
  OwnedImage layer(30, 20, DEPTH_8);
  for (const PixelDepth depth : {DEPTH_8, DEPTH_16, DEPTH_FLOAT}) {
    OwnedImage layerImage(30, 20, depth);
    for (const auto& f : failures) {
      RenderSettings s = baseSettings();
      s.shape = SHAPE_LAYER;
      s.strokeSize = 1;
      s.dropshadowOn = 1;
      s.dropshadowBlur = 2;
      OwnedImage input(W, H, depth), output(W, H, depth);
      OfflineRenderServices services;
      services.setLayer(layerImage.image);
      ASSERT_TRUE(services.failOn(f.op, f.call, 1234));
      EXPECT_EQ(renderPattern(s, input.image, output.image, depth, services), 1234)
          << offline::operationName(f.op) << " #" << f.call << " depth " << depth;
      EXPECT_TRUE(services.outstanding().empty()) << offline::operationName(f.op);
      // Once an error is pending no further sampling or progress call is made.
      if (f.op == Operation::SubpixelSample || f.op == Operation::ReportProgress) {
        EXPECT_EQ(services.callCount(f.op), f.call);
      }
    }
  }
}

// A release error counts only when nothing failed before, and the other
// buffers are still released.
TEST(RenderPattern, DisposeErrors) {
  for (const bool earlierError : {false, true}) {
    OwnedImage input(W, H, DEPTH_8), output(W, H, DEPTH_8);
    OfflineRenderServices services;
    services.failOn(Operation::DisposeImage, 2, 77);
    if (earlierError) services.failOn(Operation::CopyImage, 1, 5);
    EXPECT_EQ(renderPattern(baseSettings(), input.image, output.image, DEPTH_8, services), earlierError ? 5 : 77);
    EXPECT_EQ(services.callCount(Operation::DisposeImage), 3);
    EXPECT_EQ(services.liveImageCount(), 1u);  // the one whose release failed
  }
}

TEST(RenderPattern, AnInterruptionBeforeTheTileMakesNoTileBuffers) {
  OwnedImage input(W, H, DEPTH_16), output(W, H, DEPTH_16);
  OfflineRenderServices services;
  services.failOn(Operation::CheckAbort, 1, 42);
  EXPECT_EQ(renderPattern(baseSettings(), input.image, output.image, DEPTH_16, services), 42);
  EXPECT_EQ(services.callCount(Operation::NewImage), 1);  // the pattern buffer only
  EXPECT_EQ(services.callCount(Operation::DisposeImage), 1);
  EXPECT_EQ(services.callCount(Operation::ReleaseLayer), 1);
  EXPECT_TRUE(services.outstanding().empty());
}

TEST(RenderPattern, KernelMemoryExhausted) {
  RenderSettings s = baseSettings();
  s.dropshadowBlur = 3;
  OwnedImage input(W, H, DEPTH_8), output(W, H, DEPTH_8);
  OfflineRenderServices services;
  services.failOn(Operation::NewKernel, 1, 1);
  EXPECT_EQ(renderPattern(s, input.image, output.image, DEPTH_8, services), 512);
  ASSERT_EQ(services.errorMessages().size(), 1u);
  EXPECT_EQ(services.errorMessages()[0], "Memory Error!");
  EXPECT_EQ(services.callCount(Operation::NewImage), 1);
  EXPECT_EQ(services.callCount(Operation::CopyImage), 0);
  // The layer checked out before the kernel is given back too.
  EXPECT_TRUE(services.outstanding().empty());
}

TEST(RenderPattern, KernelOnlyForABlurAndShadowOnlyWhenOn) {
  const struct { int32_t blur, on; int64_t kernels, convolutions; } cases[] = {
      {0, 1, 0, 0}, {5, 0, 1, 0}, {5, 1, 1, 2},
  };
  for (const auto& c : cases) {
    RenderSettings s = baseSettings();
    s.dropshadowBlur = c.blur;
    s.dropshadowOn = c.on;
    OwnedImage input(W, H, DEPTH_8), output(W, H, DEPTH_8);
    OfflineRenderServices services;
    ASSERT_EQ(renderPattern(s, input.image, output.image, DEPTH_8, services), 0);
    EXPECT_EQ(services.callCount(Operation::NewKernel), c.kernels) << c.blur << " " << c.on;
    EXPECT_EQ(services.callCount(Operation::ConvolveImage), c.convolutions) << c.blur << " " << c.on;
    EXPECT_TRUE(services.outstanding().empty());
  }
}

TEST(RenderPattern, ProgressAfterEveryRow) {
  OwnedImage input(W, H, DEPTH_FLOAT), output(W, H, DEPTH_FLOAT);
  OfflineRenderServices services;
  ASSERT_EQ(renderPattern(baseSettings(), input.image, output.image, DEPTH_FLOAT, services), 0);
  ASSERT_EQ(services.progressReports().size(), size_t(H));
  EXPECT_EQ(services.progressReports().front(), (offline::ProgressReport{H, H}));
  EXPECT_EQ(services.progressReports().back(), (offline::ProgressReport{2 * H - 1, H}));
}

TEST(RenderPattern, LayerShapeSamplesTheLayerAndReleasesIt) {
  RenderSettings s = baseSettings();
  s.shape = SHAPE_LAYER;
  OwnedImage layer(30, 20, DEPTH_8);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 30; ++x) layer.at<Pixel8>(x, y) = {255, 0, 255, 0};
  OwnedImage input(W, H, DEPTH_8), output(W, H, DEPTH_8);
  OfflineRenderServices services;
  services.setLayer(layer.image);
  ASSERT_EQ(renderPattern(s, input.image, output.image, DEPTH_8, services), 0);
  EXPECT_GT(services.callCount(Operation::AreaSample), 0);
  EXPECT_EQ(services.callCount(Operation::Unpremultiply), 1);
  EXPECT_TRUE(services.outstanding().empty());
  // At the Offset point the tile shows the layer's green.
  EXPECT_EQ(output.at<Pixel8>(37, 21), (Pixel8{255, 0, 255, 0}));
}

TEST(RenderPattern, ImagesThatDoNotFitAreRefused) {
  OwnedImage input(W, H, DEPTH_8), narrow(W - 1, H, DEPTH_8), tall(W, H + 1, DEPTH_8), deep(W, H, DEPTH_16);
  OfflineRenderServices services;
  EXPECT_EQ(renderPattern(baseSettings(), input.image, narrow.image, DEPTH_8, services), 255);
  EXPECT_EQ(renderPattern(baseSettings(), input.image, tall.image, DEPTH_8, services), 255);
  EXPECT_EQ(renderPattern(baseSettings(), input.image, deep.image, DEPTH_8, services), 255);
  EXPECT_EQ(services.callCount(Operation::NewImage), 0);
}

}  // namespace
}  // namespace quiltora
