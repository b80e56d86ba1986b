// The inside of the Downloader handle, shared with the task's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "downloader/downloader.h"

namespace morvane {

namespace download {
struct TaskState;
}

class DownloaderState {
 public:
  std::mutex mutex;
  std::shared_ptr<download::TaskState> current;  // the task held, if any
  std::optional<TaskOutcome> lastOutcome;        // of the most recent task, once it has ended
  uint64_t serial = 0;                           // of the most recent task
  std::atomic<int32_t> retryPause{5000};
};

}  // namespace morvane
