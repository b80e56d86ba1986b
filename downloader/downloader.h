// The background downloader: one task at a time, fetched over plain HTTP on threads of its own
// into a file that has its full length from the moment it is created.
//
// Texts are byte strings. savePath is UTF-8 (the Windows layer converts it to UTF-16), url is the
// address as the manifest gives it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace morvane {

// Events passed to DownloadTask::eventCallback. For kEventFileExists the callback answers with a
// replacement name written into `answer` (return 1), or returns 0 to let the downloader choose
// "name(1).ext" .. "name(99).ext" itself.
enum DownloadEvent : int32_t {
  kEventFileExists = 1,  // detail: the existing path
  kEventStarted = 2,     // detail: the path actually written
  kEventFinished = 3,    // detail: "completed", "failed" or "stopped"
};

using LogCallback = void (*)(const char* message);
using EventCallback = int32_t (*)(int32_t event, const char* detail, std::string* answer);

// The parameters of one download: 20 fields in this order, with the defaults a new record has.
struct DownloadTask {
  int32_t uploadMode = 1;                 // FTP uploads only
  std::string url;                        // the address to download
  std::string savePath;                   // the file to create (UTF-8)
  std::string userName = "anonymous";     // FTP
  std::string password = "guest@morvane.com";  // FTP: an e-mail address, as anonymous FTP expects
  int32_t threadCount = 1;                // connections; a file under 20480 bytes uses one
  int32_t speedLimit = 0;                 // bytes per second for the whole task; 0: no limit
  int32_t connectTimeout = 20000;         // ms
  int32_t sendTimeout = 20000;            // ms
  int32_t receiveTimeout = 20000;         // ms without incoming data
  int32_t stopWait = 1000;                // ms that stopping waits for the connections
  int32_t receiveBlockSize = 20480;       // largest single read, capped at 20480
  int32_t sendBlockSize = 1024;           // FTP uploads only
  LogCallback logCallback = nullptr;
  EventCallback eventCallback = nullptr;
  std::string uploadSource;               // FTP uploads only
  int32_t transferType = 1;               // FTP: 1 binary, 2 text, 3 by extension
  std::string binaryTypes = ".exe|.rar|.zip|.gif|.jpg|.mp3|.rm";
  std::string proxy;                      // "host[:port]" (port 80 when absent); empty: direct
  std::string referer;                    // empty: the address up to its last "/"
};

enum class TaskResult { kCompleted, kFailed, kStopped };

// What became of the last task once it has ended.
struct TaskOutcome {
  TaskResult result = TaskResult::kFailed;
  std::string path;        // the file actually written (may differ from savePath); empty if none
  int64_t length = -1;     // the announced length, -1 when never learnt
  int64_t received = 0;    // bytes written into the file
};

class DownloaderState;

// The handle: empty, or holding the one task it runs.
class Downloader {
 public:
  Downloader();
  ~Downloader();  // stops a running task as ReleaseDownloader does
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  // Pause between retries of a worker; 5000 ms unless a test shortens it.
  void SetRetryPause(int32_t milliseconds);

  std::shared_ptr<DownloaderState> state_;
};

// Starts the task in the background and returns at once. False, with nothing started, when the
// downloader already holds a task or the address cannot be used.
bool AddTask(Downloader& downloader, const DownloadTask& task);

// Bytes received so far by the task held; 0 when no task is held (also once it has ended).
int32_t DoneLength(Downloader& downloader);

// The length announced for the task held; -1 while it is not known or when no task is held.
int64_t TaskLength(const Downloader& downloader);

// Stops a running task, waits in 20 ms steps up to its stopWait for the connections to end, and
// empties the handle. Does nothing when no task is held.
void ReleaseDownloader(Downloader& downloader);

// The outcome of the most recent task once it has ended; nothing while it runs or before any task.
std::optional<TaskOutcome> LastOutcome(const Downloader& downloader);

}  // namespace morvane
