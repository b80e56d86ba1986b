// The three operations on the handle.
#include "downloader/downloader.h"

#include <chrono>
#include <thread>

#include "downloader/downloader_state.h"
#include "downloader/task.h"

namespace morvane {

using download::TaskState;

Downloader::Downloader() : state_(std::make_shared<DownloaderState>()) {}

Downloader::~Downloader() { ReleaseDownloader(*this); }

void Downloader::SetRetryPause(int32_t milliseconds) { state_->retryPause = milliseconds; }

bool AddTask(Downloader& downloader, const DownloadTask& task) {
  std::shared_ptr<DownloaderState> state = downloader.state_;
  std::optional<download::Address> address = download::ParseAddress(task.url);
  if (!address) return false;
  std::optional<download::Address> proxy;
  if (!task.proxy.empty()) {
    proxy = download::ParseAddress("http://" + task.proxy + "/");
    if (!proxy) return false;
  }
  os::StartNetworking();

  std::lock_guard<std::mutex> lock(state->mutex);
  if (state->current) return false;
  auto running = std::make_shared<TaskState>(task, std::move(*address), state->retryPause.load(),
                                             state->serial + 1);
  running->proxy = std::move(proxy);
  try {
    // The thread owns its share of the state: it may outlive the handle (see ReleaseDownloader).
    std::thread(download::RunTask, state, running).detach();
  } catch (const std::system_error&) {
    return false;
  }
  state->serial = running->serial;
  state->current = running;
  state->lastOutcome.reset();
  return true;
}

int32_t DoneLength(Downloader& downloader) {
  std::lock_guard<std::mutex> lock(downloader.state_->mutex);
  const auto& task = downloader.state_->current;
  return task ? static_cast<int32_t>(task->Received()) : 0;
}

int64_t TaskLength(const Downloader& downloader) {
  std::shared_ptr<TaskState> task;
  {
    std::lock_guard<std::mutex> lock(downloader.state_->mutex);
    task = downloader.state_->current;
  }
  if (!task) return -1;
  std::lock_guard<std::mutex> lock(task->fileMutex);
  return task->length;
}

void ReleaseDownloader(Downloader& downloader) {
  std::shared_ptr<DownloaderState> state = downloader.state_;
  std::shared_ptr<TaskState> task;
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    task = state->current;
  }
  if (!task) return;
  task->released = true;
  task->halt = true;
  for (int32_t waited = 0; !task->ended.load() && waited < task->record.stopWait; waited += 20) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  TaskOutcome outcome;
  outcome.result = TaskResult::kStopped;
  outcome.received = task->Received();
  {
    std::lock_guard<std::mutex> lock(task->fileMutex);
    outcome.path = task->path;
    outcome.length = task->length;
  }
  std::lock_guard<std::mutex> lock(state->mutex);
  if (state->current != task) return;  // the task ended and emptied the handle itself
  // Its connections did not end in time: the threads keep their own share of the state and end
  // later; the handle is empty from now on and the outcome is that of a stopped task.
  state->current.reset();
  state->lastOutcome = outcome;
}

std::optional<TaskOutcome> LastOutcome(const Downloader& downloader) {
  std::lock_guard<std::mutex> lock(downloader.state_->mutex);
  return downloader.state_->lastOutcome;
}

}  // namespace morvane
