// Conversions at the Win32 boundary: the programs' texts are GBK (code page 936) whatever the
// system's ANSI code page is; paths are UTF-16 throughout.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

std::wstring GbkToWide(std::string_view gbk);
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
// Empty optional-like result: `ok` is false when a character has no GBK form.
bool WideToGbk(std::wstring_view wide, std::string* gbk);

}  // namespace morvane
