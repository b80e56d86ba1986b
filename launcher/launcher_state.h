// The launcher's program-wide values: set by the update check, released by the shutdown routine.
#pragma once

#include <string>

#include "manifest/text.h"

namespace morvane {

struct LauncherState {
  Text manifestBlock;        // first the fetched manifest, then the block cut out of it
  Text latestVersion;
  std::wstring updaterPath;  // program folder + "\update.exe" (UTF-16: any folder name works)
  Text currentVersion;
};

}  // namespace morvane
