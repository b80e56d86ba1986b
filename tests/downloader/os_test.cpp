// The OS layer, run natively and (the Windows build) under Wine, so the two cannot drift.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "downloader/os/os.h"
#include "site_env.h"

namespace morvane::os {
namespace {

using morvane::testing::FileSize;
using morvane::testing::ReadWholeFile;
using morvane::testing::SiteEnv;
using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(TargetFileTest, CreatedNewAtFullLengthAndWrittenThroughWindows) {
  const std::string path = SiteEnv::Get().OutPath("os-target.bin");
  const int64_t length = 5 * 1024 * 1024 + 123;  // several windows, the last one short
  {
    TargetFile file;
    ASSERT_EQ(TargetFile::CreateNew(path, length, &file), Create::kOk);
    EXPECT_EQ(FileSize(path), length);  // full length before anything is written
    // Write a marker at several offsets, each through a window of its own, including ones that
    // do not start on a page or granularity boundary and the very last byte.
    for (int64_t at : {int64_t{0}, int64_t{4095}, int64_t{65537}, int64_t{3 * 1024 * 1024 + 7}, length - 1}) {
      MappedWindow window = file.Map(at, 1 << 20);
      ASSERT_TRUE(window.Covers(at)) << at;
      EXPECT_LE(window.End(), length);
      *window.At(at) = static_cast<unsigned char>(at % 251 + 1);
    }
    EXPECT_FALSE(file.Map(length, 16).Covers(length));
    EXPECT_FALSE(file.Map(-1, 16).Covers(-1));
    file.Close();
  }
  std::string bytes = ReadWholeFile(path);
  ASSERT_EQ(static_cast<int64_t>(bytes.size()), length);
  size_t nonZero = 0;
  for (char c : bytes) nonZero += c != 0;
  EXPECT_EQ(nonZero, 5u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[65537]), 65537 % 251 + 1);
  EXPECT_EQ(static_cast<unsigned char>(bytes[static_cast<size_t>(length - 1)]), (length - 1) % 251 + 1);
}

TEST(TargetFileTest, NeverOpensAnExistingFile) {
  const std::string path = SiteEnv::Get().OutPath("os-existing.bin");
  morvane::testing::WriteWholeFile(path, "keep me");
  EXPECT_TRUE(FileExists(path));
  TargetFile file;
  EXPECT_EQ(TargetFile::CreateNew(path, 100, &file), Create::kExists);
  EXPECT_EQ(ReadWholeFile(path), "keep me");
  EXPECT_FALSE(FileExists(SiteEnv::Get().OutPath("os-absent.bin")));
  EXPECT_EQ(TargetFile::CreateNew(SiteEnv::Get().OutPath("no-such-folder/x.bin"), 10, &file),
            Create::kError);
}

TEST(TargetFileTest, EmptyFileAndUtf8Name) {
  // "下载.bin": the Windows layer must pass the name on as UTF-16.
  const std::string path = SiteEnv::Get().OutPath("\xe4\xb8\x8b\xe8\xbd\xbd.bin");
  TargetFile file;
  ASSERT_EQ(TargetFile::CreateNew(path, 0, &file), Create::kOk);
  file.Close();
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(TargetFile::CreateNew(path, 0, &file), Create::kExists);
}

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override { StartNetworking(); }
  std::atomic<bool> stop_{false};
};

TEST_F(SocketTest, ExchangesARequestWithTheSite) {
  const SiteEnv& site = SiteEnv::Get();
  std::string body = site.Publish("os-socket.bin", 300000);
  Socket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", site.port, 5000, stop_), Io::kOk);
  std::string request = "GET /os-socket.bin HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  ASSERT_EQ(socket.Send(request.data(), request.size(), 5000, stop_), Io::kOk);
  std::string received;
  char buffer[7000];
  for (;;) {
    size_t got = 0;
    Io io = socket.Receive(buffer, sizeof buffer, 5000, stop_, &got);
    if (io == Io::kClosed) break;
    ASSERT_EQ(io, Io::kOk);
    ASSERT_GT(got, 0u);
    ASSERT_LE(got, sizeof buffer);
    received.append(buffer, got);
  }
  ASSERT_GT(received.size(), body.size());
  EXPECT_EQ(received.rfind("HTTP/1.1 200", 0), 0u);
  EXPECT_EQ(received.substr(received.size() - body.size()), body);
}

TEST_F(SocketTest, ReceiveTimesOutAndStopInterruptsIt) {
  const SiteEnv& site = SiteEnv::Get();
  Socket socket;
  ASSERT_EQ(socket.Connect("localhost", site.port, 5000, stop_), Io::kOk);
  std::string request = "GET /_silent/x HTTP/1.1\r\nHost: x\r\n\r\n";
  ASSERT_EQ(socket.Send(request.data(), request.size(), 5000, stop_), Io::kOk);
  char buffer[16];
  size_t got = 0;
  auto start = Clock::now();
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 300, stop_, &got), Io::kTimeout);
  EXPECT_GE(MsSince(start), 280);

  std::thread stopper([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop_ = true;
  });
  start = Clock::now();
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 0, stop_, &got), Io::kStopped);
  stopper.join();
  EXPECT_LT(MsSince(start), 3000);
}

TEST_F(SocketTest, UnreachableAndUnresolvableFail) {
  // Nothing listens on port 1 of the loopback.
  Socket socket;
  EXPECT_EQ(socket.Connect("127.0.0.1", 1, 2000, stop_), Io::kError);
  EXPECT_EQ(socket.Connect("no-such-host.invalid", 80, 2000, stop_), Io::kError);
}

}  // namespace
}  // namespace morvane::os
