// The offline host's own image operations on the engine's Image, in all three
// depths: bilinear and box sampling, 1-D normalised convolution, un-premultiply,
// copy, fill, and the memory behind new images and kernels. Every function
// checks its images and returns a host error code instead of misbehaving.
#pragma once

#include <cstdint>

#include "engine/numeric.h"
#include "engine/pixels.h"

namespace quiltora::offline {

// A pixel rectangle, left and top inclusive, right and bottom exclusive, as the
// host's rectangles are.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Largest block newImage and newKernel hand out by default: far beyond any
// frame we render, and low enough that an absurd request is refused before it
// reaches the allocator (which under AddressSanitizer would abort instead).
constexpr uint64_t DEFAULT_ALLOCATION_LIMIT = uint64_t{1} << 32;

// 0 when the image can be read and written safely: data present, a known
// depth, no negative size, rowBytes a multiple of the pixel size and at least
// a row long, data aligned for the pixel type; ERR_INTERNAL_STRUCT_DAMAGED
// otherwise.
ErrorCode checkImage(const Image& image);

// Bilinear sample at the 16.16 position (sx, sy); pixel k spans [k, k + 1) and
// pixels outside the image are all-zero. A pixel centre returns that pixel.
// The image's depth must match the pixel type (else ERR_INTERNAL_STRUCT_DAMAGED).
ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, Pixel8& out);
ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, Pixel16& out);
ErrorCode subpixelSample(const Image& image, Fixed sx, Fixed sy, PixelF& out);

// Area-weighted average over the box [x - rx, x + rx] x [y - ry, y + ry]
// (all 16.16), pixels outside the image transparent, returned premultiplied.
// Negative radii count as 0; when either radius is below 0.5 the result is the
// bilinear sample at (x, y), premultiplied.
ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, Pixel8& out);
ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, Pixel16& out);
ErrorCode areaSample(const Image& image, Fixed x, Fixed y, Fixed rx, Fixed ry, PixelF& out);

// 1-D convolution of source into destination (they may be the same image)
// along rows (vertical false) or columns, normalised by the kernel's sum S.
// Weight i applies to the pixel at offset i - count / 2 from the one written.
// Only destination pixels inside area, clipped to both images, are written.
// Returns ERR_BAD_CALLBACK_PARAM for a missing kernel, count <= 0 or S = 0,
// ERR_OUT_OF_MEMORY when the line buffer cannot be had.
ErrorCode convolve(const Image& source, Image& destination, const Rect& area,
                   const int32_t* kernel, int32_t count, bool vertical);

// Premultiplied colour to straight, in place, over the whole image.
ErrorCode unpremultiply(Image& image);

// The overlapping area (the smaller width and height) copied pixel for pixel;
// both images must have the same depth.
ErrorCode copyImage(const Image& source, Image& destination);

// Every pixel becomes the colour, converted to the image's depth.
ErrorCode fillImage(Image& destination, Pixel8 color);

// A new image with every byte zero and rowBytes = width x pixel size. Negative
// sizes and sizes whose bytes overflow, exceed limitBytes or cannot be had give
// ERR_OUT_OF_MEMORY and an empty image; an unknown depth gives
// ERR_BAD_CALLBACK_PARAM. Never throws.
ErrorCode newImage(int32_t width, int32_t height, PixelDepth depth, Image& image,
                   uint64_t limitBytes = DEFAULT_ALLOCATION_LIMIT);
// Frees the pixels of an image made by newImage and empties it.
void disposeImage(Image& image);

// count zeroed int32 entries, or null when count <= 0 or the block cannot be had.
int32_t* newKernel(int32_t count, uint64_t limitBytes = DEFAULT_ALLOCATION_LIMIT);
void disposeKernel(int32_t* kernel);

}  // namespace quiltora::offline
