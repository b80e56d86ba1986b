// What the programs will read from a manifest file, and every trap in it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "manifest/manifest.h"

namespace morvane::manifest_tool {

enum class Severity { kWarning, kError };

struct Finding {
  Severity severity;
  std::string message;  // UTF-8
};

struct CheckReport {
  bool blockFound = false;     // both markers present, start before end
  ManifestFields fields;       // exactly what the launcher and the updater cut out (GBK)
  bool wouldUpdate = false;    // a program of the given version would start an update
  std::vector<Finding> findings;

  // 0 fine, 1 warnings only, 2 errors.
  int ExitStatus() const;
};

// `file` is the manifest's bytes as stored on the site; `currentVersion` the version built into
// the programs that will read it.
CheckReport CheckManifest(std::string_view file, std::string_view currentVersion);

}  // namespace morvane::manifest_tool
