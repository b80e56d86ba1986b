// libFuzzer target for what the network and the manifest hand the downloader: addresses,
// Location values and response heads. Nothing may crash, hang or read out of bounds, and the
// results must keep their own rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "downloader/address.h"
#include "downloader/http.h"

using namespace morvane::download;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckAddress(const Address& a) {
  Check(!a.host.empty() && a.port != 0);
  Check(!a.path.empty() && a.path[0] == '/');
  Check(a.path.find(' ') == std::string::npos);
  std::string request = BuildRequest(a, DefaultReferer(AbsoluteForm(a)), 1, false);
  Check(request.size() >= 4 && request.compare(request.size() - 4, 4, "\r\n\r\n") == 0);
  // No line break may come from the address into the request.
  Check(HeadLength(request) == request.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);

  if (auto address = ParseAddress(input)) CheckAddress(*address);

  static const Address base = *ParseAddress("http://h:81/dir/file.exe?q=1");
  if (auto resolved = ResolveLocation(base, input)) CheckAddress(*resolved);

  size_t length = HeadLength(input);
  Check(length <= size);
  if (auto head = ParseResponseHead(length ? input.substr(0, length) : input)) {
    Check(head->status >= 0 && head->status <= 999);
    if (head->contentLength) Check(*head->contentLength >= 0);
    if (head->contentRange) {
      Check(head->contentRange->first >= 0 && head->contentRange->first <= head->contentRange->last);
      Check(head->contentRange->total == -1 || head->contentRange->total > head->contentRange->last);
    }
    if (head->location) {
      if (auto target = ResolveLocation(base, *head->location)) CheckAddress(*target);
    }
  }
  return 0;
}
