// launch-probe EXE: starts EXE the way Explorer would, watches every top-level window of its
// process until it ends, and prints one line:
//   exit=<code> elapsed_ms=<ms> windows=<n seen> visible=<n ever visible> shown_events=<n>
// "visible" counts windows seen with WS_VISIBLE by polling every millisecond; "shown_events"
// counts EVENT_OBJECT_SHOW notifications for windows of that process.
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

DWORD g_pid = 0;
std::set<HWND> g_seen;
std::set<HWND> g_visible;
int g_shownEvents = 0;

BOOL CALLBACK Visit(HWND hwnd, LPARAM) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == g_pid) {
    g_seen.insert(hwnd);
    if (::IsWindowVisible(hwnd)) g_visible.insert(hwnd);
  }
  return TRUE;
}

void CALLBACK OnShow(HWINEVENTHOOK, DWORD, HWND hwnd, LONG idObject, LONG, DWORD, DWORD) {
  if (idObject == OBJID_WINDOW && hwnd) ++g_shownEvents;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: launch-probe EXE\n");
    return 2;
  }
  std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const ULONGLONG start = ::GetTickCount64();
  if (!::CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "launch-probe: cannot start (error %lu)\n", ::GetLastError());
    return 2;
  }
  g_pid = pi.dwProcessId;
  HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, OnShow,
                                         g_pid, 0, WINEVENT_OUTOFCONTEXT);
  ::ResumeThread(pi.hThread);
  for (;;) {
    ::EnumWindows(Visit, 0);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    if (::MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 1, QS_ALLINPUT) == WAIT_OBJECT_0) break;
  }
  const ULONGLONG elapsed = ::GetTickCount64() - start;
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  if (hook) ::UnhookWinEvent(hook);
  std::printf("exit=%lu elapsed_ms=%llu windows=%zu visible=%zu shown_events=%d\n", code, elapsed,
              g_seen.size(), g_visible.size(), g_shownEvents);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return 0;
}
