// RequestExit and ConfirmExit: the exit question on a thread of its own.
#include <windows.h>

#include <atomic>
#include <system_error>
#include <thread>

#include "common/win32/text_win32.h"
#include "updater/core/texts.h"
#include "updater/handlers.h"
#include "updater/window.h"

namespace morvane::updater {
namespace {

// The window a Yes closes; null once it has been destroyed, so a late Yes does nothing.
std::atomic<HWND> exitTarget{nullptr};

void ConfirmExit() {
  const std::wstring text = GbkToWide(kExitQuestion);
  const std::wstring title = GbkToWide(kExitQuestionTitle);
  int answer = ::MessageBoxW(nullptr, text.c_str(), title.c_str(),
                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_TASKMODAL);
  if (answer != IDYES) return;
  if (HWND window = exitTarget.load()) RequestClose(window);  // queued; fails harmlessly if gone
}

}  // namespace

void SetExitTarget(HWND window) { exitTarget.store(window); }

void RequestExit() {
  try {
    std::thread(ConfirmExit).detach();
  } catch (const std::system_error&) {
    // The thread could not be started: the click has no effect.
  }
}

}  // namespace morvane::updater
