#include "updater/core/titles.h"

#include <gtest/gtest.h>

#include "manifest/text.h"

namespace morvane::updater {
namespace {

TEST(UpdaterTitles, WaitingTitleIsPrefixAndVersionOnly) {
  // "当前版本：V0.1": no blank after the full-width colon, capital V right before the version.
  EXPECT_EQ(WaitingTitle("0.1"), "\xb5\xb1\xc7\xb0\xb0\xe6\xb1\xbe\xa3\xba" "V0.1");
}

TEST(UpdaterTitles, UpToDateTitleHasBlankBeforeVOnly) {
  // "当前已是最新版 V0.1不需要更新"
  EXPECT_EQ(UpToDateTitle("0.1"),
            "\xb5\xb1\xc7\xb0\xd2\xd1\xca\xc7\xd7\xee\xd0\xc2\xb0\xe6 V0.1\xb2\xbb\xd0\xe8\xd2\xaa\xb8\xfc\xd0\xc2");
}

TEST(UpdaterTitles, NewVersionTitleCarriesTheVersionByteForByte) {
  // "发现新版本V" + version + "，即将自动更新"; the version is not trimmed.
  const Text tail = "\xa3\xac\xbc\xb4\xbd\xab\xd7\xd4\xb6\xaf\xb8\xfc\xd0\xc2";
  EXPECT_EQ(NewVersionTitle("0.2"), "\xb7\xa2\xcf\xd6\xd0\xc2\xb0\xe6\xb1\xbe" "V0.2" + tail);
  EXPECT_EQ(NewVersionTitle("0.1\r\n"), "\xb7\xa2\xcf\xd6\xd0\xc2\xb0\xe6\xb1\xbe" "V0.1\r\n" + tail);
}

TEST(UpdaterTitles, ProgressTitleAroundThePath) {
  // "正在下载...      已" + C:\App\morvane.bak + "下载 " + 50 + "%"
  ProgressTitleParts parts = ProgressTitle(50);
  EXPECT_EQ(ConcatText({parts.beforePath, "C:\\App\\morvane.bak", parts.afterPath}),
            "\xd5\xfd\xd4\xda\xcf\xc2\xd4\xd8...      \xd2\xd1" "C:\\App\\morvane.bak"
            "\xcf\xc2\xd4\xd8 50%");
  EXPECT_EQ(ProgressTitle(0).afterPath, "\xcf\xc2\xd4\xd8 0%");
  EXPECT_EQ(ProgressTitle(150).afterPath, "\xcf\xc2\xd4\xd8 150%");
}

}  // namespace
}  // namespace morvane::updater
