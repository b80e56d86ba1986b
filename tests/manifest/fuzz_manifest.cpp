// libFuzzer target: any fetched bytes through the manifest extraction. Checks the invariants
// every caller relies on: no crash, every field is a zero-free piece of the block, and the block
// a zero-free piece of the fetched text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "manifest/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane;
  const std::string_view fetched(reinterpret_cast<const char*>(data), size);
  const Text text = BytesToText(fetched);
  const ManifestFields f = ReadManifest(text);
  auto inside = [](const Text& part, const Text& whole) {
    return part.empty() || (part.find('\0') == Text::npos && whole.find(part) != Text::npos);
  };
  if (!inside(f.block, text) || !inside(f.latestVersion, f.block) || !inside(f.releaseNotes, f.block) ||
      !inside(f.downloadAddress, f.block)) {
    std::abort();
  }
  if (IsNewerVersion(f.latestVersion, "0.1") != (CompareText(f.latestVersion, "0.1") == 1)) std::abort();
  return 0;
}
