// The per-frame record of every value the engine takes from the effect's
// controls, already in engine units: pixels at the render resolution, degrees
// normalised into one turn, opacities as fractions.
#pragma once

#include <cstdint>

#include "engine/numeric.h"
#include "engine/pixels.h"

namespace quiltora {

enum ShapeKind : int32_t { SHAPE_CIRCLE = 1, SHAPE_POLYGON = 2, SHAPE_LAYER = 3 };
enum BackgroundMode : int32_t { BACKGROUND_ON_ORIGINAL = 1, BACKGROUND_ON_TRANSPARENT = 2 };

struct RenderSettings {
  double scale;
  Fixed offsetX;
  Fixed offsetY;
  Pixel8 fillColor;
  double tileSize;
  double angle;
  double fillingRate;
  int32_t shape;
  int32_t edges;
  double phase;
  int32_t dependOnAngle;
  double inner;
  double opacity;
  int32_t background;
  Pixel8 strokeColor;
  double strokeSize;
  double strokeOpacity;
  int32_t dropshadowOn;
  Pixel8 dropshadowColor;
  double dropshadowAngle;
  double dropshadowDistance;
  int32_t dropshadowBlur;
  double dropshadowOpacity;
};

// The 21 parameter values a frame's settings are built from, each in the
// host's representation of its control (the Offset point gives two numbers).
struct RenderParamValues {
  Fixed offsetX = 0, offsetY = 0;    // point, pixels
  Pixel8 color{255, 255, 0, 0};      // colour
  double tileSize = 50.0;            // floating slider
  Fixed angle = 15 << 16;            // angle, degrees
  double fillingRate = 1.0;          // floating slider
  int32_t shape = SHAPE_CIRCLE;      // popup
  int32_t edges = 4;                 // integer slider
  Fixed phase = 0;                   // angle, degrees
  int32_t dependOnAngle = 0;         // checkbox
  Fixed inner = 0;                   // fixed slider, percent
  Fixed opacity = 100 << 16;         // fixed slider, percent
  int32_t background = BACKGROUND_ON_ORIGINAL;  // popup
  Pixel8 strokeColor{255, 255, 255, 255};
  int32_t strokeSize = 0;            // integer slider
  Fixed strokeOpacity = 100 << 16;
  int32_t dropshadowOn = 0;
  Pixel8 dropshadowColor{255, 0, 0, 0};
  Fixed dropshadowAngle = 135 << 16;
  double dropshadowDistance = 3.0;   // floating slider
  int32_t dropshadowBlur = 0;        // integer slider
  Fixed dropshadowOpacity = 100 << 16;
};

// Degrees into [0, 360): the remainder of a truncating division, raised by one
// turn when negative (so -0.0 stays -0.0).
double normaliseDegrees(double degrees);

// The largest length, in pixels, that the settings carry. No control reaches
// it (Tile Size and Distance stop at 2000); it keeps every later integer
// conversion of a corrupt or extreme value in range.
constexpr double MAX_SETTINGS_LENGTH = 1.0e6;

// Builds the frame's settings. The downsample factor is numerator /
// denominator; a zero denominator, which no host sends, is taken as a factor
// of 1 so that every length stays finite. Never fails.
RenderSettings buildRenderSettings(const RenderParamValues& values, int32_t downsampleNumerator,
                                   uint32_t downsampleDenominator);

}  // namespace quiltora
