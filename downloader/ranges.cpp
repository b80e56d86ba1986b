#include "downloader/ranges.h"

#include <algorithm>

namespace morvane::download {

std::vector<ByteRange> PlanRanges(int64_t length, int32_t threadCount) {
  int64_t count = std::clamp<int64_t>(threadCount, 1, kMaxConnections);
  if (length < kSingleConnectionBelow) count = 1;
  std::vector<ByteRange> ranges;
  int64_t part = length / count;
  for (int64_t i = 0; i < count; ++i) {
    int64_t begin = i * part;
    ranges.push_back({begin, i + 1 == count ? length : begin + part});
  }
  return ranges;
}

}  // namespace morvane::download
