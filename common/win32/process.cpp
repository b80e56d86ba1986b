#include "common/win32/process.h"

#include <windows.h>

#include <vector>

#include "common/win32/handles.h"

namespace morvane {
namespace {

std::wstring ModulePath() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return std::wstring(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

}  // namespace

std::wstring ProgramFolder() {
  std::wstring path = ModulePath();
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring ProgramFileName() {
  std::wstring path = ModulePath();
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool StartProcess(const std::wstring& application, const std::wstring& commandLine, int showState) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(showState);
  PROCESS_INFORMATION pi{};
  std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
  if (!::CreateProcessW(application.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &si, &pi)) {
    return false;
  }
  UniqueKernelHandle process(pi.hProcess);
  UniqueKernelHandle thread(pi.hThread);
  ::WaitForInputIdle(process.get(), 1000);
  return true;
}

}  // namespace morvane
