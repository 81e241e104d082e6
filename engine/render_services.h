// The operations through which the engine reaches its host: images, kernel
// memory, the Layer image, sampling, convolution, un-premultiplying, progress,
// interruption and messages. The render call binds them to the host; tests and
// benchmarks use a host-free implementation.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/numeric.h"
#include "engine/pixels.h"

namespace quiltora {

class RenderServices {
 public:
  virtual ~RenderServices() = default;

  // A new image of that size and depth, every channel of every pixel zero.
  virtual ErrorCode newImage(int32_t width, int32_t height, PixelDepth depth, Image& image) = 0;
  // Releases an image made by newImage.
  virtual ErrorCode disposeImage(Image& image) = 0;
  // The whole source copied pixel for pixel onto the destination.
  virtual ErrorCode copyImage(const Image& source, Image& destination) = 0;
  // Every pixel of the destination becomes the colour, in the destination's depth.
  virtual ErrorCode fillImage(Image& destination, Pixel8 color) = 0;
  // count int32 entries for the blur kernel, or null when memory is exhausted.
  virtual int32_t* newKernel(int32_t count) = 0;
  virtual void disposeKernel(int32_t* kernel) = 0;
  // The Layer control's image at the frame's time in the frame's depth; empty
  // when no layer is chosen or it has no pixels.
  virtual ErrorCode acquireLayer(std::optional<Image>& layer) = 0;
  virtual void releaseLayer() = 0;
  // Nonzero when the user has interrupted rendering.
  virtual ErrorCode checkAbort() = 0;
  // Shows progress; nonzero stops rendering.
  virtual ErrorCode reportProgress(int32_t current, int32_t total) = 0;
  // The text shown to the user when the render call returns its error.
  virtual void showErrorMessage(const char* text) = 0;

  // The image averaged over the box of radii (rx, ry) around (x, y), all 16.16
  // in the image's pixels; the colour comes back premultiplied by its alpha.
  virtual ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, Pixel8& out) = 0;
  virtual ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, Pixel16& out) = 0;
  virtual ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, PixelF& out) = 0;
  // Premultiplied colour to straight, over the whole image.
  virtual ErrorCode unpremultiply(Image& image) = 0;
  // The image's colour at (sx, sy), 16.16, interpolated between neighbouring pixels.
  virtual ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, Pixel8& out) = 0;
  virtual ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, Pixel16& out) = 0;
  virtual ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, PixelF& out) = 0;
  // In-place 1-D convolution along rows (vertical false) or columns, with the
  // count weights normalised to sum 1; pixels beyond the edge count as 0.
  virtual ErrorCode convolveImage(Image& image, const int32_t* kernel, int32_t count, bool vertical) = 0;
};

}  // namespace quiltora
