// The updater window's geometry in pixels: the outer size, the centring rule and the controls'
// rectangles in the client area.
#pragma once

#include <cstdint>

namespace morvane::updater {

struct PixelRect {
  int32_t left, top, width, height;
};

inline constexpr int32_t kWindowWidth = 402;
inline constexpr int32_t kWindowHeight = 123;

inline constexpr PixelRect kLaterButtonRect{200, 56, 75, 25};
inline constexpr PixelRect kStopButtonRect{160, 56, 75, 25};
inline constexpr PixelRect kStartButtonRect{88, 56, 75, 25};
inline constexpr PixelRect kProgressBarRect{40, 16, 320, 24};

struct PixelPoint {
  int32_t x, y;
};

// The outer window's top-left corner, centred on a screen of the given size by integer division.
PixelPoint CentredOrigin(int32_t screenWidth, int32_t screenHeight);

}  // namespace morvane::updater
