#include "downloader/http.h"

namespace morvane::download {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number of at most 18 digits, surrounded by nothing but blanks; nothing otherwise.
std::optional<int64_t> ParseDecimal(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// "bytes first-last/total" with total a number or "*".
std::optional<ContentRange> ParseContentRange(std::string_view value) {
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  if (value.substr(0, 6) != "bytes ") return std::nullopt;
  value.remove_prefix(6);
  size_t dash = value.find('-');
  size_t slash = value.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) {
    return std::nullopt;
  }
  auto first = ParseDecimal(value.substr(0, dash));
  auto last = ParseDecimal(value.substr(dash + 1, slash - dash - 1));
  if (!first || !last || *last < *first) return std::nullopt;
  ContentRange range{*first, *last, -1};
  std::string_view total = value.substr(slash + 1);
  if (total != "*") {
    auto parsed = ParseDecimal(total);
    if (!parsed || *parsed <= *last) return std::nullopt;
    range.total = *parsed;
  }
  return range;
}

bool ParseStatusLine(std::string_view line, int* status) {
  if (line.substr(0, 5) != "HTTP/") return false;
  size_t i = 5;
  auto digits = [&] {
    size_t start = i;
    while (i < line.size() && IsDigit(line[i])) ++i;
    return i > start;
  };
  if (!digits() || i >= line.size() || line[i] != '.') return false;
  ++i;
  if (!digits() || i >= line.size() || line[i] != ' ') return false;
  ++i;
  if (line.size() < i + 3 || !IsDigit(line[i]) || !IsDigit(line[i + 1]) || !IsDigit(line[i + 2])) {
    return false;
  }
  if (line.size() > i + 3 && line[i + 3] != ' ') return false;
  *status = (line[i] - '0') * 100 + (line[i + 1] - '0') * 10 + (line[i + 2] - '0');
  return true;
}

}  // namespace

std::string BuildRequest(const Address& target, std::string_view referer, int64_t rangeStart,
                         bool viaProxy) {
  std::string request;
  request.reserve(400);
  request += "GET ";
  request += viaProxy ? AbsoluteForm(target) : target.path;
  request += " HTTP/1.1\r\nHost: ";
  request += target.hostPart;
  request += "\r\nAccept: */*\r\nReferer: ";
  request += referer;
  request += "\r\nUser-Agent: ";
  request += kUserAgent;
  request += "\r\nPragma: no-cache\r\nCache-Control: no-cache\r\nConnection: close\r\n";
  if (rangeStart > 0) {
    request += "Range: bytes=" + std::to_string(rangeStart) + "-\r\n";
  }
  request += "\r\n";
  return request;
}

size_t HeadLength(std::string_view data) {
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] != '\n') continue;
    if (i + 1 < data.size() && data[i + 1] == '\n') return i + 2;
    if (i + 2 < data.size() && data[i + 1] == '\r' && data[i + 2] == '\n') return i + 3;
  }
  return 0;
}

std::optional<ResponseHead> ParseResponseHead(std::string_view head) {
  ResponseHead result;
  bool first = true;
  while (!head.empty()) {
    size_t end = head.find('\n');
    std::string_view line = head.substr(0, end);
    head = end == std::string_view::npos ? std::string_view() : head.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      if (!ParseStatusLine(line, &result.status)) return std::nullopt;
      first = false;
      continue;
    }
    if (line.empty()) break;
    if (line.substr(0, 16) == "Content-Length: " || line.substr(0, 16) == "Content-length: ") {
      result.contentLength = ParseDecimal(line.substr(16));
      if (result.contentLength && *result.contentLength > (int64_t{1} << 62)) {
        result.contentLength.reset();
      }
    } else if (line.substr(0, 10) == "Location: ") {
      result.location = std::string(line.substr(10));
    } else {
      size_t colon = line.find(':');
      if (colon != std::string_view::npos && EqualNoCase(line.substr(0, colon), "content-range")) {
        result.contentRange = ParseContentRange(line.substr(colon + 1));
      }
    }
  }
  if (first) return std::nullopt;
  return result;
}

}  // namespace morvane::download
