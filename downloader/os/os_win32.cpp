// The OS layer on Windows: Winsock 2 sockets and a file mapping over a file created new.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#include "downloader/os/connect_any.h"
#include "downloader/os/os.h"

namespace morvane::os {
namespace {

SOCKET AsSocket(intptr_t value) { return static_cast<SOCKET>(value); }

enum class Wait { kRead, kWrite };

// Waits until the socket is ready, in slices that look at the stop flag. A failed connect shows
// in the exception set.
Io WaitFor(SOCKET s, Wait what, int32_t timeoutMs, const std::atomic<bool>& stop) {
  auto start = Clock::now();
  for (;;) {
    if (stop.load()) return Io::kStopped;
    int64_t slice = kStopCheckMs;
    if (timeoutMs > 0) {
      int64_t left = timeoutMs - ElapsedMs(start);
      if (left <= 0) return Io::kTimeout;
      slice = std::min<int64_t>(slice, left);
    }
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval tv{static_cast<long>(slice / 1000), static_cast<long>((slice % 1000) * 1000)};
    int n = ::select(0, what == Wait::kRead ? &ready : nullptr, what == Wait::kWrite ? &ready : nullptr,
                     &failed, &tv);
    if (n == SOCKET_ERROR) return Io::kError;
    if (FD_ISSET(s, &failed)) return Io::kError;
    if (n > 0) return Io::kOk;
  }
}

Io ConnectOne(const addrinfo* ai, int32_t timeoutMs, const std::atomic<bool>& stop,
              UniqueHandle<intptr_t, SocketTraits>* out) {
  SOCKET s = ::socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
  if (s == INVALID_SOCKET) return Io::kError;
  UniqueHandle<intptr_t, SocketTraits> socket(static_cast<intptr_t>(s));
  u_long nonBlocking = 1;
  if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) return Io::kError;
  BOOL one = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  if (::connect(s, ai->ai_addr, static_cast<int>(ai->ai_addrlen)) != 0) {
    if (::WSAGetLastError() != WSAEWOULDBLOCK) return Io::kError;
    Io waited = WaitFor(s, Wait::kWrite, timeoutMs, stop);
    if (waited != Io::kOk) return waited;
    int error = 0;
    int length = sizeof error;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 ||
        error != 0) {
      return Io::kError;
    }
  }
  *out = std::move(socket);
  return Io::kOk;
}

std::wstring Wide(const std::string& utf8) {
  int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  if (size > 0) {
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  }
  return wide;
}

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

void SocketTraits::close(intptr_t socket) { ::closesocket(AsSocket(socket)); }
void FileTraits::close(intptr_t file) { ::CloseHandle(AsHandle(file)); }
void MappingTraits::close(intptr_t mapping) { ::CloseHandle(AsHandle(mapping)); }
void ViewTraits::close(View view) { ::UnmapViewOfFile(view.base); }

void StartNetworking() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
  });
}

Io Socket::Connect(const std::string& host, uint16_t port, int32_t timeoutMs,
                   const std::atomic<bool>& stop) {
  StartNetworking();
  handle_.reset();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
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
  SOCKET s = AsSocket(handle_.get());
  while (size > 0) {
    if (stop.load()) return Io::kStopped;
    int chunk = static_cast<int>(std::min<size_t>(size, 1 << 20));
    int sent = ::send(s, data, chunk, 0);
    if (sent > 0) {
      data += sent;
      size -= static_cast<size_t>(sent);
      continue;
    }
    if (sent == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) {
      Io waited = WaitFor(s, Wait::kWrite, timeoutMs, stop);
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
  SOCKET s = AsSocket(handle_.get());
  int want = static_cast<int>(std::min<size_t>(capacity, 1 << 30));
  for (;;) {
    if (stop.load()) return Io::kStopped;
    int got = ::recv(s, static_cast<char*>(buffer), want, 0);
    if (got > 0) {
      *received = static_cast<size_t>(got);
      return Io::kOk;
    }
    if (got == 0) return Io::kClosed;
    if (::WSAGetLastError() != WSAEWOULDBLOCK) return Io::kError;
    Io waited = WaitFor(s, Wait::kRead, timeoutMs, stop);
    if (waited != Io::kOk) return waited;
  }
}

Create TargetFile::CreateNew(const std::string& utf8Path, int64_t length, TargetFile* out) {
  std::wstring path = Wide(utf8Path);
  // Others may read the file while it is written (the updater measures its size).
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = ::GetLastError();
    return (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) ? Create::kExists : Create::kError;
  }
  UniqueHandle<intptr_t, FileTraits> file(reinterpret_cast<intptr_t>(h));
  UniqueHandle<intptr_t, MappingTraits> mapping;
  LARGE_INTEGER size;
  size.QuadPart = length;
  bool ok = ::SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
  if (ok && length > 0) {
    // A mapping object of the full length costs no address space; views are made per window.
    HANDLE m = ::CreateFileMappingW(h, nullptr, PAGE_READWRITE, static_cast<DWORD>(length >> 32),
                                    static_cast<DWORD>(length & 0xffffffff), nullptr);
    ok = m != nullptr;
    mapping.reset(reinterpret_cast<intptr_t>(m));
  }
  if (!ok) {
    mapping.reset();
    file.reset();
    ::DeleteFileW(path.c_str());
    return Create::kError;
  }
  out->file_ = std::move(file);
  out->mapping_ = std::move(mapping);
  out->length_ = length;
  return Create::kOk;
}

MappedWindow TargetFile::Map(int64_t position, size_t size) const {
  static const int64_t granularity = [] {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    return static_cast<int64_t>(info.dwAllocationGranularity);
  }();
  if (!mapping_ || position < 0 || position >= length_) return {};
  int64_t start = position - position % granularity;
  int64_t end = std::min<int64_t>(length_, position + static_cast<int64_t>(size));
  size_t bytes = static_cast<size_t>(end - start);
  void* base = ::MapViewOfFile(AsHandle(mapping_.get()), FILE_MAP_WRITE, static_cast<DWORD>(start >> 32),
                               static_cast<DWORD>(start & 0xffffffff), bytes);
  if (!base) return {};
  return MappedWindow(View{base, bytes}, start);
}

void TargetFile::Close() {
  mapping_.reset();
  file_.reset();
}

bool FileExists(const std::string& utf8Path) {
  return ::GetFileAttributesW(Wide(utf8Path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace morvane::os
