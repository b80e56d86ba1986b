// A stand-in for update.exe in the launcher's tests: appends one line to "started.txt" in its own
// folder with the time it started (Unix seconds, as the Linux side's clock reads it under Wine),
// its executable path and its command line, all UTF-8, tab-separated.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/win32/process.h"
#include "common/win32/text_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  FILETIME ft;
  ::GetSystemTimePreciseAsFileTime(&ft);
  const unsigned long long ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  const double unixSeconds = static_cast<double>(ticks - 116444736000000000ULL) / 1e7;

  wchar_t self[MAX_PATH * 4];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
  const std::wstring log = morvane::ProgramFolder() + L"\\started.txt";
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%.3f", unixSeconds);
  const std::string line = std::string(stamp) + "\t" + morvane::WideToUtf8(self) + "\t" +
                           morvane::WideToUtf8(::GetCommandLineW()) + "\n";
  HANDLE f = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(f);
  }
  return 0;
}
