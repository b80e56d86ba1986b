// OnUpdaterWindowCreated and StartUpdate: the first layout, the update check, the download start.
#include <windows.h>

#include "build_config.h"
#include "common/win32/process.h"
#include "common/win32/text_win32.h"
#include "manifest/fetch.h"
#include "manifest/manifest.h"
#include "updater/core/texts.h"
#include "updater/core/titles.h"
#include "updater/handlers.h"
#include "updater/updater_ids.h"
#include "updater/window.h"

namespace morvane::updater {
namespace {

constexpr DWORD kLayoutPauseMs = 1000;
constexpr int32_t kTickPeriodMs = 20;

std::wstring BackupPathNow() { return ProgramFolder() + GbkToWide(kBackupFileName); }

// A morvane.bak left by an earlier run (often a failed download: full length, zeros inside) would
// send this download to morvane(1).bak while the old file is measured. Remove it; if that fails,
// the download lands elsewhere and the install check refuses it, since the completed path is not
// the one asked for.
void ClearTheWay(const std::wstring& backupPath) {
  DWORD attributes = ::GetFileAttributesW(backupPath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    ::SetFileAttributesW(backupPath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  ::DeleteFileW(backupPath.c_str());
}

}  // namespace

void OnUpdaterWindowCreated(UpdaterState& state) {
  state.currentVersion = config::kCurrentVersion;
  SetGbkTitle(state.window, WaitingTitle(state.currentVersion));
  SetControlVisible(state.window, IDC_STOP_BUTTON, false);
  state.backupPath = BackupPathNow();
}

void StartUpdate(UpdaterState& state) {
  if (state.updateStarted) return;  // a second click queued behind the first one
  state.updateStarted = true;
  HWND window = state.window;
  if (!HandleWaitingMessages(window)) return;  // a queued close has already taken the window

  ManifestFields fields = ReadManifest(FetchManifest(config::kManifestUrl));
  state.manifestBlock = std::move(fields.block);
  state.latestVersion = std::move(fields.latestVersion);
  state.releaseNotes = std::move(fields.releaseNotes);
  state.downloadAddress = std::move(fields.downloadAddress);

  if (!IsNewerVersion(state.latestVersion, state.currentVersion)) {
    SetGbkTitle(window, UpToDateTitle(state.currentVersion));
    ::Sleep(kLayoutPauseMs);
    SetProgressPosition(state, 0);
    RequestClose(window);
    return;
  }

  SetGbkTitle(window, NewVersionTitle(state.latestVersion));
  SetButtonCaption(window, IDC_START_BUTTON, kUpdatingCaption);
  SetControlVisible(window, IDC_START_BUTTON, false);
  SetControlVisible(window, IDC_LATER_BUTTON, false);
  SetControlVisible(window, IDC_STOP_BUTTON, true);
  ::Sleep(kLayoutPauseMs);
  SetProgressPosition(state, 0);
  SetTimerPeriod(state, kTickPeriodMs);

  state.task->url = state.downloadAddress;
  state.task->threadCount = 1;
  const std::wstring savePath = BackupPathNow();
  state.task->savePath = WideToUtf8(savePath);
  ClearTheWay(savePath);
  AddTask(*state.downloader, *state.task);
}

}  // namespace morvane::updater
