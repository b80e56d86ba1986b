#include "updater/core/progress.h"

#include <algorithm>

namespace morvane::updater {

int32_t StoredPosition(int64_t written) {
  return static_cast<int32_t>(std::clamp<int64_t>(written, 0, kStoredMaximum));
}

int32_t DrawnPosition(int32_t stored) { return std::clamp(stored, kBarMinimum, kBarMaximum); }

int64_t ReportedFileSize(std::optional<uint64_t> sizeOnDisk) {
  if (!sizeOnDisk) return -1;
  return static_cast<int32_t>(static_cast<uint32_t>(*sizeOnDisk & 0xFFFFFFFFu));
}

std::optional<int64_t> TickPercent(int64_t reportedSize, int32_t done) {
  if (reportedSize == 0) return std::nullopt;
  double percent = static_cast<double>(done) * 100.0 / static_cast<double>(reportedSize);
  return static_cast<int64_t>(percent);  // conversion truncates toward zero
}

}  // namespace morvane::updater
