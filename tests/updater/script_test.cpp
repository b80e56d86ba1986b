#include "updater/core/script.h"

#include <gtest/gtest.h>

namespace morvane::updater {
namespace {

Text Expected(const std::string& dir, const std::string& pid) {
  return "@echo off\r\n"
         "taskkill /pid " + pid + " /f\r\n"
         "del \"" + dir + "\\morvane.exe\"\r\n"
         "ren \"" + dir + "\\morvane.bak\" \"morvane.exe\"\r\n"
         "call \"" + dir + "\\morvane.exe\"\r\n"
         "del %0";
}

TEST(ReplacementScript, SixLinesForEachKindOfFolder) {
  struct Case { const char* folder; uint32_t pid; const char* inScript; };
  const Case cases[] = {
      {"C:\\App", 1234, "C:\\App"},
      {"C:", 8, "C:"},  // a drive root: one backslash before the file name
      {"C:\\Program Files (x86)\\Morvane Desk", 4294967295u, "C:\\Program Files (x86)\\Morvane Desk"},
      {"C:\\100%\\a%b%%c", 77, "C:\\100%%\\a%%b%%%%c"},
      // "C:\软件\导航" in GBK: the bytes pass unchanged.
      {"C:\\\xc8\xed\xbc\xfe\\\xb5\xbc\xba\xbd", 5, "C:\\\xc8\xed\xbc\xfe\\\xb5\xbc\xba\xbd"},
      // "D:\表 100%": 表 is B1 ED; a GBK second byte is never 0x25, only the real "%" doubles.
      {"D:\\\xb1\xed 100%", 42, "D:\\\xb1\xed 100%%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    EXPECT_EQ(ReplacementScript(c.folder, c.pid), Expected(c.inScript, std::to_string(c.pid)));
  }
}

TEST(ReplacementScript, EndsWithDelPercentZeroAndNoLineBreak) {
  Text script = ReplacementScript("C:\\App", 1);
  ASSERT_GE(script.size(), 6u);
  EXPECT_EQ(script.substr(script.size() - 6), "del %0");
  size_t crlf = 0;
  for (size_t i = 0; i + 1 < script.size(); ++i) crlf += script[i] == '\r' && script[i + 1] == '\n';
  EXPECT_EQ(crlf, 5u);
  EXPECT_EQ(script.find('\n'), script.find("\r\n") + 1);  // no bare line feed
  EXPECT_EQ(script.find('\0'), Text::npos);
}

}  // namespace
}  // namespace morvane::updater
