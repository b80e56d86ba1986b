#include <windows.h>
#include <shellapi.h>
#include <io.h>

#include <atomic>
#include <cstdio>

#include "common/unique_handle.h"
#include "tools/download/console.h"

namespace morvane::tools {
namespace {
std::atomic<bool> gInterrupted{false};

BOOL WINAPI OnControl(DWORD kind) {
  if (kind == CTRL_C_EVENT || kind == CTRL_BREAK_EVENT || kind == CTRL_CLOSE_EVENT) {
    gInterrupted = true;
    return TRUE;
  }
  return FALSE;
}

std::string ToUtf8(const wchar_t* text) {
  int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<size_t>(size - 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

struct LocalFreeTraits {
  static LPWSTR* empty() { return nullptr; }
  static void close(LPWSTR* p) { ::LocalFree(p); }
};
}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  UniqueHandle<LPWSTR*, LocalFreeTraits> owner(wide);
  if (!owner) return {argv, argv + argc};
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(ToUtf8(wide[i]));
  return args;
}

bool StdoutIsTerminal() { return ::_isatty(::_fileno(stdout)) != 0; }

void StopOnInterrupt() { ::SetConsoleCtrlHandler(OnControl, TRUE); }

bool Interrupted() { return gInterrupted.load(); }

}  // namespace morvane::tools
