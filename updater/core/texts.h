// The updater's own texts, as GBK bytes (the Chinese is in the comment beside each).
#pragma once

#include <string_view>

namespace morvane::updater {

// "当前版本：V" (full-width colon): the first title, followed by the current version.
inline constexpr std::string_view kWaitingTitlePrefix = "\xb5\xb1\xc7\xb0\xb0\xe6\xb1\xbe\xa3\xba\x56";
// "当前已是最新版 V" and "不需要更新": the up-to-date title around the current version.
inline constexpr std::string_view kUpToDateHead = "\xb5\xb1\xc7\xb0\xd2\xd1\xca\xc7\xd7\xee\xd0\xc2\xb0\xe6\x20\x56";
inline constexpr std::string_view kUpToDateTail = "\xb2\xbb\xd0\xe8\xd2\xaa\xb8\xfc\xd0\xc2";
// "发现新版本V" and "，即将自动更新" (full-width comma): the title around the announced version.
inline constexpr std::string_view kNewVersionHead = "\xb7\xa2\xcf\xd6\xd0\xc2\xb0\xe6\xb1\xbe\x56";
inline constexpr std::string_view kNewVersionTail = "\xa3\xac\xbc\xb4\xbd\xab\xd7\xd4\xb6\xaf\xb8\xfc\xd0\xc2";
// "正在更新..": the start button's caption once the update has begun.
inline constexpr std::string_view kUpdatingCaption = "\xd5\xfd\xd4\xda\xb8\xfc\xd0\xc2\x2e\x2e";
// "正在下载...      已" (six blanks) and "下载 " (one blank): the progress title around the path.
inline constexpr std::string_view kProgressHead =
    "\xd5\xfd\xd4\xda\xcf\xc2\xd4\xd8\x2e\x2e\x2e\x20\x20\x20\x20\x20\x20\xd2\xd1";
inline constexpr std::string_view kProgressMiddle = "\xcf\xc2\xd4\xd8\x20";
// "下载已完成": the title of the hand-over.
inline constexpr std::string_view kDoneTitle = "\xcf\xc2\xd4\xd8\xd2\xd1\xcd\xea\xb3\xc9";
// "你确实要退出更新此更新程序吗？程序将无法进行更新！" and "更新": the exit question and its title.
inline constexpr std::string_view kExitQuestion =
    "\xc4\xe3\xc8\xb7\xca\xb5\xd2\xaa\xcd\xcb\xb3\xf6\xb8\xfc\xd0\xc2\xb4\xcb\xb8\xfc\xd0\xc2\xb3\xcc"
    "\xd0\xf2\xc2\xf0\xa3\xbf\xb3\xcc\xd0\xf2\xbd\xab\xce\xde\xb7\xa8\xbd\xf8\xd0\xd0\xb8\xfc\xd0\xc2"
    "\xa3\xa1";
inline constexpr std::string_view kExitQuestionTitle = "\xb8\xfc\xd0\xc2";

// File names joined to the program folder.
inline constexpr std::string_view kBackupFileName = "\\morvane.bak";
inline constexpr std::string_view kScriptFileName = "\\bat.bat";

}  // namespace morvane::updater
