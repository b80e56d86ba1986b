// The downloader's only contact with the operating system: TCP connections with time limits that
// a stop request interrupts, and the target file, created new at its full length and written
// through mapped windows. One implementation per system (os_posix.cpp, os_win32.cpp).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/unique_handle.h"

namespace morvane::os {

// The outcome of a blocking call. kStopped: the stop flag was raised while waiting.
enum class Io { kOk, kTimeout, kClosed, kError, kStopped };

// How long a blocking call waits at most before it looks at the stop flag again.
inline constexpr int32_t kStopCheckMs = 50;

// Socket descriptors and file handles both fit an intptr_t; -1 is "none" on both systems.
struct SocketTraits {
  static intptr_t empty() { return -1; }
  static void close(intptr_t socket);
};
struct FileTraits {
  static intptr_t empty() { return -1; }
  static void close(intptr_t file);
};
struct MappingTraits {  // the Win32 file-mapping object; unused on POSIX
  static intptr_t empty() { return 0; }
  static void close(intptr_t mapping);
};
struct View {
  void* base = nullptr;
  size_t size = 0;
  bool operator==(const View& other) const { return base == other.base; }
};
struct ViewTraits {
  static View empty() { return {}; }
  static void close(View view);
};

// Makes the socket library usable (Winsock's start-up); harmless to call more than once.
void StartNetworking();

// A connected TCP socket. Time limits of 0 or less mean no limit (the stop flag still applies).
class Socket {
 public:
  // Resolves `host` and connects to the first of its addresses that answers within timeoutMs.
  // kError when the name does not resolve or every address refuses.
  Io Connect(const std::string& host, uint16_t port, int32_t timeoutMs,
             const std::atomic<bool>& stop);
  // Sends all of `data`; kTimeout when no progress was possible for timeoutMs.
  Io Send(const char* data, size_t size, int32_t timeoutMs, const std::atomic<bool>& stop);
  // Receives between 1 and `capacity` bytes into `buffer` (*received says how many); kClosed when
  // the peer has closed the connection, kTimeout when nothing arrived for timeoutMs.
  Io Receive(void* buffer, size_t capacity, int32_t timeoutMs, const std::atomic<bool>& stop,
             size_t* received);
  void Close() { handle_.reset(); }

 private:
  UniqueHandle<intptr_t, SocketTraits> handle_;
};

// A writable window onto part of a TargetFile.
class MappedWindow {
 public:
  MappedWindow() = default;
  MappedWindow(View view, int64_t viewOffset) : view_(view), offset_(viewOffset) {}
  bool Covers(int64_t position) const {
    return view_ && position >= offset_ && position < offset_ + static_cast<int64_t>(view_.get().size);
  }
  // The first byte past the window, as a file offset.
  int64_t End() const { return offset_ + static_cast<int64_t>(view_.get().size); }
  unsigned char* At(int64_t position) const {
    return static_cast<unsigned char*>(view_.get().base) + (position - offset_);
  }
  void Reset() { view_.reset(); }

 private:
  UniqueHandle<View, ViewTraits> view_;
  int64_t offset_ = 0;
};

enum class Create { kOk, kExists, kError };

// The download's target: created as a new file (never opening an existing one) with its full
// length at once; the parts not yet written read as zero bytes. Map() may be called from several
// threads at once.
class TargetFile {
 public:
  static Create CreateNew(const std::string& utf8Path, int64_t length, TargetFile* out);
  int64_t Length() const { return length_; }
  // A window of about `size` bytes that covers `position` (which must lie inside the file), its
  // start aligned as the system wants; an empty window when mapping fails.
  MappedWindow Map(int64_t position, size_t size) const;
  void Close();

 private:
  UniqueHandle<intptr_t, FileTraits> file_;
  UniqueHandle<intptr_t, MappingTraits> mapping_;
  int64_t length_ = 0;
};

bool FileExists(const std::string& utf8Path);

}  // namespace morvane::os
