// The manifest fetch over WinINet. The request runs on a thread of its own so that the caller can
// give up after kFetchBoundMs whatever the network does (a site that accepts the connection and
// never answers, or a connect that hangs); the thread owns everything it touches, so it may
// outlive the call and finish or time out on its own.
#include "manifest/fetch.h"

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "common/unique_handle.h"

namespace morvane {
namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// A manifest is a few hundred bytes; a site that streams without end must not eat the memory.
constexpr size_t kMaxBody = 4u << 20;

struct InternetHandleTraits {
  static HINTERNET empty() { return nullptr; }
  static void close(HINTERNET h) { ::InternetCloseHandle(h); }
};
using UniqueInternet = UniqueHandle<HINTERNET, InternetHandleTraits>;

struct FetchState {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::string body;
};

void SetTimeouts(HINTERNET h) {
  DWORD ms = kFetchBoundMs;
  ::InternetSetOptionA(h, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
  ::InternetSetOptionA(h, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
  ::InternetSetOptionA(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
}

void RunFetch(const std::string& url, const std::shared_ptr<FetchState>& state) {
  char host[256] = {};
  char path[2048] = {};
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!::InternetCrackUrlA(url.c_str(), 0, 0, &parts)) return;

  // The system's proxy configuration; no proxy of our own.
  UniqueInternet session(::InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return;
  SetTimeouts(session.get());
  UniqueInternet connection(::InternetConnectA(session.get(), host, parts.nPort, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return;
  // The accept type list makes WinINet send "Accept: */*", exactly once. Redirects stay on; the
  // answer always comes from the server and is never stored in the local cache.
  const char* acceptTypes[] = {"*/*", nullptr};
  UniqueInternet request(::HttpOpenRequestA(
      connection.get(), "GET", path[0] ? path : "/", "HTTP/1.0", nullptr, acceptTypes,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE, 0));
  if (!request) return;
  if (!::HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return;

  // Whatever the status, the body is the manifest; a break part-way keeps what arrived.
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!::InternetReadFile(request.get(), buffer, sizeof buffer, &got) || got == 0) break;
    std::lock_guard<std::mutex> lock(state->mutex);
    state->body.append(buffer, got);
    if (state->body.size() >= kMaxBody) break;
  }
}

}  // namespace

Text FetchManifest(const std::string& url) {
  auto state = std::make_shared<FetchState>();
  try {
    std::thread([url, state] {
      RunFetch(url, state);
      std::lock_guard<std::mutex> lock(state->mutex);
      state->done = true;
      state->finished.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return Text();
  }
  std::unique_lock<std::mutex> lock(state->mutex);
  state->finished.wait_for(lock, std::chrono::milliseconds(kFetchBoundMs), [&] { return state->done; });
  return BytesToText(state->body);
}

}  // namespace morvane
