// The window titles of the updater, built from their GBK pieces.
#pragma once

#include <cstdint>
#include <string_view>

#include "manifest/text.h"

namespace morvane::updater {

// "当前版本：V" + version.
Text WaitingTitle(std::string_view currentVersion);
// "当前已是最新版 V" + version + "不需要更新".
Text UpToDateTitle(std::string_view currentVersion);
// "发现新版本V" + version + "，即将自动更新".
Text NewVersionTitle(std::string_view latestVersion);

// The progress title is "正在下载...      已", the backup path, "下载 ", the position, "%". The
// path is kept apart so that the window can put a UTF-16 path between the two GBK halves.
struct ProgressTitleParts {
  Text beforePath;
  Text afterPath;
};
ProgressTitleParts ProgressTitle(int64_t position);

}  // namespace morvane::updater
