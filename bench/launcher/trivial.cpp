// The reference for the launcher's timing: a Windows GUI program that hands the same URL to the
// browser and ends, with no window, no network and no update check.
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include "build_config.h"
#include "common/win32/text_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ::ShellExecuteW(nullptr, L"open", morvane::GbkToWide(morvane::config::kHomePageUrl).c_str(), nullptr,
                  nullptr, SW_SHOWNORMAL);
  ::CoUninitialize();
  return 0;
}
