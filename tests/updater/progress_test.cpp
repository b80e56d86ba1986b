#include "updater/core/progress.h"

#include <gtest/gtest.h>

#include "updater/core/layout.h"
#include "updater/core/timer_period.h"

namespace morvane::updater {
namespace {

TEST(ProgressBar, StoresWithinZeroTo32767AndDrawsWithinItsRange) {
  struct Case { int64_t written; int32_t stored; int32_t drawn; };
  const Case cases[] = {
      {0, 0, 0},       {50, 50, 50},         {100, 100, 100},     {150, 150, 100},
      {-1, 0, 0},      {-5, 0, 0},           {32767, 32767, 100}, {32768, 32767, 100},
      {-200000000000, 0, 0}, {200000000000, 32767, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    EXPECT_EQ(StoredPosition(c.written), c.stored);
    EXPECT_EQ(DrawnPosition(StoredPosition(c.written)), c.drawn);
  }
}

TEST(ProgressTick, PercentOfReceivedBytesTruncated) {
  struct Case { int64_t size; int32_t done; int64_t percent; int32_t stored; };
  const Case cases[] = {
      {2000, 19, 0, 0},          // the fraction is dropped
      {2000, 1999, 99, 99},
      {100, 80, 80, 80},
      {100, 81, 81, 81},
      {80000, 40000, 50, 50},
      {80000, 80000, 100, 100},
      {-1, 0, 0, 0},             // no backup file yet
      {-1, 7, -700, 0},          // minus done x 100, stored as 0
      {1, 2147483647, 214748364700, 32767},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.done << " of " << c.size);
    auto percent = TickPercent(c.size, c.done);
    ASSERT_TRUE(percent.has_value());
    EXPECT_EQ(*percent, c.percent);
    EXPECT_EQ(StoredPosition(*percent), c.stored);
  }
  EXPECT_FALSE(TickPercent(0, 0).has_value());  // size 0: position and title left alone
  EXPECT_FALSE(TickPercent(0, 500).has_value());
}

TEST(ProgressTick, FileSizeIsLow32BitsSignExtended) {
  EXPECT_EQ(ReportedFileSize(std::nullopt), -1);
  EXPECT_EQ(ReportedFileSize(0), 0);
  EXPECT_EQ(ReportedFileSize(80000), 80000);
  EXPECT_EQ(ReportedFileSize(0x80000000ull), -2147483648LL);
  EXPECT_EQ(ReportedFileSize(0x100000010ull), 16);
}

TEST(TimerPeriod, SamePeriodDoesNotRestartZeroStops) {
  TimerPeriod timer;
  EXPECT_EQ(timer.Set(0), TimerAction::kNone);  // starts stopped at 0
  EXPECT_EQ(timer.Set(20), TimerAction::kRestart);
  EXPECT_EQ(timer.Set(20), TimerAction::kNone);
  EXPECT_EQ(timer.period(), 20);
  EXPECT_EQ(timer.Set(50), TimerAction::kRestart);
  EXPECT_EQ(timer.Set(0), TimerAction::kStop);
  EXPECT_EQ(timer.Set(-3), TimerAction::kNone);  // negative counts as 0
  EXPECT_EQ(timer.Set(20), TimerAction::kRestart);
  EXPECT_EQ(timer.Set(-1), TimerAction::kStop);
  EXPECT_EQ(timer.period(), 0);
}

TEST(WindowLayout, CentredByIntegerDivision) {
  EXPECT_EQ(CentredOrigin(1024, 768).x, 311);
  EXPECT_EQ(CentredOrigin(1024, 768).y, 322);
  EXPECT_EQ(CentredOrigin(1025, 769).x, 311);  // (1025 - 402) / 2 = 311.5 -> 311
  EXPECT_EQ(CentredOrigin(1025, 769).y, 323);
  EXPECT_EQ(CentredOrigin(1920, 1080).x, 759);
  EXPECT_EQ(CentredOrigin(1920, 1080).y, 478);
}

}  // namespace
}  // namespace morvane::updater
