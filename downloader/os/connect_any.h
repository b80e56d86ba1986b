// What both socket layers share: the milliseconds since a moment, and the walk over the resolved
// addresses of a host within one overall connect time-out. AddrInfo is the system's addrinfo
// (netdb.h or ws2tcpip.h), so this header needs neither.
#pragma once

#include <chrono>
#include <cstdint>

#include "downloader/os/os.h"

namespace morvane::os {

using Clock = std::chrono::steady_clock;

inline int64_t ElapsedMs(Clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

// Tries each address in turn with what is left of timeoutMs (0: no limit) until one connects or
// the task is stopped; connectOne(ai, leftMs) makes one attempt.
template <typename AddrInfo, typename ConnectOne>
Io ConnectAny(const AddrInfo* found, int32_t timeoutMs, ConnectOne connectOne) {
  Io result = Io::kError;
  const auto start = Clock::now();
  for (const AddrInfo* ai = found; ai != nullptr; ai = ai->ai_next) {
    int32_t left = timeoutMs;
    if (timeoutMs > 0) {
      left = static_cast<int32_t>(timeoutMs - ElapsedMs(start));
      if (left <= 0) return Io::kTimeout;
    }
    result = connectOne(ai, left);
    if (result == Io::kOk || result == Io::kStopped) break;
  }
  return result;
}

}  // namespace morvane::os
