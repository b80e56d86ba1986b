// morvane-download [--threads N] ADDRESS OUTPUT
//
// Runs the downloader with the record the updater uses (every field at its default, one
// connection unless --threads says otherwise), shows the progress, and ends by printing the
// outcome: completed, failed or stopped, the path actually written and the bytes. Exit status 0
// only when the download completed; Ctrl+C stops the task as ReleaseDownloader does.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "downloader/downloader.h"
#include "tools/download/console.h"

namespace {

using morvane::TaskResult;

void Usage() {
  std::fprintf(stderr,
               "usage: morvane-download [--threads N] ADDRESS OUTPUT\n"
               "  Downloads ADDRESS (http://host[:port]/path) into the new file OUTPUT, or into\n"
               "  OUTPUT with (1)..(99) added when that file exists.\n");
}

std::string Size(int64_t bytes) {
  char text[32];
  if (bytes < 0) return "?";
  if (bytes < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024);
  } else {
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024 * 1024));
  }
  return text;
}

void ShowProgress(bool terminal, int64_t done, int64_t length, double seconds) {
  double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  if (terminal) {
    const int width = 30;
    int filled = length > 0 ? static_cast<int>(done * width / length) : 0;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(width, ' ');
    int percent = length > 0 ? static_cast<int>(done * 100 / length) : 0;
    std::fprintf(stdout, "\r[%s] %3d%%  %s / %s  %s/s   ", bar.c_str(), percent, Size(done).c_str(),
                 Size(length).c_str(), Size(static_cast<int64_t>(rate)).c_str());
  } else {
    std::fprintf(stdout, "received %lld of %lld bytes\n", static_cast<long long>(done),
                 static_cast<long long>(length));
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args = morvane::tools::Utf8Arguments(argc, argv);
  int threads = 1;
  std::vector<std::string> positional;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--threads" && i + 1 < args.size()) {
      threads = std::atoi(args[++i].c_str());
      if (threads < 1) {
        Usage();
        return 2;
      }
    } else if (args[i] == "--help" || args[i] == "-h" || args[i].rfind("--", 0) == 0) {
      Usage();
      return 2;
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) {
    Usage();
    return 2;
  }

  morvane::DownloadTask task;
  task.url = positional[0];
  task.savePath = positional[1];
  task.threadCount = threads;

  morvane::Downloader downloader;
  if (!morvane::AddTask(downloader, task)) {
    std::fprintf(stderr, "morvane-download: the address cannot be used: %s\n", task.url.c_str());
    return 1;
  }
  morvane::tools::StopOnInterrupt();
  const bool terminal = morvane::tools::StdoutIsTerminal();
  const auto start = std::chrono::steady_clock::now();
  auto lastShown = start;
  int64_t lastDone = -1;
  bool stopping = false;
  while (!morvane::LastOutcome(downloader)) {
    if (morvane::tools::Interrupted() && !stopping) {
      stopping = true;
      morvane::ReleaseDownloader(downloader);
      break;
    }
    // Look often, so that the end is seen at once; show less often.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    auto now = std::chrono::steady_clock::now();
    // A terminal gets a bar redrawn ten times a second; a file or pipe a line a second.
    if (now - lastShown < (terminal ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000))) {
      continue;
    }
    int64_t done = morvane::DoneLength(downloader);
    int64_t length = morvane::TaskLength(downloader);
    if (length >= 0 && done != lastDone) {
      ShowProgress(terminal, done, length, std::chrono::duration<double>(now - start).count());
      lastShown = now;
      lastDone = done;
    }
  }
  morvane::TaskOutcome outcome = morvane::LastOutcome(downloader).value_or(morvane::TaskOutcome{});
  if (terminal && lastDone >= 0) {
    ShowProgress(terminal, outcome.received, outcome.length,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    std::fprintf(stdout, "\n");
  }
  const char* result = outcome.result == TaskResult::kCompleted ? "completed"
                       : outcome.result == TaskResult::kStopped ? "stopped"
                                                                 : "failed";
  std::fprintf(stdout, "%s: %s (%lld of %lld bytes)\n", result,
               outcome.path.empty() ? "no file written" : outcome.path.c_str(),
               static_cast<long long>(outcome.received), static_cast<long long>(outcome.length));
  std::fflush(stdout);
  return outcome.result == TaskResult::kCompleted ? 0 : 1;
}
