// One connection of a task: requests its byte range, follows redirects, writes what arrives at
// its offsets and, after a broken transfer, asks again from the first missing byte.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "downloader/free_name.h"
#include "downloader/http.h"
#include "downloader/task.h"

namespace morvane::download {
namespace {

using Clock = std::chrono::steady_clock;

enum class Attempt { kDone, kRetry, kFatal, kStopped };

Attempt FromIo(os::Io io) { return io == os::Io::kStopped ? Attempt::kStopped : Attempt::kRetry; }

// Sleeps up to `ms`, in short steps; false when the task is halted meanwhile.
bool SleepUnlessHalted(const TaskState& task, int64_t ms) {
  auto until = Clock::now() + std::chrono::milliseconds(ms);
  while (!task.halt.load()) {
    auto now = Clock::now();
    if (now >= until) return true;
    std::this_thread::sleep_for(std::min<Clock::duration>(until - now, std::chrono::milliseconds(20)));
  }
  return false;
}

class Connection {
 public:
  Connection(TaskState& task, int index) : task_(task), index_(index), current_(task.address) {
    const DownloadTask& r = task.record;
    block_ = r.receiveBlockSize <= 0 ? kMaxReceiveBlock : std::min(r.receiveBlockSize, kMaxReceiveBlock);
    if (index_ > 0) {
      position_ = task.ranges[static_cast<size_t>(index_)].begin;
      end_ = task.ranges[static_cast<size_t>(index_)].end;
    }
  }

  WorkerResult Run() {
    for (int32_t retries = 0;; ++retries) {
      if (task_.halt.load()) return WorkerResult::kStopped;
      switch (Exchange()) {
        case Attempt::kDone:
          return WorkerResult::kCompleted;
        case Attempt::kFatal:
          return WorkerResult::kFailed;
        case Attempt::kStopped:
          return WorkerResult::kStopped;
        case Attempt::kRetry:
          break;
      }
      if (retries >= kMaxRetries) {
        Say("giving up after " + std::to_string(kMaxRetries) + " retries");
        return WorkerResult::kFailed;
      }
      Say("retry " + std::to_string(retries + 1) + " in " + std::to_string(task_.retryPause) +
          " ms from byte " + std::to_string(position_));
      if (!SleepUnlessHalted(task_, task_.retryPause)) return WorkerResult::kStopped;
    }
  }

 private:
  void Say(const std::string& message) {
    task_.Log("connection " + std::to_string(index_) + ": " + message);
  }

  Attempt Exchange() {
    const DownloadTask& r = task_.record;
    for (int redirects = 0;;) {
      const Address& peer = task_.proxy ? *task_.proxy : current_;
      os::Socket socket;
      os::Io io = socket.Connect(peer.host, peer.port, r.connectTimeout, task_.halt);
      if (io != os::Io::kOk) {
        Say("cannot connect to " + peer.hostPart);
        return FromIo(io);
      }
      std::string request = BuildRequest(current_, task_.referer, end_ >= 0 ? position_ : 0,
                                         task_.proxy.has_value());
      io = socket.Send(request.data(), request.size(), r.sendTimeout, task_.halt);
      if (io != os::Io::kOk) {
        Say("cannot send the request");
        return FromIo(io);
      }
      std::string head, rest;
      Attempt read = ReadHead(socket, &head, &rest);
      if (read != Attempt::kDone) return read;
      std::optional<ResponseHead> response = ParseResponseHead(head);
      if (!response) {
        Say("no valid status line");
        return Attempt::kFatal;
      }
      int status = response->status;
      if (status == 301 || status == 302) {
        if (++redirects > kMaxRedirects) {
          Say("more than " + std::to_string(kMaxRedirects) + " redirects");
          return Attempt::kFatal;
        }
        std::optional<Address> next;
        if (response->location) next = ResolveLocation(current_, *response->location);
        if (!next || next->scheme != "http") {
          Say("redirect without a usable Location");
          return Attempt::kFatal;
        }
        current_ = *next;
        Say("redirected to " + AbsoluteForm(current_));
        continue;
      }
      int64_t skip = 0;
      if (end_ < 0) {
        if (status != 200 || !response->contentLength) {
          Say("status " + std::to_string(status) + (status == 200 ? " without a length" : ""));
          return Attempt::kFatal;
        }
        Attempt created = CreateTarget(*response->contentLength);
        if (created != Attempt::kDone) return created;
      } else if (status == 206) {
        const auto& range = response->contentRange;
        if (!range || range->first != position_ || (range->total >= 0 && range->total != task_.length)) {
          Say("partial answer that does not start at byte " + std::to_string(position_));
          return Attempt::kFatal;
        }
      } else if (status == 200) {
        if (!response->contentLength || *response->contentLength != task_.length) {
          Say("the file changed its length");
          return Attempt::kFatal;
        }
        // The server ignored the Range: the body starts at byte 0, so what precedes the first
        // missing byte is read and dropped.
        skip = position_;
        if (skip > 0) Say("range ignored by the server; skipping " + std::to_string(skip) + " bytes");
      } else {
        Say("status " + std::to_string(status));
        return Attempt::kFatal;
      }
      return ReceiveBody(socket, rest, skip);
    }
  }

