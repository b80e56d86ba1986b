// Whether a finished download may be handed to the replacement script: only a download that the
// downloader reports complete, to the very file the updater asked for, at its full length, and
// that is a Windows executable. Anything else (failed, stopped, cut short, written under another
// name because a file was in the way, an error page) is never installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "downloader/downloader.h"

namespace morvane::updater {

// How many leading bytes of the file the executable check looks at.
inline constexpr size_t kExecutableHeadBytes = 4096;

// A DOS header ("MZ") whose e_lfanew points, inside the file and inside `head`, at a PE signature
// followed by a file header and the magic of a 32- or 64-bit optional header.
bool IsWindowsExecutable(std::string_view head, int64_t fileSize);

// savePath is the UTF-8 path the task was given; sizeOnDisk is the size of that file now (-1 when
// absent); head its first bytes.
bool ReadyToInstall(const TaskOutcome& outcome, std::string_view savePath, int64_t sizeOnDisk,
                    std::string_view head);

}  // namespace morvane::updater
