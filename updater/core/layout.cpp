#include "updater/core/layout.h"

namespace morvane::updater {

PixelPoint CentredOrigin(int32_t screenWidth, int32_t screenHeight) {
  return {(screenWidth - kWindowWidth) / 2, (screenHeight - kWindowHeight) / 2};
}

}  // namespace morvane::updater
