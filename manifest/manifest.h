// The update manifest: the markers and labels (GBK bytes), the between-markers extraction and the
// version rule shared by the launcher, the updater and the manifest tool.
#pragma once

#include <string_view>

#include "manifest/text.h"

namespace morvane {

// "////开始" and "////结束"
inline constexpr std::string_view kStartMarker = "////\xBF\xAA\xCA\xBC";
inline constexpr std::string_view kEndMarker = "////\xBD\xE1\xCA\xF8";
// "最新版：V", "更新说明：", "下载地址：" (full-width colons)
inline constexpr std::string_view kVersionLabel = "\xD7\xEE\xD0\xC2\xB0\xE6\xA3\xBA" "V";
inline constexpr std::string_view kNotesLabel = "\xB8\xFC\xD0\xC2\xCB\xB5\xC3\xF7\xA3\xBA";
inline constexpr std::string_view kAddressLabel = "\xCF\xC2\xD4\xD8\xB5\xD8\xD6\xB7\xA3\xBA";
inline constexpr std::string_view kFieldEnd = "</p>";

// The text after the first startMarker up to the next endMarker. A missing start marker is not an
// error: the search then starts at byte length(startMarker) - 1 of the source.
Text TextBetween(std::string_view source, std::string_view startMarker, std::string_view endMarker);

// True when `latest` compares greater than `current` as text.
bool IsNewerVersion(std::string_view latest, std::string_view current);

// What a program reads from a fetched manifest, in the order the updater cuts it.
struct ManifestFields {
  Text block;
  Text latestVersion;
  Text releaseNotes;
  Text downloadAddress;
};

// The block replaces the fetched text; each field is cut from the block up to "</p>".
ManifestFields ReadManifest(std::string_view fetched);

}  // namespace morvane
