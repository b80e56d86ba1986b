// How a file is split among a task's connections.
#pragma once

#include <cstdint>
#include <vector>

namespace morvane::download {

// Files shorter than this always go over one connection.
inline constexpr int64_t kSingleConnectionBelow = 20480;
// More connections than this are not opened, whatever the task asks for.
inline constexpr int32_t kMaxConnections = 16;

struct ByteRange {
  int64_t begin = 0;
  int64_t end = 0;  // one past the last byte
};

// Consecutive ranges covering [0, length): one per connection, the last one taking the remainder.
std::vector<ByteRange> PlanRanges(int64_t length, int32_t threadCount);

}  // namespace morvane::download
