// Writing a manifest the programs read back exactly as it was meant.
#pragma once

#include <string>
#include <string_view>

namespace morvane::manifest_tool {

struct MakeInput {
  std::string version;  // UTF-8
  std::string notes;    // UTF-8; line breaks allowed
  std::string address;  // UTF-8
};

struct MakeResult {
  bool ok = false;
  std::string manifest;  // GBK, CR LF between lines, when ok
  std::string error;     // UTF-8, when not ok
};

MakeResult MakeManifest(const MakeInput& input);

}  // namespace morvane::manifest_tool