  Attempt ReadHead(os::Socket& socket, std::string* head, std::string* rest) {
    std::string data;
    char chunk[4096];
    for (;;) {
      size_t got = 0;
      os::Io io = socket.Receive(chunk, sizeof chunk, task_.record.receiveTimeout, task_.halt, &got);
      if (io != os::Io::kOk) {
        Say("no complete answer");
        return FromIo(io);
      }
      data.append(chunk, got);
      size_t length = HeadLength(data);
      if (length > kMaxHeadLength || (length == 0 && data.size() > kMaxHeadLength)) {
        Say("answer head longer than " + std::to_string(kMaxHeadLength) + " bytes");
        return Attempt::kFatal;
      }
      if (length > 0) {
        *head = data.substr(0, length);
        *rest = data.substr(length);
        return Attempt::kDone;
      }
    }
  }

  // Worker 0, on the first answer with a length: picks the name, creates the file at its full
  // length and plans the ranges of the other connections.
  Attempt CreateTarget(int64_t length) {
    if (length > kMaxLength) {
      Say("length " + std::to_string(length) + " is more than this downloader can count");
      return Attempt::kFatal;
    }
    const DownloadTask& r = task_.record;
    std::vector<std::string> names{r.savePath};
    if (os::FileExists(r.savePath)) {
      names.clear();
      std::string answer;
      if (r.eventCallback && r.eventCallback(kEventFileExists, r.savePath.c_str(), &answer) == 1 &&
          !answer.empty()) {
        names.push_back(answer);
      } else {
        for (int n = 1; n <= kLastNumberedName; ++n) names.push_back(NumberedName(r.savePath, n));
      }
    }
    std::lock_guard<std::mutex> lock(task_.fileMutex);
    for (const std::string& name : names) {
      if (os::FileExists(name)) continue;
      os::Create created = os::TargetFile::CreateNew(name, length, &task_.file);
      if (created == os::Create::kExists) continue;
      if (created == os::Create::kError) break;
      task_.path = name;
      task_.length = length;
      task_.ranges = PlanRanges(length, r.threadCount);
      end_ = task_.ranges[0].end;
      task_.Post({TaskEvent::kLengthKnown, name, 0, WorkerResult::kFailed});
      Say("writing " + std::to_string(length) + " bytes to " + name);
      return Attempt::kDone;
    }
    Say("cannot create " + r.savePath + " nor a free name beside it");
    return Attempt::kFatal;
  }

  // Where the next bytes go; false when the file cannot be mapped. While the bytes of one window
  // arrive, the next one is mapped and made ready on a helper thread, so that the receiving
  // thread does not wait for the system to clear fresh pages.
  bool EnsureWindow() {
    if (window_.Covers(position_)) return true;
    window_.Reset();
    if (next_.valid()) {
      window_ = next_.get();
      if (!window_.Covers(position_)) window_.Reset();
    }
    if (!window_.Covers(position_)) window_ = task_.file.Map(position_, kWindowSize);
    if (!window_.Covers(position_)) return false;
    int64_t following = window_.End();
    if (following < end_) {
      const os::TargetFile& file = task_.file;
      try {
        next_ = std::async(std::launch::async, [&file, following] { return file.Map(following, kWindowSize); });
      } catch (const std::system_error&) {
        // No helper thread: the next window is mapped when it is needed.
      }
    }
    return true;
  }

