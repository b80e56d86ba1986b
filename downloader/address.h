// Download addresses: scheme, host part, port and the path as it goes on the request line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvane::download {

struct Address {
  std::string scheme;    // lower case: http, ftp, mms, mmst or rtsp
  std::string hostPart;  // as written between "://" and the next "/", port included (Host header)
  std::string host;      // the host part without ":port"
  uint16_t port = 0;     // the scheme's port unless the host part names one
  std::string path;      // from the first "/" after the host on, query included, blanks as %20
};

// Reads an address. Nothing for a scheme other than http/ftp/mms/mmst/rtsp (https among them),
// for an address without "/" after the host, an empty host, a port that is not 1..65535, or
// control characters or blanks in the host part.
std::optional<Address> ParseAddress(std::string_view url);

// The target of a "Location: " value relative to the address that was asked for: an absolute
// address, a scheme-relative "//host/path", an absolute path or a path relative to the base's
// folder. Nothing when the result is no usable address.
std::optional<Address> ResolveLocation(const Address& base, std::string_view location);

// The Referer used when the task names none: the address up to, not including, its last "/".
std::string DefaultReferer(std::string_view url);

// "http://" + host part + path: the request target when talking to a proxy.
std::string AbsoluteForm(const Address& address);

}  // namespace morvane::download
