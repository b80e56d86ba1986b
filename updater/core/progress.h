// The arithmetic of the progress display: what the progress bar stores and draws, and what one
// tick of the download timer computes.
#pragma once

#include <cstdint>
#include <optional>

namespace morvane::updater {

// The bar's range and the limits of its stored position.
inline constexpr int32_t kBarMinimum = 0;
inline constexpr int32_t kBarMaximum = 100;
inline constexpr int32_t kStoredMaximum = 32767;

// A written position is stored limited to 0..32767 and read back as stored.
int32_t StoredPosition(int64_t written);
// The bar draws the stored position limited to its range 0..100.
int32_t DrawnPosition(int32_t stored);

// The size of the backup file as the tick sees it: -1 when there is no file, otherwise the low 32
// bits of its size, sign-extended.
int64_t ReportedFileSize(std::optional<uint64_t> sizeOnDisk);

// The percentage a tick writes to the bar: done * 100 / size in double precision, truncated toward
// zero. Nothing (position and title left alone) when the size is 0.
std::optional<int64_t> TickPercent(int64_t reportedSize, int32_t done);

}  // namespace morvane::updater
