// The one owning wrapper for every OS handle (Win32 HANDLE, HINTERNET, SOCKET, file descriptor,
// mapped view...). Movable, not copyable; closes what it holds exactly once.
//
//   struct CloseFd { static int empty() { return -1; } static void close(int fd) { ::close(fd); } };
//   using UniqueFd = UniqueHandle<int, CloseFd>;
#pragma once

#include <utility>

namespace morvane {

template <typename T, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() noexcept : value_(Traits::empty()) {}
  explicit UniqueHandle(T value) noexcept : value_(value) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return !(value_ == Traits::empty()); }

  T release() noexcept { return std::exchange(value_, Traits::empty()); }
  void reset(T value = Traits::empty()) noexcept {
    T old = std::exchange(value_, value);
    if (!(old == Traits::empty())) Traits::close(old);
  }

 private:
  T value_;
};

}  // namespace morvane
