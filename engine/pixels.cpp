#include "engine/pixels.h"

#include <algorithm>

namespace quiltora {

namespace {
uint16_t channelTo16(uint8_t v) { return static_cast<uint16_t>(((int32_t{v} << 15) + 128) / 255); }
float channelToF(uint8_t v) { return static_cast<float>(v / 255.0); }
}  // namespace

Pixel16 toPixel16(Pixel8 c) {
  return {channelTo16(c.alpha), channelTo16(c.red), channelTo16(c.green), channelTo16(c.blue)};
}

PixelF toPixelF(Pixel8 c) {
  return {channelToF(c.alpha), channelToF(c.red), channelToF(c.green), channelToF(c.blue)};
}

uint8_t clamp8(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

uint16_t clamp16(int32_t v) { return static_cast<uint16_t>(v < 0 ? 0 : v > 32768 ? 32768 : v); }

Pixel8 over8(Pixel8 dst, Pixel8 src) {
  const int32_t sA = src.alpha;
  const int32_t dA = dst.alpha;
  if (dA == 0 || sA == 255) return src;
  if (sA == 0) return dst;
  // The scale is 256, not 255: a slightly darkening approximation kept for its exact bits.
  const int32_t t = ((256 - sA) * dA) >> 8;
  int32_t oA = sA + t;
  if (oA > 255) oA = 255;
  if (oA <= 0) return {0, 0, 0, 0};
  auto mix = [&](int32_t sC, int32_t dC) { return clamp8((sC * sA + dC * t) / oA); };
  return {static_cast<uint8_t>(oA), mix(src.red, dst.red), mix(src.green, dst.green),
          mix(src.blue, dst.blue)};
}

Pixel16 over16(Pixel16 dst, Pixel16 src) {
  // Channels above 32768 lie outside the pixel model. Alpha is capped at full
  // and the colour sums are taken in 64 bits, so such pixels give a clamped,
  // defined result; valid pixels get exactly the 32-bit arithmetic's bits.
  const uint32_t sA = src.alpha;
  const uint32_t dA = std::min<uint32_t>(dst.alpha, 32768);
  if (dA == 0 || sA >= 32768) return src;
  if (sA == 0) return dst;
  const uint32_t t = ((32768 - sA) * dA) >> 15;
  uint32_t oA = sA + t;
  if (oA > 32768) oA = 32768;
  if (oA == 0) return {0, 0, 0, 0};
  auto mix = [&](uint64_t sC, uint64_t dC) {
    return clamp16(static_cast<int32_t>(std::min<uint64_t>((sC * sA + dC * t) / oA, 65535)));
  };
  return {static_cast<uint16_t>(oA), mix(src.red, dst.red), mix(src.green, dst.green),
          mix(src.blue, dst.blue)};
}

PixelF overFloat(PixelF dst, PixelF src) {
  const float sA = src.alpha;
  const float dA = dst.alpha;
  if (dA == 0.0f || sA == 1.0f) return src;
  if (sA == 0.0f) return dst;
  const float t = static_cast<float>((1.0 - sA) * dA);
  float oA = sA + t;
  if (oA > 1.0f) oA = 1.0f;
  if (oA <= 0.0f) return {0, 0, 0, 0};
  // Colours outside 0..1 pass through unclamped.
  auto mix = [&](float sC, float dC) {
    const float numerator = static_cast<float>(static_cast<double>(sC) * sA + static_cast<double>(dC) * t);
    return numerator / oA;
  };
  return {oA, mix(src.red, dst.red), mix(src.green, dst.green), mix(src.blue, dst.blue)};
}

double dot2(double ax, double ay, double bx, double by) { return ax * bx + ay * by; }

}  // namespace quiltora
