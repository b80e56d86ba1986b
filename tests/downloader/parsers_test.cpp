// The downloader's text rules: addresses, the request, response heads, ranges, free names.
#include <gtest/gtest.h>

#include "downloader/address.h"
#include "downloader/free_name.h"
#include "downloader/http.h"
#include "downloader/ranges.h"

namespace morvane::download {
namespace {

struct AddressCase {
  const char* url;
  bool accepted;
  const char* scheme = "";
  const char* hostPart = "";
  const char* host = "";
  int port = 0;
  const char* path = "";
};

TEST(AddressTest, SchemesPortsHostsAndPaths) {
  const AddressCase cases[] = {
      {"http://example.cn/a/b.exe", true, "http", "example.cn", "example.cn", 80, "/a/b.exe"},
      {"HTTP://Example.CN/x", true, "http", "Example.CN", "Example.CN", 80, "/x"},
      {"hTtP://h:8080/", true, "http", "h:8080", "h", 8080, "/"},
      {"ftp://h/f", true, "ftp", "h", "h", 21, "/f"},
      {"mms://h/f", true, "mms", "h", "h", 1755, "/f"},
      {"MMST://h/f", true, "mmst", "h", "h", 1755, "/f"},
      {"rtsp://h:1/f", true, "rtsp", "h:1", "h", 1, "/f"},
      {"http://h/a b/c d.exe?x=1 2", true, "http", "h", "h", 80, "/a%20b/c%20d.exe?x=1%202"},
      {"http://h/%41+&=#?", true, "http", "h", "h", 80, "/%41+&=#?"},
      {"http://h:65535/", true, "http", "h:65535", "h", 65535, "/"},
      {"https://h/f", false},
      {"file:///etc/passwd", false},
      {"gopher://h/f", false},
      {"http://h", false},
      {"http://h:80", false},
      {"http:///f", false},
      {"http://:80/f", false},
      {"http://h:0/f", false},
      {"http://h:65536/f", false},
      {"http://h:8x/f", false},
      {"http://h:/f", false},
      {"http://a b/f", false},
      {"http:/h/f", false},
      {"h/f", false},
      {"", false},
      {"http://h/f\r\nX: y", false},
  };
  for (const AddressCase& c : cases) {
    SCOPED_TRACE(c.url);
    std::optional<Address> a = ParseAddress(c.url);
    ASSERT_EQ(a.has_value(), c.accepted);
    if (!a) continue;
    EXPECT_EQ(a->scheme, c.scheme);
    EXPECT_EQ(a->hostPart, c.hostPart);
    EXPECT_EQ(a->host, c.host);
    EXPECT_EQ(a->port, c.port);
    EXPECT_EQ(a->path, c.path);
  }
}

TEST(AddressTest, DefaultRefererEndsBeforeTheLastSlash) {
  EXPECT_EQ(DefaultReferer("http://h/a/b.exe"), "http://h/a");
  EXPECT_EQ(DefaultReferer("http://h/b.exe"), "http://h");
  EXPECT_EQ(DefaultReferer("http://h/a/"), "http://h/a");
  EXPECT_EQ(DefaultReferer("http://h/a?x=/y"), "http://h/a?x=");
}

TEST(AddressTest, LocationsResolveAgainstTheAddressAskedFor) {
  Address base = *ParseAddress("http://h:81/dir/file.exe?q=1");
  struct {
    const char* location;
    const char* expected;  // absolute form, or nullptr for refused
  } cases[] = {
      {"http://other/x", "http://other/x"},
      {"/root/y", "http://h:81/root/y"},
      {"z.exe", "http://h:81/dir/z.exe"},
      {"//third:90/p", "http://third:90/p"},
      {"/with space", "http://h:81/with%20space"},
      {"https://secure/x", nullptr},
      {"", nullptr},
      {"http://nopath", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.location);
    std::optional<Address> resolved = ResolveLocation(base, c.location);
    if (!c.expected) {
      EXPECT_FALSE(resolved);
    } else {
      ASSERT_TRUE(resolved);
      EXPECT_EQ(AbsoluteForm(*resolved), c.expected);
    }
  }
}

TEST(RequestTest, FixedHeaderLinesInOrder) {
  Address a = *ParseAddress("http://h:81/a b.exe");
  EXPECT_EQ(BuildRequest(a, "http://h:81", 0, false),
            "GET /a%20b.exe HTTP/1.1\r\n"
            "Host: h:81\r\n"
            "Accept: */*\r\n"
            "Referer: http://h:81\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n"
            "Pragma: no-cache\r\n"
            "Cache-Control: no-cache\r\n"
            "Connection: close\r\n"
            "\r\n");
}

TEST(RequestTest, ResumeAddsRangeAndProxyUsesTheAbsoluteAddress) {
  Address a = *ParseAddress("http://h/f");
  std::string resumed = BuildRequest(a, "r", 12345, false);
  EXPECT_NE(resumed.find("\r\nRange: bytes=12345-\r\n\r\n"), std::string::npos);
  std::string proxied = BuildRequest(a, "r", 0, true);
  EXPECT_EQ(proxied.rfind("GET http://h/f HTTP/1.1\r\nHost: h\r\n", 0), 0u);
  EXPECT_EQ(proxied.find("Range"), std::string::npos);
}

TEST(ResponseTest, HeadLengthFindsTheEmptyLine) {
  EXPECT_EQ(HeadLength("HTTP/1.1 200 OK\r\nA: b\r\n\r\nbody"), 25u);
  EXPECT_EQ(HeadLength("HTTP/1.1 200 OK\nA: b\n\nbody"), 22u);
  EXPECT_EQ(HeadLength("HTTP/1.1 200 OK\r\nA: b\r\n"), 0u);
  EXPECT_EQ(HeadLength(""), 0u);
  EXPECT_EQ(HeadLength("\n"), 0u);
}

TEST(ResponseTest, StatusLines) {
  struct {
    const char* head;
    int status;  // 0: refused
  } cases[] = {
      {"HTTP/1.1 200 OK\r\n\r\n", 200},
      {"HTTP/1.0 404\r\n\r\n", 404},
      {"HTTP/1.1 302 Found\n\n", 302},
      {"HTTP/1.1 20 OK\r\n\r\n", 0},
      {"HTTP/1.1 2000 OK\r\n\r\n", 0},
      {"HTTP/1.1 2O0 OK\r\n\r\n", 0},
      {"HTTX/1.1 200 OK\r\n\r\n", 0},
      {"HTTP/1.1200 OK\r\n\r\n", 0},
      {"HTTP/ 200 OK\r\n\r\n", 0},
      {"HTTP/1. 200 OK\r\n\r\n", 0},
      {"", 0},
      {"\r\n\r\n", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.head);
    auto head = ParseResponseHead(c.head);
    if (c.status == 0) {
      EXPECT_FALSE(head);
    } else {
      ASSERT_TRUE(head);
      EXPECT_EQ(head->status, c.status);
    }
  }
}

TEST(ResponseTest, ContentLengthValues) {
  struct {
    const char* line;
    int64_t length;  // -1: no usable length
  } cases[] = {
      {"Content-Length: 1234", 1234},
      {"Content-length: 0", 0},
      {"Content-Length: 2147483648", 2147483648LL},
      {"Content-Length:  77 ", 77},
      {"Content-Length: -5", -1},
      {"Content-Length: 99999999999999999999", -1},
      {"Content-Length: 12abc", -1},
      {"Content-Length: ", -1},
      {"Content-Length:5", -1},
      {"content-length: 5", -1},
      {"X-Content-Length: 5", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    auto head = ParseResponseHead(std::string("HTTP/1.1 200 OK\r\n") + c.line + "\r\n\r\n");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->contentLength.value_or(-1), c.length);
  }
}

TEST(ResponseTest, LocationAndContentRange) {
  auto head = ParseResponseHead(
      "HTTP/1.1 206 Partial\r\nLocation: /next\r\ncontent-range: bytes 10-19/20\r\n\r\n");
  ASSERT_TRUE(head);
  EXPECT_EQ(head->location.value_or(""), "/next");
  ASSERT_TRUE(head->contentRange);
  EXPECT_EQ(head->contentRange->first, 10);
  EXPECT_EQ(head->contentRange->last, 19);
  EXPECT_EQ(head->contentRange->total, 20);

  auto star = ParseResponseHead("HTTP/1.1 206 P\r\nContent-Range: bytes 0-0/*\r\n\r\n");
  ASSERT_TRUE(star && star->contentRange);
  EXPECT_EQ(star->contentRange->total, -1);

  for (const char* bad : {"bytes 5-4/10", "bytes 0-9/9", "bytes x-9/10", "items 0-9/10", "bytes 0-9"}) {
    SCOPED_TRACE(bad);
    auto parsed = ParseResponseHead(std::string("HTTP/1.1 206 P\r\nContent-Range: ") + bad + "\r\n\r\n");
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->contentRange);
  }
}

TEST(RangesTest, SplitCoversTheFileOnce) {
  struct {
    int64_t length;
    int32_t threads;
    size_t parts;
  } cases[] = {
      {0, 4, 1}, {20479, 4, 1}, {20480, 4, 4}, {1000003, 3, 3}, {100000, 0, 1}, {100000, -2, 1},
      {10000000, 1000, kMaxConnections},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    std::vector<ByteRange> ranges = PlanRanges(c.length, c.threads);
    ASSERT_EQ(ranges.size(), c.parts);
    int64_t next = 0;
    for (const ByteRange& r : ranges) {
      EXPECT_EQ(r.begin, next);
      EXPECT_LE(r.begin, r.end);
      next = r.end;
    }
    EXPECT_EQ(next, c.length);
  }
}

TEST(FreeNameTest, NumberGoesBeforeTheFirstDotOfTheFileName) {
  EXPECT_EQ(NumberedName("C:\\dir\\morvane.bak", 1), "C:\\dir\\morvane(1).bak");
  EXPECT_EQ(NumberedName("/d.x/a.tar.gz", 2), "/d.x/a(2).tar.gz");
  EXPECT_EQ(NumberedName("/d.x/noext", 99), "/d.x/noext(99)");
  EXPECT_EQ(NumberedName("C:\\d.x\\noext", 3), "C:\\d.x\\noext(3)");
  EXPECT_EQ(NumberedName(".hidden", 1), "(1).hidden");
  EXPECT_EQ(NumberedName("plain", 7), "plain(7)");
}

}  // namespace
}  // namespace morvane::download
