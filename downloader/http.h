// The HTTP exchange in text: the request a worker sends and the response head it reads back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "downloader/address.h"

namespace morvane::download {

inline constexpr std::string_view kUserAgent = "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)";

// A response head longer than this (its closing empty line included) ends the task.
inline constexpr size_t kMaxHeadLength = 4097;

// The GET request for `target`: the fixed header lines, "Range: bytes=N-" when rangeStart > 0,
// and the empty line. Through a proxy the request line carries the absolute address.
std::string BuildRequest(const Address& target, std::string_view referer, int64_t rangeStart,
                         bool viaProxy);

// The length of the head in `data` up to and including the empty line that ends it ("\r\n\r\n",
// or "\n\n" from a server that ends its lines with LF alone); 0 while it has not ended.
size_t HeadLength(std::string_view data);

struct ContentRange {
  int64_t first = -1;
  int64_t last = -1;
  int64_t total = -1;  // -1 for "*"
};

struct ResponseHead {
  int status = 0;
  // The "Content-Length: " (or "Content-length: ") value; nothing when absent, and also when it is
  // not a plain decimal number below 2^62 (negative, huge or garbage).
  std::optional<int64_t> contentLength;
  std::optional<std::string> location;        // "Location: "
  std::optional<ContentRange> contentRange;   // "Content-Range: bytes a-b/t", a valid one only
};

// Reads a response head (as cut by HeadLength, or any text). Nothing when the status line is not
// "HTTP/<digits>.<digits> <three digits>" followed by a blank or the line's end.
std::optional<ResponseHead> ParseResponseHead(std::string_view head);

}  // namespace morvane::download
