// The updater's program-wide values: made at start-up, released by UpdaterShutdown.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "downloader/downloader.h"
#include "manifest/text.h"
#include "updater/core/timer_period.h"

namespace morvane::updater {

struct UpdaterState {
  // Texts (GBK) of the update check.
  Text currentVersion;
  Text manifestBlock;
  Text latestVersion;
  Text releaseNotes;
  Text downloadAddress;
  // The program folder followed by "\morvane.bak": measured and shown by the tick. UTF-16, so a
  // folder of any name keeps its name.
  std::wstring backupPath;
  // The download's parameters and the handle of the one download.
  std::unique_ptr<DownloadTask> task;
  std::unique_ptr<Downloader> downloader;

  // The window and the values behind its operations.
  HWND window = nullptr;
  int32_t storedPosition = 0;  // the progress bar's position as written (0..32767)
  TimerPeriod timer;

  bool updateStarted = false;   // the start button has been handled (it is never handled twice)
  bool outcomeJudged = false;   // the finished download has been judged for installing
  bool handedOver = false;      // the replacement script has been started
};

}  // namespace morvane::updater
