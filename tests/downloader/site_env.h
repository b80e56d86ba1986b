// The loopback test site as the tests see it (started by run_with_site.sh).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morvane::testing {

struct LoggedRequest {
  std::string target;
  std::vector<std::string> headers;
  std::string Header(const std::string& name) const;  // the value, empty when absent
};

class SiteEnv {
 public:
  // Reads MORVANE_SITE_PORT, MORVANE_SITE_ROOT, MORVANE_SITE_LOG and MORVANE_TEST_DIR.
  static const SiteEnv& Get();

  uint16_t port = 0;
  std::string root, log, dir;

  std::string Url(const std::string& path) const;  // "http://127.0.0.1:port" + path
  std::string OutPath(const std::string& name) const;  // a path in the scratch folder
  // Puts a file of `size` pseudo-random bytes (seeded by its name) on the site; returns them.
  std::string Publish(const std::string& name, size_t size) const;
  // Every logged request whose target ends with `suffix`, in the order received.
  std::vector<LoggedRequest> Requests(const std::string& suffix) const;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
// The file's size on disk, -1 when it is absent.
int64_t FileSize(const std::string& path);

}  // namespace morvane::testing
