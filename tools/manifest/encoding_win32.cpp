#include <windows.h>

#include "common/win32/text_win32.h"
#include "tools/manifest/encoding.h"

namespace morvane::manifest_tool {

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                      static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::string gbk;
  if (!WideToGbk(Utf8ToWide(utf8), &gbk)) return std::nullopt;
  return gbk;
}

std::optional<std::string> GbkPairToUtf8(std::string_view pair) {
  wchar_t w = 0;
  if (::MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, pair.data(), static_cast<int>(pair.size()), &w,
                            1) != 1) {
    return std::nullopt;
  }
  return WideToUtf8(std::wstring_view(&w, 1));
}

}  // namespace morvane::manifest_tool
