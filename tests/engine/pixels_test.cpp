#include "engine/pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace quiltora {
namespace {

TEST(PixelLayout, AlphaFirstAndPackedColourIsLittleEndianArgb) {
  const Pixel8 p{0x11, 0x22, 0x33, 0x44};
  uint32_t packed;
  std::memcpy(&packed, &p, 4);
  EXPECT_EQ(packed, 0x44332211u);  // alpha is the lowest byte
  EXPECT_EQ(pixelSize(DEPTH_8), 4);
  EXPECT_EQ(pixelSize(DEPTH_16), 8);
  EXPECT_EQ(pixelSize(DEPTH_FLOAT), 16);
}

TEST(ToPixel16, RoundsWithTheFixedBias) {
  const struct { uint8_t v; uint16_t expected; } cases[] = {
      {0, 0}, {1, 129}, {2, 257}, {127, 16320}, {128, 16448},
      {129, 16577}, {200, 25700}, {254, 32640}, {255, 32768},
  };
  for (const auto& c : cases) {
    const Pixel16 p = toPixel16({c.v, c.v, c.v, c.v});
    EXPECT_EQ(p, (Pixel16{c.expected, c.expected, c.expected, c.expected})) << int(c.v);
  }
  // Channels convert independently.
  EXPECT_EQ(toPixel16({255, 0, 128, 1}), (Pixel16{32768, 0, 16448, 129}));
}

TEST(ToPixelF, DividesInDoubleThenRoundsToFloat) {
  const PixelF p = toPixelF({255, 0, 128, 1});
  EXPECT_EQ(p.alpha, 1.0f);
  EXPECT_EQ(p.red, 0.0f);
  EXPECT_EQ(p.green, static_cast<float>(128 / 255.0));
  EXPECT_FLOAT_EQ(p.green, 0.50196081f);
  EXPECT_EQ(p.blue, static_cast<float>(1 / 255.0));
}

TEST(Clamp, ToChannelRanges) {
  const struct { int32_t v; uint8_t c8; uint16_t c16; } cases[] = {
      {-1, 0, 0}, {0, 0, 0}, {255, 255, 255}, {256, 255, 256},
      {32768, 255, 32768}, {32769, 255, 32768}, {INT32_MIN, 0, 0}, {INT32_MAX, 255, 32768},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(clamp8(c.v), c.c8) << c.v;
    EXPECT_EQ(clamp16(c.v), c.c16) << c.v;
  }
}

TEST(Over8, Table) {
  const struct { Pixel8 dst, src, expected; } cases[] = {
      // Transparent destination: src verbatim, colour included even at alpha 0.
      {{0, 9, 9, 9}, {0, 1, 2, 3}, {0, 1, 2, 3}},
      {{0, 9, 9, 9}, {77, 1, 2, 3}, {77, 1, 2, 3}},
      // Opaque source replaces.
      {{200, 9, 9, 9}, {255, 1, 2, 3}, {255, 1, 2, 3}},
      // Transparent source keeps dst.
      {{200, 9, 8, 7}, {0, 1, 2, 3}, {200, 9, 8, 7}},
      {{255, 0, 0, 255}, {128, 255, 0, 0}, {255, 128, 0, 127}},
      {{128, 0, 0, 255}, {128, 255, 0, 0}, {192, 170, 0, 85}},
      // The 256 scale and truncation darken slightly instead of returning src's colour.
      {{255, 10, 20, 30}, {254, 200, 100, 50}, {255, 199, 99, 49}},
      {{255, 0, 0, 0}, {1, 255, 255, 255}, {255, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(over8(c.dst, c.src), c.expected)
        << int(c.dst.alpha) << "," << int(c.src.alpha) << "," << int(c.src.red);
  }
}

TEST(Over16, Table) {
  const struct { Pixel16 dst, src, expected; } cases[] = {
      {{0, 9, 9, 9}, {0, 1, 2, 3}, {0, 1, 2, 3}},
      {{100, 9, 9, 9}, {32768, 1, 2, 3}, {32768, 1, 2, 3}},
      {{100, 9, 8, 7}, {0, 1, 2, 3}, {100, 9, 8, 7}},
      {{32768, 0, 0, 32768}, {16384, 32768, 0, 0}, {32768, 16384, 0, 16384}},
      // t = (16384 * 16384) >> 15 = 8192; oA = 24576; red = 32768*16384/24576.
      {{16384, 0, 0, 32768}, {16384, 32768, 0, 0}, {24576, 21845, 0, 10922}},
      {{32768, 0, 0, 0}, {1, 32768, 32768, 32768}, {32768, 1, 1, 1}},
  };
  for (const auto& c : cases) EXPECT_EQ(over16(c.dst, c.src), c.expected) << c.dst.alpha << "," << c.src.alpha;
}

TEST(Over16, ChannelsAboveFullScaleGiveAClampedResult) {
  // Outside the pixel model, but it must not wrap into nonsense.
  const Pixel16 r = over16({65535, 65535, 65535, 65535}, {16384, 65535, 0, 0});
  EXPECT_EQ(r.alpha, 32768);
  EXPECT_EQ(r.red, 32768);
  EXPECT_LE(r.green, 32768);
  EXPECT_EQ(over16({5, 0, 0, 0}, {40000, 1, 2, 3}), (Pixel16{40000, 1, 2, 3}));
}

TEST(OverFloat, Table) {
  const struct { PixelF dst, src, expected; } cases[] = {
      {{0, 9, 9, 9}, {0, 1, 2, 3}, {0, 1, 2, 3}},
      {{0.5f, 9, 9, 9}, {1, 1, 2, 3}, {1, 1, 2, 3}},
      {{0.5f, 9, 8, 7}, {0, 1, 2, 3}, {0.5f, 9, 8, 7}},
      {{1, 0, 0, 1}, {0.5f, 1, 0, 0}, {1.0f, 0.5f, 0.0f, 0.5f}},
      {{0.5f, 0, 0, 1}, {0.5f, 1, 0, 0}, {0.75f, 0.5f / 0.75f, 0.0f, 0.25f / 0.75f}},
  };
  for (const auto& c : cases) EXPECT_EQ(overFloat(c.dst, c.src), c.expected) << c.dst.alpha << "," << c.src.alpha;
  const PixelF r = overFloat({0.5f, 0, 0, 1}, {0.5f, 1, 0, 0});
  EXPECT_FLOAT_EQ(r.red, 0.6666667f);
  EXPECT_FLOAT_EQ(r.blue, 0.3333333f);
}

TEST(OverFloat, ColoursAboveOneAreNotClamped) {
  const PixelF r = overFloat({0.25f, 0.2f, 0.4f, 0.6f}, {0.75f, 1.5f, 0.0f, 0.5f});
  EXPECT_EQ(r.alpha, 0.8125f);
  EXPECT_EQ(r.red, 1.4000001f);
}

TEST(OverFloat, OnlyExactlyOneIsOpaque) {
  const PixelF dst{1, 0, 0, 0};
  const PixelF almost{0.9999999f, 1, 1, 1};
  const PixelF general = overFloat(dst, almost);
  EXPECT_EQ(general.alpha, 1.0f);
  EXPECT_NE(general.red, 1.0f);  // the general path mixes in a little of dst
  EXPECT_EQ(overFloat(dst, PixelF{1, 2, 3, 4}), (PixelF{1, 2, 3, 4}));
}

TEST(Dot2, Double) {
  EXPECT_EQ(dot2(1.5, -2.0, 4.0, 0.25), 5.5);
  EXPECT_EQ(dot2(0.1, 0.2, 0.3, 0.4), 0.1 * 0.3 + 0.2 * 0.4);
}

TEST(Image, RowStrideFollowsRowBytes) {
  alignas(8) unsigned char bytes[3 * 16] = {};
  Image im{2, 3, 16, DEPTH_8, bytes};  // 4 pixels per row, 2 used
  im.at<Pixel8>(1, 2) = {1, 2, 3, 4};
  EXPECT_EQ(bytes[2 * 16 + 4], 1);
  EXPECT_EQ(bytes[2 * 16 + 7], 4);
}

}  // namespace
}  // namespace quiltora
