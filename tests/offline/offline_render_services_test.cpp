// OfflineRenderServices: the Layer image, fault injection on the n-th call,
// the record of calls, progress and messages, resource accounting, and the
// refusal of images that do not fit the pixel type asked for.
#include "offline/offline_render_services.h"

#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/owned_image.h"

namespace quiltora::offline {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using testing::OwnedImage;

TEST(OfflineRenderServices, LayerIsHandedOutAndItsReleaseCounted) {
  OfflineRenderServices services;
  std::optional<Image> layer = Image{};
  ASSERT_EQ(services.acquireLayer(layer), ERR_NONE);
  EXPECT_FALSE(layer.has_value()) << "no layer chosen";
  EXPECT_EQ(services.heldLayerCount(), 1);  // held like a checked-out parameter, even when empty
  services.releaseLayer();
  EXPECT_EQ(services.heldLayerCount(), 0);

  OwnedImage pixels(4, 3, DEPTH_16);
  services.setLayer(pixels.image);
  ASSERT_EQ(services.acquireLayer(layer), ERR_NONE);
  ASSERT_TRUE(layer.has_value());
  EXPECT_EQ(layer->data, pixels.image.data);
  EXPECT_EQ(layer->width, 4);
  EXPECT_EQ(layer->depth, DEPTH_16);
  EXPECT_THAT(services.outstanding(), ElementsAre(HasSubstr("layer")));
  services.releaseLayer();
  EXPECT_THAT(services.outstanding(), IsEmpty());

  services.setLayer(Image{0, 3, 0, DEPTH_16, pixels.image.data});  // no pixels
  ASSERT_EQ(services.acquireLayer(layer), ERR_NONE);
  EXPECT_FALSE(layer.has_value());
  services.releaseLayer();
  EXPECT_EQ(services.callCount(Operation::AcquireLayer), 3);
  EXPECT_EQ(services.callCount(Operation::ReleaseLayer), 3);
  EXPECT_THAT(services.outstanding(), IsEmpty());
}

// One call of each operation that can fail, with images that make it succeed.
struct Call {
  Operation op;
  std::function<ErrorCode(OfflineRenderServices&)> run;
};

std::vector<Call> failableCalls(OwnedImage& image8, OwnedImage& imageF) {
  static const int32_t kernel[] = {1, 2, 1};
  return {
      {Operation::NewImage,
       [](OfflineRenderServices& s) {
         Image made{};
         const ErrorCode e = s.newImage(2, 2, DEPTH_8, made);
         if (e == ERR_NONE) s.disposeImage(made);
         return e;
       }},
      {Operation::DisposeImage,
       [](OfflineRenderServices& s) {
         Image made{};
         if (s.newImage(1, 1, DEPTH_8, made) != ERR_NONE) return ERR_NONE + 1;
         return s.disposeImage(made);
       }},
      {Operation::CopyImage, [&](OfflineRenderServices& s) { return s.copyImage(image8.image, image8.image); }},
      {Operation::FillImage, [&](OfflineRenderServices& s) { return s.fillImage(image8.image, {1, 2, 3, 4}); }},
      {Operation::AcquireLayer,
       [](OfflineRenderServices& s) {
         std::optional<Image> layer;
         const ErrorCode e = s.acquireLayer(layer);
         if (e == ERR_NONE) s.releaseLayer();
         return e;
       }},
      {Operation::CheckAbort, [](OfflineRenderServices& s) { return s.checkAbort(); }},
      {Operation::ReportProgress, [](OfflineRenderServices& s) { return s.reportProgress(1, 2); }},
      {Operation::AreaSample,
       [&](OfflineRenderServices& s) {
         Pixel8 p{};
         return s.areaSample(image8.image, 65536, 65536, 65536, 65536, p);
       }},
      {Operation::Unpremultiply, [&](OfflineRenderServices& s) { return s.unpremultiply(imageF.image); }},
      {Operation::SubpixelSample,
       [&](OfflineRenderServices& s) {
         PixelF p{};
         return s.subpixelSample(imageF.image, 32768, 32768, p);
       }},
      {Operation::ConvolveImage,
       [&](OfflineRenderServices& s) { return s.convolveImage(image8.image, kernel, 3, false); }},
  };
}

TEST(OfflineRenderServices, FailOnMakesExactlyTheNthCallFail) {
  OwnedImage image8(3, 3, DEPTH_8), imageF(2, 2, DEPTH_FLOAT);
  for (const Call& call : failableCalls(image8, imageF)) {
    OfflineRenderServices services;
    ASSERT_TRUE(services.failOn(call.op, 2, 1234));
    EXPECT_EQ(call.run(services), ERR_NONE) << operationName(call.op) << " call 1";
    EXPECT_EQ(call.run(services), 1234) << operationName(call.op) << " call 2";
    EXPECT_EQ(call.run(services), ERR_NONE) << operationName(call.op) << " call 3";
    EXPECT_EQ(services.callCount(call.op), 3) << operationName(call.op);
    if (call.op != Operation::DisposeImage) {
      EXPECT_THAT(services.outstanding(), IsEmpty()) << operationName(call.op);
    }
  }
}

TEST(OfflineRenderServices, AFailedCallDoesNothingElse) {
  OfflineRenderServices services;
  services.failOn(Operation::NewImage, 1, ERR_OUT_OF_MEMORY);
  services.failOn(Operation::DisposeImage, 1, 7);
  services.failOn(Operation::AcquireLayer, 1, 9);
  services.failOn(Operation::FillImage, 1, 11);
  services.failOn(Operation::SubpixelSample, 1, 13);

  Image image{};
  EXPECT_EQ(services.newImage(2, 2, DEPTH_8, image), ERR_OUT_OF_MEMORY);
  EXPECT_EQ(image.data, nullptr);
  EXPECT_EQ(services.liveImageCount(), 0u);

  ASSERT_EQ(services.newImage(2, 2, DEPTH_8, image), ERR_NONE);
  EXPECT_EQ(services.fillImage(image, {255, 255, 255, 255}), 11);
  EXPECT_EQ(image.at<Pixel8>(1, 1), Pixel8{});
  Pixel8 sample{5, 5, 5, 5};
  EXPECT_EQ(services.subpixelSample(image, 32768, 32768, sample), 13);
  EXPECT_EQ(sample, (Pixel8{5, 5, 5, 5}));
  EXPECT_EQ(services.disposeImage(image), 7);
  EXPECT_THAT(services.outstanding(), ElementsAre(HasSubstr("image 2x2")));  // still ours
  EXPECT_EQ(services.disposeImage(image), ERR_NONE);

  OwnedImage pixels(1, 1, DEPTH_8);
  services.setLayer(pixels.image);
  std::optional<Image> layer = pixels.image;
  EXPECT_EQ(services.acquireLayer(layer), 9);
  EXPECT_FALSE(layer.has_value());
  EXPECT_EQ(services.heldLayerCount(), 0);
  EXPECT_THAT(services.outstanding(), IsEmpty());
}

TEST(OfflineRenderServices, KernelFailsByReturningNullAndInterruptionsByTheirCode) {
  OfflineRenderServices services;
  ASSERT_TRUE(services.failOn(Operation::NewKernel, 1, 0));
  ASSERT_TRUE(services.failOn(Operation::CheckAbort, 3, 5));
  ASSERT_TRUE(services.failOn(Operation::ReportProgress, 2, 6));
  EXPECT_EQ(services.newKernel(3), nullptr);
  int32_t* kernel = services.newKernel(3);
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(services.liveKernelCount(), 1u);
  services.disposeKernel(kernel);
  EXPECT_EQ(services.liveKernelCount(), 0u);

  const ErrorCode aborts[] = {services.checkAbort(), services.checkAbort(), services.checkAbort(),
                              services.checkAbort()};
  EXPECT_THAT(aborts, ElementsAre(0, 0, 5, 0));
  const ErrorCode progress[] = {services.reportProgress(1, 3), services.reportProgress(2, 3),
                                services.reportProgress(3, 3)};
  EXPECT_THAT(progress, ElementsAre(0, 6, 0));
  // Every report is recorded in order, the interrupted one included.
  EXPECT_THAT(services.progressReports(),
              ElementsAre(ProgressReport{1, 3}, ProgressReport{2, 3}, ProgressReport{3, 3}));
}

TEST(OfflineRenderServices, FailOnRefusesWhatCannotFail) {
  OfflineRenderServices services;
  EXPECT_FALSE(services.failOn(Operation::DisposeKernel, 1, 4));
  EXPECT_FALSE(services.failOn(Operation::ReleaseLayer, 1, 4));
  EXPECT_FALSE(services.failOn(Operation::ShowErrorMessage, 1, 4));
  EXPECT_FALSE(services.failOn(Operation::CheckAbort, 0, 4));
  EXPECT_FALSE(services.failOn(Operation::CheckAbort, 1, ERR_NONE));
  EXPECT_EQ(services.checkAbort(), ERR_NONE);
}

TEST(OfflineRenderServices, RecordsCallsAndMessages) {
  OfflineRenderServices services;
  services.showErrorMessage("Memory Error!");
  services.showErrorMessage(nullptr);
  services.showErrorMessage("second");
  EXPECT_THAT(services.errorMessages(), ElementsAre("Memory Error!", "", "second"));
  EXPECT_EQ(services.callCount(Operation::ShowErrorMessage), 3);
  EXPECT_EQ(services.callCount(Operation::CheckAbort), 0);
  EXPECT_THAT(services.progressReports(), IsEmpty());
}

TEST(OfflineRenderServices, AccountsForEveryImageAndKernel) {
  OfflineRenderServices services;
  Image a{}, b{};
  ASSERT_EQ(services.newImage(3, 2, DEPTH_FLOAT, a), ERR_NONE);
  ASSERT_EQ(services.newImage(5, 5, DEPTH_8, b), ERR_NONE);
  int32_t* kernel = services.newKernel(7);
  ASSERT_NE(kernel, nullptr);
  for (int32_t i = 0; i < 7; ++i) EXPECT_EQ(kernel[i], 0);
  EXPECT_EQ(services.liveImageCount(), 2u);
  EXPECT_THAT(services.outstanding(), SizeIs(3));

  EXPECT_EQ(services.disposeImage(a), ERR_NONE);
  EXPECT_EQ(a.data, nullptr);
  EXPECT_THAT(services.outstanding(),
              ElementsAre(HasSubstr("image 5x5"), HasSubstr("kernel of 7 entries")));
  services.disposeKernel(kernel);
  EXPECT_EQ(services.disposeImage(b), ERR_NONE);
  EXPECT_THAT(services.outstanding(), IsEmpty());
  // What is left at destruction is freed by the services (the sanitizer build
  // would report a leak otherwise).
  Image leaked{};
  ASSERT_EQ(services.newImage(4, 4, DEPTH_16, leaked), ERR_NONE);
  ASSERT_NE(services.newKernel(2), nullptr);
}

TEST(OfflineRenderServices, DisposingWhatItDidNotMakeIsAnErrorNotACrash) {
  OfflineRenderServices services;
  OwnedImage foreign(2, 2, DEPTH_8);
  Image copy = foreign.image;
  EXPECT_EQ(services.disposeImage(copy), ERR_INTERNAL_STRUCT_DAMAGED);
  Image empty{};
  EXPECT_EQ(services.disposeImage(empty), ERR_INTERNAL_STRUCT_DAMAGED);

  Image made{};
  ASSERT_EQ(services.newImage(1, 1, DEPTH_8, made), ERR_NONE);
  const Image alias = made;
  ASSERT_EQ(services.disposeImage(made), ERR_NONE);
  Image again = alias;
  EXPECT_EQ(services.disposeImage(again), ERR_INTERNAL_STRUCT_DAMAGED);  // twice

  int32_t local[3] = {};
  services.disposeKernel(local);
  services.disposeKernel(nullptr);
  services.releaseLayer();
  EXPECT_THAT(services.misuses(), SizeIs(6));
  EXPECT_THAT(services.outstanding(), SizeIs(6));
  EXPECT_THAT(services.outstanding().back(), HasSubstr("releaseLayer"));
}

TEST(OfflineRenderServices, AllocationLimitRefusesLargeRequests) {
  OfflineRenderServices services;
  services.setAllocationLimit(1000);
  Image image{};
  EXPECT_EQ(services.newImage(16, 16, DEPTH_8, image), ERR_OUT_OF_MEMORY);  // 1024 bytes
  EXPECT_EQ(services.newKernel(251), nullptr);                                // 1004 bytes
  EXPECT_EQ(services.newImage(-1, 4, DEPTH_8, image), ERR_OUT_OF_MEMORY);
  ASSERT_EQ(services.newImage(10, 25, DEPTH_8, image), ERR_NONE);  // 1000 bytes
  EXPECT_EQ(services.liveImageCount(), 1u);
  EXPECT_EQ(services.liveKernelCount(), 0u);
  EXPECT_EQ(services.disposeImage(image), ERR_NONE);
}

TEST(OfflineRenderServices, SamplingAndConvolutionRefuseImagesThatDoNotFit) {
  OfflineRenderServices services;
  OwnedImage image8(2, 2, DEPTH_8), image16(2, 2, DEPTH_16), imageF(2, 2, DEPTH_FLOAT);
  Image missing = image8.image;
  missing.data = nullptr;
  const int32_t kernel[] = {1};
  Pixel8 p8{};
  Pixel16 p16{};
  PixelF pF{};
  const ErrorCode results[] = {
      services.subpixelSample(image16.image, 0, 0, p8),
      services.subpixelSample(imageF.image, 0, 0, p16),
      services.subpixelSample(image8.image, 0, 0, pF),
      services.subpixelSample(missing, 0, 0, p8),
      services.areaSample(image16.image, 0, 0, 65536, 65536, p8),
      services.areaSample(image8.image, 0, 0, 65536, 65536, p16),
      services.areaSample(image16.image, 0, 0, 65536, 65536, pF),
      services.areaSample(missing, 0, 0, 65536, 65536, p8),
      services.convolveImage(missing, kernel, 1, false),
      services.unpremultiply(missing),
  };
  for (const ErrorCode e : results) EXPECT_EQ(e, ERR_INTERNAL_STRUCT_DAMAGED);
}

TEST(OfflineRenderServices, OperationsActOnTheImages) {
  OfflineRenderServices services;
  Image image{};
  ASSERT_EQ(services.newImage(3, 1, DEPTH_8, image), ERR_NONE);
  EXPECT_EQ(image.at<Pixel8>(2, 0), Pixel8{});
  ASSERT_EQ(services.fillImage(image, {200, 100, 50, 0}), ERR_NONE);
  image.at<Pixel8>(1, 0) = {100, 100, 50, 0};
  // The whole image is blurred in place along the row: (0 + 200 + 100 + 1) / 3
  // = 100, (200 + 100 + 200 + 1) / 3 = 167, then the red and green channels.
  const int32_t kernel[] = {1, 1, 1};
  ASSERT_EQ(services.convolveImage(image, kernel, 3, false), ERR_NONE);
  EXPECT_EQ(image.at<Pixel8>(0, 0), (Pixel8{100, 67, 33, 0}));
  EXPECT_EQ(image.at<Pixel8>(1, 0), (Pixel8{167, 100, 50, 0}));
  EXPECT_EQ(image.at<Pixel8>(2, 0), (Pixel8{100, 67, 33, 0}));
  Pixel8 sample{};
  ASSERT_EQ(services.subpixelSample(image, 65536 + 32768, 32768, sample), ERR_NONE);
  EXPECT_EQ(sample, (Pixel8{167, 100, 50, 0}));
  ASSERT_EQ(services.areaSample(image, 65536 + 32768, 32768, 32768, 32768, sample), ERR_NONE);
  EXPECT_EQ(sample, (Pixel8{167, 65, 33, 0}));  // 100 x 167 / 255 = 65.49, 50 x 167 / 255 = 32.75
  ASSERT_EQ(services.unpremultiply(image), ERR_NONE);
  EXPECT_EQ(image.at<Pixel8>(1, 0), (Pixel8{167, 153, 76, 0}));  // 152.69 + 0.5 and 76.35 + 0.5, truncated
  EXPECT_EQ(services.disposeImage(image), ERR_NONE);
  EXPECT_THAT(services.outstanding(), IsEmpty());
}

}  // namespace
}  // namespace quiltora::offline
