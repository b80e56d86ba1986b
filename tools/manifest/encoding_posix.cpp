#include <iconv.h>

#include "tools/manifest/encoding.h"

namespace morvane::manifest_tool {
namespace {

// One conversion of a whole string; nothing on any invalid or unconvertible input.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || srcLeft != 0) return std::nullopt;
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) { return Convert("GBK", "UTF-8", utf8); }

std::optional<std::string> GbkPairToUtf8(std::string_view pair) {
  return Convert("UTF-8", "GBK", pair);
}

}  // namespace morvane::manifest_tool
