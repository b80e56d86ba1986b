// The OS layer on POSIX systems (the native build and its tests).
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "downloader/os/connect_any.h"
#include "downloader/os/os.h"

namespace morvane::os {
namespace {

#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23;  // Linux 5.14 and later
#endif
constexpr int64_t kLargePage = int64_t{2} << 20;

// Waits until `fd` is ready for `events`, in slices that look at the stop flag.
Io WaitFor(int fd, short events, int32_t timeoutMs, const std::atomic<bool>& stop) {
  auto start = Clock::now();
  for (;;) {
    if (stop.load()) return Io::kStopped;
    int64_t slice = kStopCheckMs;
    if (timeoutMs > 0) {
      int64_t left = timeoutMs - ElapsedMs(start);
      if (left <= 0) return Io::kTimeout;
      slice = std::min<int64_t>(slice, left);
    }
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, static_cast<int>(slice));
    if (n > 0) return Io::kOk;
    if (n < 0 && errno != EINTR) return Io::kError;
  }
}

Io ConnectOne(const addrinfo* ai, int32_t timeoutMs, const std::atomic<bool>& stop,
              UniqueHandle<intptr_t, SocketTraits>* out) {
  int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
  if (fd < 0) return Io::kError;
  UniqueHandle<intptr_t, SocketTraits> socket(fd);
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0) {
    if (errno != EINPROGRESS) return Io::kError;
    Io waited = WaitFor(fd, POLLOUT, timeoutMs, stop);
    if (waited != Io::kOk) return waited;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
      return Io::kError;
    }
  }
  *out = std::move(socket);
  return Io::kOk;
}

}  // namespace

void SocketTraits::close(intptr_t socket) { ::close(static_cast<int>(socket)); }
void FileTraits::close(intptr_t file) { ::close(static_cast<int>(file)); }
void MappingTraits::close(intptr_t) {}
void ViewTraits::close(View view) { ::munmap(view.base, view.size); }

void StartNetworking() {}

Io Socket::Connect(const std::string& host, uint16_t port, int32_t timeoutMs,
                   const std::atomic<bool>& stop) {
  handle_.reset();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
    return Io::kError;
  }
  const Io result = ConnectAny(found, timeoutMs, [&](const addrinfo* ai, int32_t left) {
    return ConnectOne(ai, left, stop, &handle_);
  });
  ::freeaddrinfo(found);
  return result;
}

Io Socket::Send(const char* data, size_t size, int32_t timeoutMs, const std::atomic<bool>& stop) {
  int fd = static_cast<int>(handle_.get());
  while (size > 0) {
    if (stop.load()) return Io::kStopped;
    ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent > 0) {
      data += sent;
      size -= static_cast<size_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      Io waited = WaitFor(fd, POLLOUT, timeoutMs, stop);
      if (waited != Io::kOk) return waited;
      continue;
    }
    return Io::kError;
  }
  return Io::kOk;
}

Io Socket::Receive(void* buffer, size_t capacity, int32_t timeoutMs, const std::atomic<bool>& stop,
                   size_t* received) {
  *received = 0;
  int fd = static_cast<int>(handle_.get());
  for (;;) {
    if (stop.load()) return Io::kStopped;
    // Try first: while data streams in this is the only system call per block.
    ssize_t got = ::recv(fd, buffer, capacity, 0);
    if (got > 0) {
      *received = static_cast<size_t>(got);
      return Io::kOk;
    }
    if (got == 0) return Io::kClosed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return Io::kError;
    Io waited = WaitFor(fd, POLLIN, timeoutMs, stop);
    if (waited != Io::kOk) return waited;
  }
}

Create TargetFile::CreateNew(const std::string& utf8Path, int64_t length, TargetFile* out) {
  int fd = ::open(utf8Path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno == EEXIST ? Create::kExists : Create::kError;
  UniqueHandle<intptr_t, FileTraits> file(fd);
  if (::ftruncate(fd, static_cast<off_t>(length)) != 0) {
    ::unlink(utf8Path.c_str());
    return Create::kError;
  }
  // Reserve the blocks now so that a full disk fails here and not as a fault in a mapped write.
  if (length > 0) {
    if (::fallocate(fd, 0, 0, static_cast<off_t>(length)) != 0 && errno == ENOSPC) {
      ::unlink(utf8Path.c_str());
      return Create::kError;
    }
  }
  out->file_ = std::move(file);
  out->length_ = length;
  return Create::kOk;
}

MappedWindow TargetFile::Map(int64_t position, size_t size) const {
  if (!file_ || position < 0 || position >= length_) return {};
  // Windows start on 2 MiB boundaries of the file, so that the system can map them with large
  // pages; the window ends `size` bytes after its start, and past `position` in any case.
  int64_t start = position - position % kLargePage;
  int64_t end = std::min<int64_t>(length_, std::max<int64_t>(start + static_cast<int64_t>(size), position + 1));
  size_t bytes = static_cast<size_t>(end - start);
  void* base = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED,
                      static_cast<int>(file_.get()), static_cast<off_t>(start));
  if (base == MAP_FAILED) return {};
  // Large pages where the system can, and the whole window made writable in one call instead
  // of one fault per page (older kernels refuse these advices; the writes then fault page by
  // page as usual).
  ::madvise(base, bytes, MADV_HUGEPAGE);
  ::madvise(base, bytes, kPopulateWrite);
  return MappedWindow(View{base, bytes}, start);
}

void TargetFile::Close() {
  mapping_.reset();
  file_.reset();
}

bool FileExists(const std::string& utf8Path) {
  struct stat info;
  return ::stat(utf8Path.c_str(), &info) == 0;
}

}  // namespace morvane::os
