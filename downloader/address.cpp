#include "downloader/address.h"

#include <array>

namespace morvane::download {
namespace {

struct Scheme {
  std::string_view name;
  uint16_t port;
};
constexpr std::array<Scheme, 5> kSchemes{{
    {"http", 80}, {"ftp", 21}, {"mms", 1755}, {"mmst", 1755}, {"rtsp", 554}}};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != prefix[i]) return false;
  }
  return true;
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

std::string EncodePath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == ' ') {
      out += "%20";
    } else {
      out += c;
    }
  }
  return out;
}

// Parses "1".."65535"; 0 otherwise.
uint16_t ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) return 0;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  return value >= 1 && value <= 65535 ? static_cast<uint16_t>(value) : 0;
}

}  // namespace

std::optional<Address> ParseAddress(std::string_view url) {
  for (char c : url) {
    if (IsControl(static_cast<unsigned char>(c))) return std::nullopt;
  }
  Address address;
  for (const Scheme& scheme : kSchemes) {
    std::string prefix = std::string(scheme.name) + "://";
    if (StartsWithNoCase(url, prefix)) {
      address.scheme = std::string(scheme.name);
      address.port = scheme.port;
      url.remove_prefix(prefix.size());
      break;
    }
  }
  if (address.scheme.empty()) return std::nullopt;

  size_t slash = url.find('/');
  if (slash == std::string_view::npos || slash == 0) return std::nullopt;
  address.hostPart = std::string(url.substr(0, slash));
  if (address.hostPart.find(' ') != std::string::npos) return std::nullopt;

  size_t colon = address.hostPart.find(':');
  address.host = address.hostPart.substr(0, colon);
  if (address.host.empty()) return std::nullopt;
  if (colon != std::string::npos) {
    address.port = ParsePort(std::string_view(address.hostPart).substr(colon + 1));
    if (address.port == 0) return std::nullopt;
  }
  address.path = EncodePath(url.substr(slash));
  return address;
}

std::optional<Address> ResolveLocation(const Address& base, std::string_view location) {
  while (!location.empty() && (location.back() == ' ' || location.back() == '\t')) {
    location.remove_suffix(1);
  }
  if (location.empty()) return std::nullopt;
  if (location.find("://") != std::string_view::npos) return ParseAddress(location);
  if (location.substr(0, 2) == "//") return ParseAddress(base.scheme + ":" + std::string(location));
  std::string path;
  if (location.front() == '/') {
    path = std::string(location);
  } else {
    std::string_view folder = base.path;
    folder = folder.substr(0, folder.find('?'));
    folder = folder.substr(0, folder.rfind('/') + 1);
    path = std::string(folder) + std::string(location);
  }
  return ParseAddress(base.scheme + "://" + base.hostPart + path);
}

std::string DefaultReferer(std::string_view url) {
  size_t slash = url.rfind('/');
  return std::string(slash == std::string_view::npos ? url : url.substr(0, slash));
}

std::string AbsoluteForm(const Address& address) {
  return address.scheme + "://" + address.hostPart + address.path;
}

}  // namespace morvane::download
