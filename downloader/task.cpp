// The task's own thread and the state it shares with its workers.
#include "downloader/task.h"

#include <thread>

#include "downloader/downloader_state.h"

namespace morvane::download {
namespace {

std::string RefererFor(const DownloadTask& record) {
  return record.referer.empty() ? DefaultReferer(record.url) : record.referer;
}

const char* ResultName(TaskResult result) {
  switch (result) {
    case TaskResult::kCompleted:
      return "completed";
    case TaskResult::kStopped:
      return "stopped";
    case TaskResult::kFailed:
      break;
  }
  return "failed";
}

}  // namespace

TaskState::TaskState(const DownloadTask& task, Address parsed, int32_t pause, uint64_t number)
    : record(task), address(std::move(parsed)), referer(RefererFor(task)), retryPause(pause),
      serial(number) {}

void TaskState::AddReceived(int64_t bytes) {
  std::lock_guard<std::mutex> lock(countMutex_);
  received_ += bytes;
}

int64_t TaskState::Received() const {
  std::lock_guard<std::mutex> lock(countMutex_);
  return received_;
}

void TaskState::Post(TaskEvent event) {
  {
    std::lock_guard<std::mutex> lock(eventMutex_);
    events_.push_back(std::move(event));
  }
  eventsChanged_.notify_all();
}

void TaskState::Log(std::string message) {
  Post({TaskEvent::kLog, std::move(message), 0, WorkerResult::kFailed});
}

std::deque<TaskEvent> TaskState::TakeEvents(std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(eventMutex_);
  // Nothing to do: sleep until a worker reports or `wait` (100 ms) has passed.
  if (events_.empty()) eventsChanged_.wait_for(lock, wait, [this] { return !events_.empty(); });
  return std::exchange(events_, {});
}

void RunTask(std::shared_ptr<DownloaderState> downloader, std::shared_ptr<TaskState> task) {
  const DownloadTask& record = task->record;
  std::vector<std::thread> workers;
  int running = 0;
  size_t completed = 0;
  bool failed = false;

  auto log = [&](const std::string& message) {
    if (record.logCallback) record.logCallback(message.c_str());
  };
  auto start = [&](int index) {
    try {
      workers.emplace_back([task, index] {
        WorkerResult result = RunWorker(*task, index);
        task->Post({TaskEvent::kWorkerEnded, {}, index, result});
      });
      ++running;
    } catch (const std::system_error&) {
      log("cannot start connection " + std::to_string(index));
      failed = true;
      task->halt = true;
    }
  };

  if (task->address.scheme == "http") {
    start(0);
  } else {
    // ftp, mms, mmst and rtsp addresses are accepted by AddTask but their transfer is not
    // supported: the task ends as failed before any file is created.
    log("the " + task->address.scheme + " protocol is not supported");
    failed = true;
  }

  while (running > 0) {
    for (TaskEvent& event : task->TakeEvents(std::chrono::milliseconds(100))) {
      switch (event.kind) {
        case TaskEvent::kLog:
          log(event.message);
          break;
        case TaskEvent::kLengthKnown:
          if (record.eventCallback) record.eventCallback(kEventStarted, event.message.c_str(), nullptr);
          for (size_t i = 1; i < task->ranges.size() && !task->halt.load(); ++i) {
            start(static_cast<int>(i));
          }
          break;
        case TaskEvent::kWorkerEnded:
          --running;
          if (event.result == WorkerResult::kCompleted) ++completed;
          if (event.result == WorkerResult::kFailed) {
            failed = true;
            task->halt = true;  // the download cannot complete: end the other connections now
          }
          break;
      }
    }
  }
  for (std::thread& worker : workers) worker.join();

  TaskOutcome outcome;
  {
    std::lock_guard<std::mutex> lock(task->fileMutex);
    task->file.Close();
    outcome.path = task->path;
    outcome.length = task->length;
  }
  outcome.received = task->Received();
  if (!failed && task->length >= 0 && completed == task->ranges.size()) {
    outcome.result = TaskResult::kCompleted;
  } else if (!failed && task->released.load()) {
    outcome.result = TaskResult::kStopped;
  } else {
    outcome.result = TaskResult::kFailed;
  }
  log(std::string("task ") + ResultName(outcome.result));
  if (record.eventCallback) record.eventCallback(kEventFinished, ResultName(outcome.result), nullptr);

  {
    std::lock_guard<std::mutex> lock(downloader->mutex);
    if (downloader->serial == task->serial) downloader->lastOutcome = outcome;
    if (downloader->current == task) downloader->current.reset();
  }
  task->ended = true;
}

}  // namespace morvane::download
