// DownloadTick and HandOver: the progress display, and the single hand-over to bat.bat once the
// downloader reports this download complete and the file is a Windows executable.
#include <windows.h>

#include <optional>
#include <string>

#include "common/win32/handles.h"
#include "common/win32/process.h"
#include "common/win32/text_win32.h"
#include "updater/core/install_check.h"
#include "updater/core/progress.h"
#include "updater/core/script.h"
#include "updater/core/texts.h"
#include "updater/core/titles.h"
#include "updater/handlers.h"
#include "updater/window.h"

namespace morvane::updater {
namespace {

std::optional<uint64_t> FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The first bytes of the file, read with every kind of sharing so a closing writer is no bar.
std::string ReadHead(const std::wstring& path, size_t count) {
  UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string head(count, '\0');
  DWORD got = 0;
  if (!::ReadFile(file.get(), head.data(), static_cast<DWORD>(count), &got, nullptr)) return {};
  head.resize(got);
  return head;
}

// The folder as cmd reads it in the script: the console's (OEM) code page, which on Chinese
// Windows is 936. A folder that page cannot express is given in its short form.
std::optional<std::string> FolderForScript(const std::wstring& folder) {
  const UINT codePage = ::GetOEMCP();
  auto encode = [codePage](const std::wstring& wide) -> std::optional<std::string> {
    if (wide.empty()) return std::nullopt;
    BOOL lossy = FALSE;
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    int n = ::WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                  nullptr, utf8 ? nullptr : &lossy);
    if (n <= 0 || lossy) return std::nullopt;
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                          nullptr, utf8 ? nullptr : &lossy);
    if (lossy) return std::nullopt;
    return out;
  };
  if (auto direct = encode(folder)) return direct;
  DWORD n = ::GetShortPathNameW(folder.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring shortName(n, L'\0');
  n = ::GetShortPathNameW(folder.c_str(), shortName.data(), n);
  shortName.resize(n);
  if (n == 0 || shortName == folder) return std::nullopt;
  return encode(shortName);
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::wstring CommandInterpreter() {
  wchar_t system[MAX_PATH] = {};
  UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return L"C:\\Windows\\system32\\cmd.exe";
  return std::wstring(system, n) + L"\\cmd.exe";
}

void HandOver(UpdaterState& state) {
  const std::wstring folder = ProgramFolder();
  std::optional<std::string> scriptFolder = FolderForScript(folder);
  if (!scriptFolder) return;  // cmd could not name the folder: never hand over

  state.handedOver = true;
  SetTimerPeriod(state, 0);
  SetProgressPosition(state, 100);
  SetGbkTitle(state.window, kDoneTitle);

  const std::wstring scriptPath = folder + GbkToWide(kScriptFileName);
  if (!WriteWholeFile(scriptPath, ReplacementScript(*scriptFolder, ::GetCurrentProcessId()))) return;
  // "/s /c" with the quoted path inside one more pair of quotes: cmd strips the outer pair only,
  // so a folder with blanks or parentheses reaches it whole, and %0 is the quoted path.
  StartProcess(CommandInterpreter(), L"cmd.exe /d /s /c \"\"" + scriptPath + L"\"\"", SW_HIDE);
}

}  // namespace

void DownloadTick(UpdaterState& state) {
  if (state.handedOver) return;
  const int64_t size = ReportedFileSize(FileSize(state.backupPath));
  if (std::optional<int64_t> percent = TickPercent(size, DoneLength(*state.downloader))) {
    SetProgressPosition(state, *percent);
    ProgressTitleParts title = ProgressTitle(ReadProgressPosition(state));
    SetTitle(state.window, GbkToWide(title.beforePath) + state.backupPath + GbkToWide(title.afterPath));
  }

  if (state.outcomeJudged) return;
  std::optional<TaskOutcome> outcome = LastOutcome(*state.downloader);
  if (!outcome) return;  // still running, or never started
  state.outcomeJudged = true;
  const std::wstring savePath = Utf8ToWide(state.task->savePath);
  const std::optional<uint64_t> onDisk = FileSize(savePath);
  const int64_t sizeOnDisk = onDisk ? static_cast<int64_t>(*onDisk) : -1;
  if (ReadyToInstall(*outcome, state.task->savePath, sizeOnDisk, ReadHead(savePath, kExecutableHeadBytes))) {
    HandOver(state);
  }
}

}  // namespace morvane::updater
