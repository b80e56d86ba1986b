// The manifest fetch (Windows): one HTTP/1.0 GET of the manifest address through the system's
// HTTP client, never answered from a cache, bounded in time.
#pragma once

#include <string>

#include "manifest/text.h"

namespace morvane {

// Longest a fetch may take, connecting and reading included, before it gives up with what it has.
inline constexpr unsigned kFetchBoundMs = 3000;

// The body of whatever answer arrives, as a text (up to its first zero byte); the empty text when
// nothing was received. Never takes longer than kFetchBoundMs plus a few milliseconds.
Text FetchManifest(const std::string& url);

}  // namespace morvane
