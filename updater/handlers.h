// The handlers bound to the updater window's events, and the program's start and end.
#pragma once

#include "updater/state.h"

namespace morvane::updater {

// Creation complete: the first title, the stop button hidden, backupPath.
void OnUpdaterWindowCreated(UpdaterState& state);
// Click on "开始更新": the update check and, for a newer version, the start of the download.
void StartUpdate(UpdaterState& state);
// Timer tick: the progress display and, once the download is complete and sound, HandOver.
void DownloadTick(UpdaterState& state);
// Click on "下次再说" or "停止": asks the exit question on a thread of its own.
void RequestExit();
// Tells the question threads which window a Yes closes; null once the window is gone.
void SetExitTarget(HWND window);
// Once, after the message loop: releases the texts, the task record and the downloader.
void UpdaterShutdown(UpdaterState& state);

}  // namespace morvane::updater