  // Copies bytes that came with the head, dropping the first `*skip` and anything past the range.
  bool Deliver(const char* data, size_t size, int64_t* skip) {
    size_t dropped = static_cast<size_t>(std::min<int64_t>(*skip, static_cast<int64_t>(size)));
    *skip -= static_cast<int64_t>(dropped);
    data += dropped;
    size = std::min<size_t>(size - dropped, static_cast<size_t>(end_ - position_));
    while (size > 0) {
      if (!EnsureWindow()) return false;
      size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), window_.End() - position_));
      std::memcpy(window_.At(position_), data, n);
      Advance(n);
      data += n;
      size -= n;
    }
    return true;
  }

  void Advance(size_t n) {
    position_ += static_cast<int64_t>(n);
    task_.AddReceived(static_cast<int64_t>(n));
  }

  Attempt ReceiveBody(os::Socket& socket, const std::string& leftover, int64_t skip) {
    if (!Deliver(leftover.data(), leftover.size(), &skip)) return MapFailed();
    // The speed limit is shared equally among the connections.
    int64_t rate = 0;
    if (task_.record.speedLimit > 0) {
      rate = std::max<int64_t>(1, task_.record.speedLimit / static_cast<int64_t>(task_.ranges.size()));
    }
    size_t block = static_cast<size_t>(block_);
    if (rate > 0) block = static_cast<size_t>(std::clamp<int64_t>(rate / 10, 256, block_));
    auto start = Clock::now();
    int64_t counted = 0;
    std::vector<char> scratch;
    while (position_ < end_) {
      size_t got = 0;
      os::Io io;
      int32_t timeout = task_.record.receiveTimeout;
      if (skip > 0) {
        scratch.resize(block);
        size_t want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(block), skip + (end_ - position_)));
        io = socket.Receive(scratch.data(), want, timeout, task_.halt, &got);
        if (io == os::Io::kOk && !Deliver(scratch.data(), got, &skip)) return MapFailed();
      } else {
        if (!EnsureWindow()) return MapFailed();
        int64_t room = std::min(end_, window_.End()) - position_;
        size_t want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(block), room));
        io = socket.Receive(window_.At(position_), want, timeout, task_.halt, &got);
        if (io == os::Io::kOk) Advance(got);
      }
      if (io != os::Io::kOk) {
        Say(std::string(io == os::Io::kClosed ? "connection closed" : "transfer broke") + " at byte " +
            std::to_string(position_) + " of " + std::to_string(end_));
        return FromIo(io);
      }
      if (rate > 0) {
        counted += static_cast<int64_t>(got);
        auto due = start + std::chrono::milliseconds(counted * 1000 / rate);
        auto now = Clock::now();
        if (due > now && !SleepUnlessHalted(task_, std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count())) {
          return Attempt::kStopped;
        }
      }
    }
    window_.Reset();
    if (next_.valid()) next_.get().Reset();
    Say("range done");
    return Attempt::kDone;
  }

  Attempt MapFailed() {
    Say("cannot map the file at byte " + std::to_string(position_));
    return Attempt::kFatal;
  }

  TaskState& task_;
  const int index_;
  Address current_;   // where the last redirect led; broken transfers continue there
  int32_t block_ = kMaxReceiveBlock;
  int64_t position_ = 0;  // the first missing byte of this connection's range
  int64_t end_ = -1;      // one past its last byte; -1 while the length is unknown
  os::MappedWindow window_;
  std::future<os::MappedWindow> next_;  // the window after window_, being made ready
};

}  // namespace

WorkerResult RunWorker(TaskState& task, int index) { return Connection(task, index).Run(); }

}  // namespace morvane::download
