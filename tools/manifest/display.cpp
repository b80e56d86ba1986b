#include <cstdio>

#include "tools/manifest/encoding.h"

namespace morvane::manifest_tool {

std::string GbkToUtf8Display(std::string_view gbk) {
  std::string out;
  char hex[8];
  size_t i = 0;
  while (i < gbk.size()) {
    const auto b = static_cast<unsigned char>(gbk[i]);
    if (b >= 0x80 && i + 1 < gbk.size()) {
      if (auto ch = GbkPairToUtf8(gbk.substr(i, 2))) {
        out += *ch;
        i += 2;
        continue;
      }
    }
    if (b == '\r') out += "\\r";
    else if (b == '\n') out += "\\n";
    else if (b == '\t') out += "\\t";
    else if (b < 0x20 || b >= 0x7F) { std::snprintf(hex, sizeof hex, "\\x%02X", b); out += hex; }
    else out += static_cast<char>(b);
    ++i;
  }
  return out;
}

}  // namespace morvane::manifest_tool
