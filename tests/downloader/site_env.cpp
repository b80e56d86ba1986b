#include "site_env.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace morvane::testing {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) {
    throw std::runtime_error(std::string(name) + " is not set: run the tests through run_with_site.sh");
  }
  return value;
}

char Separator(const std::string& folder) {
  return folder.find('\\') != std::string::npos ? '\\' : '/';
}

// The value of "key": "..." in one log line; JSON escapes other than \" and \\ do not occur in
// the texts the tests send.
std::vector<std::string> Strings(const std::string& line) {
  std::vector<std::string> out;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '"') continue;
    std::string text;
    for (++i; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) ++i;
      text += line[i];
    }
    out.push_back(text);
  }
  return out;
}

}  // namespace

std::string LoggedRequest::Header(const std::string& name) const {
  for (const std::string& h : headers) {
    if (h.compare(0, name.size() + 2, name + ": ") == 0) return h.substr(name.size() + 2);
  }
  return {};
}

const SiteEnv& SiteEnv::Get() {
  static const SiteEnv env = [] {
    SiteEnv e;
    e.port = static_cast<uint16_t>(std::stoi(Env("MORVANE_SITE_PORT")));
    e.root = Env("MORVANE_SITE_ROOT");
    e.log = Env("MORVANE_SITE_LOG");
    e.dir = Env("MORVANE_TEST_DIR");
    return e;
  }();
  return env;
}

std::string SiteEnv::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::string SiteEnv::OutPath(const std::string& name) const { return dir + Separator(dir) + name; }

std::string SiteEnv::Publish(const std::string& name, size_t size) const {
  std::seed_seq seed(name.begin(), name.end());
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xff);
  WriteWholeFile(root + Separator(root) + name, bytes);
  return bytes;
}

std::vector<LoggedRequest> SiteEnv::Requests(const std::string& suffix) const {
  std::vector<LoggedRequest> found;
  std::istringstream lines(ReadWholeFile(log));
  for (std::string line; std::getline(lines, line);) {
    // {"method": ..., "target": T, "version": ..., "headers": [H...], "time": ...}
    std::vector<std::string> s = Strings(line);
    if (s.size() < 8 || s[2] != "target" || s[6] != "headers") continue;
    const std::string& target = s[3];
    if (target.size() < suffix.size() ||
        target.compare(target.size() - suffix.size(), suffix.size(), suffix) != 0) {
      continue;
    }
    LoggedRequest request{target, {}};
    for (size_t i = 7; i < s.size() && s[i] != "time"; ++i) request.headers.push_back(s[i]);
    found.push_back(request);
  }
  return found;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

int64_t FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? static_cast<int64_t>(in.tellg()) : -1;
}

}  // namespace morvane::testing
