#include "updater/window.h"

#include <commctrl.h>

#include "common/resources/app_icon.h"
#include "common/win32/text_win32.h"
#include "updater/core/layout.h"
#include "updater/core/progress.h"
#include "updater/handlers.h"
#include "updater/updater_ids.h"

namespace morvane::updater {
namespace {

UpdaterState* StateOf(HWND window) {
  return reinterpret_cast<UpdaterState*>(::GetWindowLongPtrW(window, DWLP_USER));
}

void PlaceControl(HWND window, int id, const PixelRect& r) {
  ::MoveWindow(::GetDlgItem(window, id), r.left, r.top, r.width, r.height, FALSE);
}

// The pixel geometry, the font, the icon and the bar's range: what the dialog units of the form
// cannot say exactly.
void ApplyForm(HWND window) {
  const PixelPoint origin = CentredOrigin(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  ::SetWindowPos(window, nullptr, origin.x, origin.y, kWindowWidth, kWindowHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  PlaceControl(window, IDC_LATER_BUTTON, kLaterButtonRect);
  PlaceControl(window, IDC_STOP_BUTTON, kStopButtonRect);
  PlaceControl(window, IDC_START_BUTTON, kStartButtonRect);
  PlaceControl(window, IDC_PROGRESS_BAR, kProgressBarRect);

  HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (int id : {IDC_LATER_BUTTON, IDC_STOP_BUTTON, IDC_START_BUTTON, IDC_PROGRESS_BAR}) {
    ::SendDlgItemMessageW(window, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  auto icon = [&](int metricX, int metricY) {
    return ::LoadImageW(instance, MAKEINTRESOURCEW(MORVANE_APP_ICON), IMAGE_ICON, ::GetSystemMetrics(metricX),
                        ::GetSystemMetrics(metricY), LR_SHARED);
  };
  if (HANDLE big = icon(SM_CXICON, SM_CYICON)) ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (HANDLE small = icon(SM_CXSMICON, SM_CYSMICON)) ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));

  ::SendDlgItemMessageW(window, IDC_PROGRESS_BAR, PBM_SETRANGE32, kBarMinimum, kBarMaximum);
  ::SendDlgItemMessageW(window, IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
}

INT_PTR CALLBACK UpdaterDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<UpdaterState*>(lParam);
      ::SetWindowLongPtrW(window, DWLP_USER, lParam);
      state->window = window;
      SetExitTarget(window);
      ApplyForm(window);
      OnUpdaterWindowCreated(*state);
      return TRUE;
    }
    case WM_COMMAND: {
      UpdaterState* state = StateOf(window);
      if (!state) return FALSE;
      const int id = LOWORD(wParam);
      const bool clicked = HIWORD(wParam) == BN_CLICKED;
      if (id == IDCANCEL) {  // Esc: the same as the close box
        ::DestroyWindow(window);
      } else if (clicked && id == IDC_START_BUTTON) {
        StartUpdate(*state);
      } else if (clicked && (id == IDC_STOP_BUTTON || id == IDC_LATER_BUTTON)) {
        RequestExit();
      }
      return TRUE;  // Enter (IDOK) has no meaning of its own
    }
    case WM_TIMER:
      if (wParam == IDT_DOWNLOAD_TIMER) {
        if (UpdaterState* state = StateOf(window)) DownloadTick(*state);
      }
      return TRUE;
    case WM_CLOSE:  // the close box, Alt+F4, and the queued close of the handlers
      ::DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      SetExitTarget(nullptr);
      if (UpdaterState* state = StateOf(window)) state->window = nullptr;
      ::PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

HWND LoadUpdaterWindow(HINSTANCE instance, UpdaterState& state) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  HWND window = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_UPDATER), nullptr, UpdaterDialogProc,
                                     reinterpret_cast<LPARAM>(&state));
  if (window) ::ShowWindow(window, SW_SHOW);
  return window;
}

namespace {
void Dispatch(HWND window, MSG& msg) {
  if (::IsWindow(window) && ::IsDialogMessageW(window, &msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}
}  // namespace

void RunMessageLoop(HWND window) {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(window, msg);
}

bool HandleWaitingMessages(HWND window) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {  // leave it for the message loop
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    Dispatch(window, msg);
  }
  return ::IsWindow(window) != FALSE;
}

void SetTitle(HWND window, const std::wstring& title) { ::SetWindowTextW(window, title.c_str()); }

void SetGbkTitle(HWND window, std::string_view gbk) { SetTitle(window, GbkToWide(gbk)); }

void SetControlVisible(HWND window, int controlId, bool visible) {
  ::ShowWindow(::GetDlgItem(window, controlId), visible ? SW_SHOWNA : SW_HIDE);
}

void SetButtonCaption(HWND window, int controlId, std::string_view gbk) {
  ::SetWindowTextW(::GetDlgItem(window, controlId), GbkToWide(gbk).c_str());
}

void SetProgressPosition(UpdaterState& state, int64_t position) {
  state.storedPosition = StoredPosition(position);
  HWND bar = ::GetDlgItem(state.window, IDC_PROGRESS_BAR);
  // The stored value, beyond the bar's range, is kept on the bar for anyone who inspects it.
  ::SetWindowLongPtrW(bar, GWLP_USERDATA, state.storedPosition);
  ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(DrawnPosition(state.storedPosition)), 0);
}

int32_t ReadProgressPosition(const UpdaterState& state) { return state.storedPosition; }

void SetTimerPeriod(UpdaterState& state, int32_t milliseconds) {
  switch (state.timer.Set(milliseconds)) {
    case TimerAction::kNone:
      break;
    case TimerAction::kStop:
      ::KillTimer(state.window, IDT_DOWNLOAD_TIMER);
      break;
    case TimerAction::kRestart:
      ::KillTimer(state.window, IDT_DOWNLOAD_TIMER);
      ::SetTimer(state.window, IDT_DOWNLOAD_TIMER, static_cast<UINT>(state.timer.period()), nullptr);
      break;
  }
}

void RequestClose(HWND window) { ::PostMessageW(window, WM_CLOSE, 0, 0); }

}  // namespace morvane::updater
