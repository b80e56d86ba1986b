// What a running task shares between its own thread, its workers and the handle. Every thread
// holds it by shared_ptr, so a thread still running after the handle gave up waiting (or after
// the Downloader was destroyed) never touches freed memory.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "downloader/address.h"
#include "downloader/downloader.h"
#include "downloader/os/os.h"
#include "downloader/ranges.h"

namespace morvane::download {

inline constexpr int32_t kMaxRetries = 999;
inline constexpr int kMaxRedirects = 10;
inline constexpr int32_t kMaxReceiveBlock = 20480;
// The part of the file a worker maps at a time; a worker holds two (the one it fills and the
// next, made ready meanwhile): small enough for a 32-bit address space (16 connections take
// 128 MiB of it at most) and for a small resident size, large enough that mapping costs little.
inline constexpr size_t kWindowSize = size_t{1} << 22;
// The count of received bytes is 32 bits wide: longer downloads are refused.
inline constexpr int64_t kMaxLength = INT32_MAX;

enum class WorkerResult { kCompleted, kFailed, kStopped };

// What workers tell the task's thread.
struct TaskEvent {
  enum Kind { kLog, kLengthKnown, kWorkerEnded } kind = kLog;
  std::string message;  // kLog
  int worker = 0;       // kWorkerEnded
  WorkerResult result = WorkerResult::kFailed;
};

struct TaskState {
  TaskState(const DownloadTask& record, Address address, int32_t retryPause, uint64_t serial);

  // Fixed at AddTask: the task's own copies.
  const DownloadTask record;
  const Address address;
  const std::string referer;
  const int32_t retryPause;
  const uint64_t serial;
  std::optional<Address> proxy;  // a parsed `proxy` field, nothing for a direct connection

  // Raised to end the workers: by ReleaseDownloader (released too) or when a worker failed.
  std::atomic<bool> halt{false};
  std::atomic<bool> released{false};
  // Set by the task's thread as its last act.
  std::atomic<bool> ended{false};

  // Bytes received and written, over all connections.
  void AddReceived(int64_t bytes);
  int64_t Received() const;

  void Post(TaskEvent event);
  void Log(std::string message);
  std::deque<TaskEvent> TakeEvents(std::chrono::milliseconds wait);

  // The target, set once by worker 0 when it learnt the length. Workers created after that read
  // it without the lock.
  std::mutex fileMutex;
  os::TargetFile file;
  std::string path;
  int64_t length = -1;
  std::vector<ByteRange> ranges;

 private:
  mutable std::mutex countMutex_;
  int64_t received_ = 0;
  std::mutex eventMutex_;
  std::condition_variable eventsChanged_;
  std::deque<TaskEvent> events_;
};

// One connection: fetches its byte range of the file (worker 0 first learns the length and
// creates the file), retrying broken transfers from the first missing byte.
WorkerResult RunWorker(TaskState& task, int index);

// The task's own thread: starts the workers, serves their events, ends the task and empties the
// handle.
void RunTask(std::shared_ptr<DownloaderState> downloader, std::shared_ptr<TaskState> task);

}  // namespace morvane::download
