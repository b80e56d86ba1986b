// The downloader against the loopback test site and its faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "downloader/downloader.h"
#include "downloader/os/os.h"
#include "site_env.h"

namespace morvane {
namespace {

using testing::FileSize;
using testing::LoggedRequest;
using testing::ReadWholeFile;
using testing::SiteEnv;
using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Waits for the task to end; fails the test when it has not ended within `limitMs`.
TaskOutcome WaitForEnd(Downloader& downloader, int limitMs = 20000) {
  auto start = Clock::now();
  while (MsSince(start) < limitMs) {
    if (auto outcome = LastOutcome(downloader)) return *outcome;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ADD_FAILURE() << "the task did not end within " << limitMs << " ms";
  ReleaseDownloader(downloader);
  return LastOutcome(downloader).value_or(TaskOutcome{});
}

class DownloaderTest : public ::testing::Test {
 protected:
  void SetUp() override { downloader_.SetRetryPause(50); }

  // A task as the updater makes it: the defaults, one connection, the given address and target.
  DownloadTask Task(const std::string& url, const std::string& saveName) {
    DownloadTask task;
    task.url = url;
    task.savePath = site_.OutPath(saveName);
    task.threadCount = 1;
    return task;
  }

  // Publishes `name`, downloads `route` + name into `saveName` and expects a complete, identical
  // copy. Returns the requests the site saw for it.
  std::vector<LoggedRequest> ExpectComplete(const std::string& route, const std::string& name,
                                            size_t size, int threads = 1) {
    std::string body = site_.Publish(name, size);
    DownloadTask task = Task(site_.Url(route + name), name);
    task.threadCount = threads;
    EXPECT_TRUE(AddTask(downloader_, task));
    TaskOutcome outcome = WaitForEnd(downloader_);
    EXPECT_EQ(outcome.result, TaskResult::kCompleted);
    EXPECT_EQ(outcome.path, task.savePath);
    EXPECT_EQ(outcome.length, static_cast<int64_t>(size));
    EXPECT_EQ(outcome.received, static_cast<int64_t>(size));
    EXPECT_TRUE(ReadWholeFile(task.savePath) == body) << "the file differs from the original";
    EXPECT_EQ(DoneLength(downloader_), 0);
    return site_.Requests("/" + name);
  }

  static std::vector<std::string> Ranges(const std::vector<LoggedRequest>& requests) {
    std::vector<std::string> ranges;
    for (const LoggedRequest& r : requests) ranges.push_back(r.Header("Range"));
    return ranges;
  }

  const SiteEnv& site_ = SiteEnv::Get();
  Downloader downloader_;
};

TEST_F(DownloaderTest, CleanDownloadSendsTheFixedRequest) {
  std::string body = site_.Publish("clean file.bin", 300000);
  DownloadTask task = Task(site_.Url("/clean file.bin"), "clean.bin");
  ASSERT_TRUE(AddTask(downloader_, task));
  task.url = site_.Url("/elsewhere.bin");  // the task runs on its own copy
  task.savePath = site_.OutPath("elsewhere.bin");
  TaskOutcome outcome = WaitForEnd(downloader_);
  EXPECT_EQ(outcome.result, TaskResult::kCompleted);
  EXPECT_EQ(outcome.path, site_.OutPath("clean.bin"));
  EXPECT_EQ(outcome.received, 300000);
  EXPECT_TRUE(ReadWholeFile(site_.OutPath("clean.bin")) == body);
  EXPECT_EQ(FileSize(site_.OutPath("elsewhere.bin")), -1);
  EXPECT_EQ(DoneLength(downloader_), 0);

  std::vector<LoggedRequest> requests = site_.Requests("/clean%20file.bin");
  ASSERT_EQ(requests.size(), 1u);
  std::string host = "127.0.0.1:" + std::to_string(site_.port);
  EXPECT_EQ(requests[0].headers,
            (std::vector<std::string>{"Host: " + host, "Accept: */*", "Referer: http://" + host,
                                      "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)",
                                      "Pragma: no-cache", "Cache-Control: no-cache",
                                      "Connection: close"}));
}

TEST_F(DownloaderTest, RefusedAddressesStartNothing) {
  for (const char* url : {"https://127.0.0.1/x", "http://127.0.0.1", "gopher://h/x", "", "http://h:99999/x"}) {
    SCOPED_TRACE(url);
    EXPECT_FALSE(AddTask(downloader_, Task(url, "refused.bin")));
    EXPECT_FALSE(LastOutcome(downloader_));
  }
  EXPECT_EQ(FileSize(site_.OutPath("refused.bin")), -1);
}

TEST_F(DownloaderTest, OtherSchemesPassTheRulesButFailWithoutAFile) {
  for (const char* scheme : {"ftp", "mms", "mmst", "rtsp"}) {
    SCOPED_TRACE(scheme);
    std::string url = std::string(scheme) + "://127.0.0.1:" + std::to_string(site_.port) + "/x.bin";
    ASSERT_TRUE(AddTask(downloader_, Task(url, "other-scheme.bin")));
    EXPECT_EQ(WaitForEnd(downloader_).result, TaskResult::kFailed);
    EXPECT_EQ(FileSize(site_.OutPath("other-scheme.bin")), -1);
  }
  EXPECT_TRUE(site_.Requests("/x.bin").empty());
}

TEST_F(DownloaderTest, SecondTaskIsRefusedWhileOneRuns) {
  site_.Publish("slow-one.bin", 200000);
  ASSERT_TRUE(AddTask(downloader_, Task(site_.Url("/_f/rate=100000/slow-one.bin"), "slow-one.bin")));
  EXPECT_FALSE(AddTask(downloader_, Task(site_.Url("/slow-one.bin"), "second.bin")));
  EXPECT_EQ(WaitForEnd(downloader_).result, TaskResult::kCompleted);
  EXPECT_EQ(FileSize(site_.OutPath("second.bin")), -1);
  // Once the first has ended the handle takes a new task.
  ASSERT_TRUE(AddTask(downloader_, Task(site_.Url("/slow-one.bin"), "second.bin")));
  EXPECT_EQ(WaitForEnd(downloader_).result, TaskResult::kCompleted);
}

TEST_F(DownloaderTest, DoneLengthGrowsWhileTheFileHasItsFullLength) {
  const int size = 400000;
  site_.Publish("progress.bin", size);
  DownloadTask task = Task(site_.Url("/_f/rate=200000/progress.bin"), "progress.bin");
  ASSERT_TRUE(AddTask(downloader_, task));
  int32_t last = 0;
  bool sawPartial = false;
  while (!LastOutcome(downloader_)) {
    int32_t done = DoneLength(downloader_);
    EXPECT_GE(done, last);
    EXPECT_LE(done, size);
    if (done > 0 && done < size) {
      sawPartial = true;
      EXPECT_EQ(FileSize(task.savePath), size);
      EXPECT_EQ(TaskLength(downloader_), size);
    }
    last = done;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(sawPartial);
  EXPECT_EQ(LastOutcome(downloader_)->result, TaskResult::kCompleted);
  EXPECT_EQ(DoneLength(downloader_), 0);
  EXPECT_EQ(TaskLength(downloader_), -1);
}

TEST_F(DownloaderTest, RedirectChainsAreFollowedUpToTen) {
  struct {
    const char* route;
    size_t requests;
  } cases[] = {
      {"/_f/redirect=1/", 2},
      {"/_f/redirect=3,r301/", 4},
      {"/_f/redirect=4,rel/", 5},
      {"/_f/redirect=10/", 11},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.route);
    std::string name = "redirected-" + std::to_string(n++) + ".bin";
    EXPECT_EQ(ExpectComplete(c.route, name, 50000).size(), c.requests);
  }
}

TEST_F(DownloaderTest, RedirectLoopsAndLongChainsEndTheTask) {
  int n = 0;
  for (const char* route : {"/_f/loop/", "/_f/redirect=11/", "/_f/redirect=30,rel/"}) {
    SCOPED_TRACE(route);
    std::string name = "loop-" + std::to_string(n++) + ".bin";
    site_.Publish(name, 1000);
    ASSERT_TRUE(AddTask(downloader_, Task(site_.Url(route + name), name)));
    EXPECT_EQ(WaitForEnd(downloader_).result, TaskResult::kFailed);
    EXPECT_EQ(FileSize(site_.OutPath(name)), -1);
    EXPECT_EQ(site_.Requests("/" + name).size(), 11u);  // the first request and ten redirects
  }
}

// Answers that end the task at once: no retry, no file.
TEST_F(DownloaderTest, FatalAnswersEndTheTaskWithoutRetry) {
  const char* routes[] = {
      "/_f/status=404/", "/_f/status=500/", "/_f/status=403/", "/_f/status=206/",
      "/_f/nolength/", "/_f/longhead/", "/_f/endless/", "/_f/badstatus/",
      "/_f/length=-5/", "/_f/length=99999999999999999999/", "/_f/length=abc/",
      "/_f/length=2147483648/", "/_f/length=3000000000/", "/_f/redirect=1,nolength/",
      "/missing-file.bin",
  };
  downloader_.SetRetryPause(60000);  // a retry would make the task outlast the wait below
  int n = 0;
  for (const char* route : routes) {
    SCOPED_TRACE(route);
    std::string name = "fatal-" + std::to_string(n++) + ".bin";
    site_.Publish(name, 30000);
    std::string url = site_.Url(std::string(route) + (route[1] == '_' ? name : ""));
    auto start = Clock::now();
    ASSERT_TRUE(AddTask(downloader_, Task(url, name)));
    TaskOutcome outcome = WaitForEnd(downloader_, 10000);
    EXPECT_EQ(outcome.result, TaskResult::kFailed);
    EXPECT_LT(MsSince(start), 10000);
    EXPECT_EQ(FileSize(site_.OutPath(name)), -1);
    EXPECT_EQ(outcome.path, "");
  }
  EXPECT_EQ(site_.Requests("/_f/status=404/fatal-0.bin").size(), 1u);
  EXPECT_EQ(site_.Requests("/_f/status=500/fatal-1.bin").size(), 1u);
}

TEST_F(DownloaderTest, HeadersEndedByLineFeedsAlone) {
  ExpectComplete("/_f/lf/", "lf-only.bin", 40000);
}

TEST_F(DownloaderTest, DropsResumeFromTheFirstMissingByte) {
  std::vector<LoggedRequest> requests =
      ExpectComplete("/_f/drop=1+4096+70000+199999/", "dropped.bin", 200000);
  EXPECT_EQ(Ranges(requests), (std::vector<std::string>{"", "bytes=1-", "bytes=4096-",
                                                        "bytes=70000-", "bytes=199999-"}));
}

TEST_F(DownloaderTest, StallLongerThanTheReceiveTimeoutIsRetried) {
  std::string body = site_.Publish("stalled.bin", 120000);
  DownloadTask task = Task(site_.Url("/_f/stall=40000+90000/stalled.bin"), "stalled.bin");
  task.receiveTimeout = 300;
  ASSERT_TRUE(AddTask(downloader_, task));
  TaskOutcome outcome = WaitForEnd(downloader_);
  EXPECT_EQ(outcome.result, TaskResult::kCompleted);
  EXPECT_TRUE(ReadWholeFile(task.savePath) == body);
  EXPECT_EQ(Ranges(site_.Requests("/stalled.bin")),
            (std::vector<std::string>{"", "bytes=40000-", "bytes=90000-"}));
}

TEST_F(DownloaderTest, StallBeforeTheHeadIsRetried) {
  site_.Publish("head-stall.bin", 1000);
  DownloadTask task = Task(site_.Url("/_f/headstall/head-stall.bin"), "head-stall.bin");
  task.receiveTimeout = 200;
  ASSERT_TRUE(AddTask(downloader_, task));
  auto start = Clock::now();
  while (site_.Requests("/head-stall.bin").size() < 3 && MsSince(start) < 10000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_GE(site_.Requests("/head-stall.bin").size(), 3u);
  EXPECT_FALSE(LastOutcome(downloader_));
  ReleaseDownloader(downloader_);
  EXPECT_EQ(LastOutcome(downloader_)->result, TaskResult::kStopped);
  EXPECT_EQ(FileSize(task.savePath), -1);
}

TEST_F(DownloaderTest, ServerIgnoringRangeNeverCorruptsTheFile) {
  std::vector<LoggedRequest> requests =
      ExpectComplete("/_f/norange,drop=50000+120000/", "norange.bin", 160000);
  EXPECT_EQ(Ranges(requests), (std::vector<std::string>{"", "bytes=50000-", "bytes=120000-"}));
}

TEST_F(DownloaderTest, BytesPastTheLengthAreNotWritten) {
  ExpectComplete("/_f/extra=30000/", "extra.bin", 70000);
  EXPECT_EQ(FileSize(site_.OutPath("extra.bin")), 70000);
}

TEST_F(DownloaderTest, CloseBeforeTheAnnouncedLengthIsNotCompletion) {
  // The site announces more than it has and closes after what it has: every attempt is a broken
  // transfer, resumed from the first missing byte, and the task never reports completion.
  site_.Publish("short.bin", 50000);
  DownloadTask task = Task(site_.Url("/_f/length=60000/short.bin"), "short.bin");
  ASSERT_TRUE(AddTask(downloader_, task));
  auto start = Clock::now();
  while (site_.Requests("/short.bin").size() < 3 && MsSince(start) < 10000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(LastOutcome(downloader_));
  EXPECT_EQ(DoneLength(downloader_), 50000);
  ReleaseDownloader(downloader_);
  ASSERT_TRUE(LastOutcome(downloader_));
  EXPECT_EQ(LastOutcome(downloader_)->result, TaskResult::kStopped);
  EXPECT_EQ(LastOutcome(downloader_)->received, 50000);
  EXPECT_EQ(FileSize(task.savePath), 60000);
  std::vector<std::string> ranges = Ranges(site_.Requests("/short.bin"));
  ASSERT_GE(ranges.size(), 3u);
  EXPECT_EQ(ranges[0], "");
  for (size_t i = 1; i < ranges.size(); ++i) EXPECT_EQ(ranges[i], "bytes=50000-");
}

TEST_F(DownloaderTest, ExistingFilesAreNeverOverwritten) {
  std::string body = site_.Publish("taken.bak", 25000);
  std::string target = site_.OutPath("taken.bak");
  testing::WriteWholeFile(target, "original");
  for (int n = 1; n <= 98; ++n) {
    testing::WriteWholeFile(site_.OutPath("taken(" + std::to_string(n) + ").bak"), "numbered");
  }
  ASSERT_TRUE(AddTask(downloader_, Task(site_.Url("/taken.bak"), "taken.bak")));
  TaskOutcome outcome = WaitForEnd(downloader_);
  EXPECT_EQ(outcome.result, TaskResult::kCompleted);
  EXPECT_EQ(outcome.path, site_.OutPath("taken(99).bak"));
  EXPECT_TRUE(ReadWholeFile(site_.OutPath("taken(99).bak")) == body);
  EXPECT_EQ(ReadWholeFile(target), "original");
  EXPECT_EQ(ReadWholeFile(site_.OutPath("taken(98).bak")), "numbered");

  // All 99 numbered names taken: the task ends and nothing is touched.
  ASSERT_TRUE(AddTask(downloader_, Task(site_.Url("/taken.bak"), "taken.bak")));
  outcome = WaitForEnd(downloader_);
  EXPECT_EQ(outcome.result, TaskResult::kFailed);
  EXPECT_EQ(FileSize(site_.OutPath("taken(100).bak")), -1);
  EXPECT_EQ(ReadWholeFile(site_.OutPath("taken(99).bak")).size(), body.size());

  // A name without a dot gets the number at its end.
  testing::WriteWholeFile(site_.OutPath("nodot"), "x");
  ASSERT_TRUE(AddTask(downloader_, Task(site_.Url("/taken.bak"), "nodot")));
  EXPECT_EQ(WaitForEnd(downloader_).path, site_.OutPath("nodot(1)"));
}

TEST_F(DownloaderTest, StopDuringTransferEndsWithinStopWait) {
  site_.Publish("stop-transfer.bin", 2000000);
  DownloadTask task = Task(site_.Url("/_f/rate=100000/stop-transfer.bin"), "stop-transfer.bin");
  ASSERT_TRUE(AddTask(downloader_, task));
  auto start = Clock::now();
  while (DoneLength(downloader_) == 0 && MsSince(start) < 10000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_GT(DoneLength(downloader_), 0);
  start = Clock::now();
  ReleaseDownloader(downloader_);
  EXPECT_LE(MsSince(start), task.stopWait + 200);
  EXPECT_EQ(DoneLength(downloader_), 0);
  auto outcome = LastOutcome(downloader_);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->result, TaskResult::kStopped);
  EXPECT_EQ(outcome->path, task.savePath);
  EXPECT_GT(outcome->received, 0);
  EXPECT_LT(outcome->received, 2000000);
  EXPECT_EQ(FileSize(task.savePath), 2000000);
}

TEST_F(DownloaderTest, StopDuringRetryPauseEndsWithinStopWait) {
  downloader_.SetRetryPause(60000);
  site_.Publish("stop-pause.bin", 100000);
  DownloadTask task = Task(site_.Url("/_f/drop=30000/stop-pause.bin"), "stop-pause.bin");
  task.stopWait = 500;
  ASSERT_TRUE(AddTask(downloader_, task));
  auto start = Clock::now();
  while (DoneLength(downloader_) < 30000 && MsSince(start) < 10000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // now in the pause
  EXPECT_EQ(DoneLength(downloader_), 30000);
  start = Clock::now();
  ReleaseDownloader(downloader_);
  EXPECT_LE(MsSince(start), task.stopWait + 200);
  ASSERT_TRUE(LastOutcome(downloader_));
  EXPECT_EQ(LastOutcome(downloader_)->result, TaskResult::kStopped);
  EXPECT_EQ(site_.Requests("/stop-pause.bin").size(), 1u);
}

TEST_F(DownloaderTest, UnreachableHostIsRetriedUntilStopped) {
  DownloadTask task = Task("http://127.0.0.1:1/x.bin", "unreachable.bin");
  ASSERT_TRUE(AddTask(downloader_, task));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_FALSE(LastOutcome(downloader_));  // still retrying after several 50 ms pauses
  ReleaseDownloader(downloader_);
  EXPECT_EQ(LastOutcome(downloader_)->result, TaskResult::kStopped);
  EXPECT_EQ(FileSize(task.savePath), -1);
}

TEST_F(DownloaderTest, SeveralConnectionsEachFetchTheirRange) {
  std::vector<LoggedRequest> requests = ExpectComplete("/", "four.bin", 1000003, 4);
  std::vector<std::string> ranges = Ranges(requests);
  std::sort(ranges.begin(), ranges.end());
  EXPECT_EQ(ranges, (std::vector<std::string>{"", "bytes=250000-", "bytes=500000-", "bytes=750000-"}));

  // Under 20480 bytes one connection does it all.
  EXPECT_EQ(ExpectComplete("/", "small.bin", 20479, 4).size(), 1u);
}

TEST_F(DownloaderTest, SeveralConnectionsWithDropsAndIgnoredRanges) {
  ExpectComplete("/_f/drop=100000+300000+600000+999000/", "four-drops.bin", 1000000, 4);
  ExpectComplete("/_f/norange/", "four-norange.bin", 300000, 3);
}

TEST_F(DownloaderTest, FilesSpanningManyMappedWindows) {
  // Several 4 MiB windows per connection, with breaks just before, at and after window ends.
  const size_t size = 10 * 1024 * 1024 + 12345;
  std::vector<LoggedRequest> requests =
      ExpectComplete("/_f/drop=4194303+4194304+4194305+8388608+10000000/", "windows.bin", size);
  EXPECT_EQ(Ranges(requests), (std::vector<std::string>{"", "bytes=4194303-", "bytes=4194304-",
                                                        "bytes=4194305-", "bytes=8388608-",
                                                        "bytes=10000000-"}));
  ExpectComplete("/_f/drop=5000000+9000000/", "windows-3.bin", size, 3);
}

TEST_F(DownloaderTest, SpeedLimitIsSharedByTheConnections) {
  site_.Publish("limited.bin", 120000);
  for (int threads : {1, 2}) {
    SCOPED_TRACE(threads);
    DownloadTask task = Task(site_.Url("/limited.bin"), "limited-" + std::to_string(threads) + ".bin");
    task.speedLimit = 200000;
    task.threadCount = threads;
    auto start = Clock::now();
    ASSERT_TRUE(AddTask(downloader_, task));
    EXPECT_EQ(WaitForEnd(downloader_).result, TaskResult::kCompleted);
    EXPECT_GE(MsSince(start), 500);  // 120000 bytes at 200000 per second, whatever the split
  }
}

TEST_F(DownloaderTest, ProxyAndReferer) {
  std::string body = site_.Publish("proxied.bin", 30000);
  DownloadTask task = Task("http://download.invalid:8080/proxied.bin", "proxied.bin");
  task.proxy = "127.0.0.1:" + std::to_string(site_.port);
  task.referer = "http://referer.invalid/page";
  ASSERT_TRUE(AddTask(downloader_, task));
  EXPECT_EQ(WaitForEnd(downloader_).result, TaskResult::kCompleted);
  EXPECT_TRUE(ReadWholeFile(task.savePath) == body);
  std::vector<LoggedRequest> requests = site_.Requests("/proxied.bin");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "http://download.invalid:8080/proxied.bin");
  EXPECT_EQ(requests[0].Header("Host"), "download.invalid:8080");
  EXPECT_EQ(requests[0].Header("Referer"), "http://referer.invalid/page");

  task.proxy = "bad proxy";
  EXPECT_FALSE(AddTask(downloader_, task));
}

std::mutex gCallbackMutex;
std::vector<std::string> gLog;
std::vector<std::pair<int32_t, std::string>> gEvents;

void RecordLog(const char* message) {
  std::lock_guard<std::mutex> lock(gCallbackMutex);
  gLog.emplace_back(message);
}

int32_t RecordEvent(int32_t event, const char* detail, std::string* answer) {
  std::lock_guard<std::mutex> lock(gCallbackMutex);
  gEvents.emplace_back(event, detail);
  if (event == kEventFileExists) {
    *answer = SiteEnv::Get().OutPath("chosen-by-callback.bin");
    return 1;
  }
  return 0;
}

TEST_F(DownloaderTest, CallbacksHearTheTask) {
  site_.Publish("hooked.bin", 30000);
  DownloadTask task = Task(site_.Url("/_f/drop=10000/hooked.bin"), "hooked.bin");
  testing::WriteWholeFile(task.savePath, "there");
  task.logCallback = RecordLog;
  task.eventCallback = RecordEvent;
  ASSERT_TRUE(AddTask(downloader_, task));
  TaskOutcome outcome = WaitForEnd(downloader_);
  EXPECT_EQ(outcome.result, TaskResult::kCompleted);
  EXPECT_EQ(outcome.path, site_.OutPath("chosen-by-callback.bin"));
  EXPECT_EQ(ReadWholeFile(task.savePath), "there");
  std::lock_guard<std::mutex> lock(gCallbackMutex);
  ASSERT_EQ(gEvents.size(), 3u);
  EXPECT_EQ(gEvents[0], std::make_pair(int32_t{kEventFileExists}, task.savePath));
  EXPECT_EQ(gEvents[1], std::make_pair(int32_t{kEventStarted}, outcome.path));
  EXPECT_EQ(gEvents[2], std::make_pair(int32_t{kEventFinished}, std::string("completed")));
  bool sawRetry = false;
  for (const std::string& line : gLog) sawRetry |= line.find("retry 1") != std::string::npos;
  EXPECT_TRUE(sawRetry);
}

std::atomic<int> gOrphanFinished{0};

int32_t RecordOrphanEnd(int32_t event, const char* detail, std::string*) {
  if (event == kEventFinished) gOrphanFinished = std::string(detail) == "stopped" ? 1 : 2;
  return 0;
}

TEST_F(DownloaderTest, TaskOutlivesItsHandleSafely) {
  site_.Publish("orphan.bin", 1000000);
  {
    Downloader shortLived;
    DownloadTask task = Task(site_.Url("/_f/rate=200000/orphan.bin"), "orphan.bin");
    task.stopWait = 0;  // give up waiting at once: the threads end on their own later
    task.eventCallback = RecordOrphanEnd;
    ASSERT_TRUE(AddTask(shortLived, task));
    auto start = Clock::now();
    while (DoneLength(shortLived) == 0 && MsSince(start) < 5000) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  // The handle is gone; its task's thread still ends the task and reports it, without touching
  // freed memory (the sanitizer builds watch this).
  auto start = Clock::now();
  while (gOrphanFinished == 0 && MsSince(start) < 5000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(gOrphanFinished, 1);
}

}  // namespace
}  // namespace morvane
