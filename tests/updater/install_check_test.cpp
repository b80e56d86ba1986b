#include "updater/core/install_check.h"

#include <gtest/gtest.h>

#include <string>

namespace morvane::updater {
namespace {

// A minimal executable head: DOS header, e_lfanew = peAt, "PE\0\0", a file header, the magic.
std::string ExecutableHead(uint32_t peAt = 0x80, uint16_t magic = 0x10B, size_t size = 1024) {
  std::string head(size, '\0');
  head[0] = 'M';
  head[1] = 'Z';
  for (int i = 0; i < 4; ++i) head[0x3C + i] = static_cast<char>((peAt >> (8 * i)) & 0xFF);
  if (peAt + 26 <= size) {
    head.replace(peAt, 4, std::string("PE\0\0", 4));
    head[peAt + 24] = static_cast<char>(magic & 0xFF);
    head[peAt + 25] = static_cast<char>(magic >> 8);
  }
  return head;
}

TEST(InstallCheck, RecognisesWindowsExecutables) {
  struct Case { const char* what; std::string head; int64_t size; bool ok; };
  std::string notPe = ExecutableHead();
  notPe[0x81] = 'X';
  std::string errorPage = "<html><body>404 Not Found</body></html>";
  errorPage.resize(1024, ' ');
  const Case cases[] = {
      {"32-bit", ExecutableHead(0x80, 0x10B), 1024, true},
      {"64-bit", ExecutableHead(0xF8, 0x20B), 1024, true},
      {"bad optional magic", ExecutableHead(0x80, 0x107), 1024, false},
      {"MZ without PE", notPe, 1024, false},
      {"e_lfanew beyond the head", ExecutableHead(0x2000), 1024, false},
      {"e_lfanew inside the DOS header", ExecutableHead(0x20), 1024, false},
      {"an error page", errorPage, 1024, false},
      {"zero bytes", std::string(1024, '\0'), 1024, false},
      {"too short", "MZ", 2, false},
      {"empty", "", 0, false},
      {"absent file", ExecutableHead(), -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsWindowsExecutable(c.head, c.size), c.ok);
  }
}

TEST(InstallCheck, OnlyThisCompleteDownloadIsInstalled) {
  const std::string save = "C:\\App\\morvane.bak";
  const std::string head = ExecutableHead();
  TaskOutcome complete{TaskResult::kCompleted, save, 50000, 50000};
  EXPECT_TRUE(ReadyToInstall(complete, save, 50000, head));

  struct Case { const char* what; TaskOutcome outcome; int64_t sizeOnDisk; bool sameHead; };
  const Case refused[] = {
      {"failed", {TaskResult::kFailed, save, 50000, 50000}, 50000, true},
      {"stopped", {TaskResult::kStopped, save, 50000, 20000}, 50000, true},
      {"cut short", {TaskResult::kCompleted, save, 50000, 49999}, 50000, true},
      {"length unknown", {TaskResult::kCompleted, save, -1, 0}, 50000, true},
      {"written under another name", {TaskResult::kCompleted, "C:\\App\\morvane(1).bak", 50000, 50000}, 50000, true},
      {"no file written", {TaskResult::kCompleted, "", 50000, 50000}, 50000, true},
      {"file gone", complete, -1, true},
      {"file of another size", complete, 40000, true},
      {"not an executable", complete, 50000, false},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(ReadyToInstall(c.outcome, save, c.sizeOnDisk, c.sameHead ? head : std::string(1024, 'x')));
  }
  EXPECT_FALSE(ReadyToInstall(complete, "", 50000, head));
}

}  // namespace
}  // namespace morvane::updater
