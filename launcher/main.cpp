// morvane.exe: checks the manifest, starts the updater when a newer launcher is announced, opens
// the site's home page and ends. Its only window is created invisible and never shown.
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <optional>

#include "build_config.h"
#include "common/resources/app_icon.h"
#include "common/win32/process.h"
#include "common/win32/text_win32.h"
#include "manifest/fetch.h"
#include "manifest/manifest.h"
#include "launcher/launcher_state.h"

namespace morvane {
namespace {

constexpr wchar_t kWindowClass[] = L"MorvaneStartWindow";

std::optional<LauncherState> g_state;  // lives from start-up to the shutdown routine

void ProcessQueuedMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // a quit request stays queued
      break;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void CheckAndStartUpdater(HWND startWindow) {
  LauncherState& s = *g_state;
  ProcessQueuedMessages();
  s.manifestBlock = FetchManifest(config::kManifestUrl);
  s.manifestBlock = TextBetween(s.manifestBlock, kStartMarker, kEndMarker);
  s.latestVersion = TextBetween(s.manifestBlock, kVersionLabel, kFieldEnd);
  s.updaterPath = ProgramFolder() + L"\\update.exe";
  s.currentVersion = config::kCurrentVersion;
  if (IsNewerVersion(s.latestVersion, s.currentVersion)) {
    // The command line is the bare path, as the updater has always received it; naming the
    // executable as well keeps Windows from trying "C:\Program.exe" for a folder with a blank.
    StartProcess(s.updaterPath, s.updaterPath, SW_SHOWNORMAL);
  }
  ::PostMessageW(startWindow, WM_CLOSE, 0, 0);
}

void OpenHomePage() {
  ::ShellExecuteW(nullptr, L"open", GbkToWide(config::kHomePageUrl).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

void OnStartWindowCreated(HWND startWindow) {
  CheckAndStartUpdater(startWindow);
  OpenHomePage();
}

void LauncherShutdown() { g_state.reset(); }

LRESULT CALLBACK StartWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND LoadStartWindow(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = StartWindowProc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(MORVANE_APP_ICON));
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kWindowClass;
  if (!::RegisterClassExW(&wc)) return nullptr;
  // Created without WS_VISIBLE, and nothing ever shows it.
  return ::CreateWindowExW(0, kWindowClass, L"", WS_OVERLAPPEDWINDOW, 50, 50, 164, 79, nullptr,
                           nullptr, instance, nullptr);
}

}  // namespace
}  // namespace morvane

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace morvane;
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  g_state.emplace();
  if (HWND window = LoadStartWindow(instance)) {
    OnStartWindowCreated(window);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  } else {
    // No window could be made: the check and the home page still happen.
    OnStartWindowCreated(nullptr);
  }
  LauncherShutdown();
  ::CoUninitialize();
  return 0;
}
