#include "common/win32/text_win32.h"

#include <windows.h>

namespace morvane {
namespace {

constexpr UINT kGbk = 936;

std::wstring ToWide(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

}  // namespace

std::wstring GbkToWide(std::string_view gbk) { return ToWide(kGbk, gbk); }
std::wstring Utf8ToWide(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }

std::string WideToUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

bool WideToGbk(std::wstring_view wide, std::string* gbk) {
  gbk->clear();
  if (wide.empty()) return true;
  BOOL lossy = FALSE;
  int n = ::WideCharToMultiByte(kGbk, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, &lossy);
  if (n <= 0 || lossy) return false;
  gbk->assign(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(kGbk, 0, wide.data(), static_cast<int>(wide.size()), gbk->data(), n,
                        nullptr, &lossy);
  return !lossy;
}

}  // namespace morvane
