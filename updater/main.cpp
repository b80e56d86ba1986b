// update.exe: the updater's entry, message loop and shutdown.
#include <windows.h>

#include <memory>

#include "common/win32/process.h"
#include "updater/handlers.h"
#include "updater/state.h"
#include "updater/window.h"

namespace morvane::updater {

void UpdaterShutdown(UpdaterState& state) {
  state.currentVersion.clear();
  state.backupPath.clear();
  state.manifestBlock.clear();
  state.latestVersion.clear();
  state.releaseNotes.clear();
  state.downloadAddress.clear();
  state.task.reset();  // a started download works on its own copies of the record's texts
  if (state.downloader) ReleaseDownloader(*state.downloader);
  state.downloader.reset();
}

namespace {

// Runs UpdaterShutdown once when the program leaves its entry.
class ShutdownOnExit {
 public:
  explicit ShutdownOnExit(UpdaterState& state) : state_(state) {}
  ShutdownOnExit(const ShutdownOnExit&) = delete;
  ShutdownOnExit& operator=(const ShutdownOnExit&) = delete;
  ~ShutdownOnExit() { UpdaterShutdown(state_); }

 private:
  UpdaterState& state_;
};

int RunUpdater(HINSTANCE instance) {
  ::SetCurrentDirectoryW(ProgramFolder().c_str());
  UpdaterState state;
  state.task = std::make_unique<DownloadTask>();
  state.downloader = std::make_unique<Downloader>();
  ShutdownOnExit shutdown(state);

  HWND window = LoadUpdaterWindow(instance, state);
  if (!window) return 0;
  RunMessageLoop(window);
  return 0;
}

}  // namespace
}  // namespace morvane::updater

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return morvane::updater::RunUpdater(instance);
}
