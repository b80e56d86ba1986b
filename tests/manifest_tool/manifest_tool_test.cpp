// The manifest tool: what check reports for the traps operators fall into, and what make refuses.
#include <gtest/gtest.h>

#include "manifest/manifest.h"
#include "tools/manifest/check.h"
#include "tools/manifest/encoding.h"
#include "tools/manifest/make.h"

namespace morvane::manifest_tool {
namespace {

// A manifest in GBK from its UTF-8 text; the test data is written as operators would type it.
std::string Gbk(const std::string& utf8) {
  auto g = Utf8ToGbk(utf8);
  EXPECT_TRUE(g.has_value()) << utf8;
  return g.value_or("");
}

std::string Manifest(const std::string& version, const std::string& address = "http://h/m.exe") {
  return Gbk("////开始\r\n最新版：V" + version + "</p>\r\n更新说明：修复</p>\r\n下载地址：" + address +
             "</p>\r\n////结束\r\n");
}

struct CheckCase {
  const char* name;
  std::string file;
  int exitStatus;
  std::string version;      // what the programs read (UTF-8 display form)
  bool wouldUpdate;         // for a program of version 0.1
  const char* mustMention;  // a piece of one finding's message; "" when none is expected
};

class CheckTable : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckTable, ReportsWhatTheProgramsReadAndTheTrap) {
  const CheckCase& c = GetParam();
  const CheckReport r = CheckManifest(c.file, "0.1");
  EXPECT_EQ(r.ExitStatus(), c.exitStatus) << c.name;
  EXPECT_EQ(GbkToUtf8Display(r.fields.latestVersion), c.version) << c.name;
  EXPECT_EQ(r.wouldUpdate, c.wouldUpdate) << c.name;
  std::string all;
  for (const Finding& f : r.findings) all += f.message + "\n";
  if (*c.mustMention) {
    EXPECT_NE(all.find(c.mustMention), std::string::npos) << c.name << " findings:\n" << all;
  } else {
    EXPECT_TRUE(r.findings.empty()) << c.name << " findings:\n" << all;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckTable,
    ::testing::Values(
        CheckCase{"good", Manifest("0.2"), 0, "0.2", true, ""},
        CheckCase{"up to date", Manifest("0.1"), 0, "0.1", false, ""},
        CheckCase{"utf8 file",
                  "////开始\r\n最新版：V0.2</p>\r\n更新说明：x</p>\r\n下载地址：http://h/m.exe</p>\r\n////结束\r\n", 2, "",
                  false, "UTF-8"},
        CheckCase{"utf16 file", std::string("\xFF\xFE/\0/\0", 6), 2, "", false, "UTF-16"},
        CheckCase{"ascii colon in the version label",
                  Gbk("////开始\r\n最新版:V0.2</p>\r\n更新说明：x</p>\r\n下载地址：http://h/m.exe</p>\r\n////结束"), 2,
                  "\\xE6:V0.2", true, "ASCII colon"},
        CheckCase{"blank in the version", Manifest("0.1 "), 2, "0.1 ", true, "endless update loop"},
        CheckCase{"line break in the version", Manifest("0.1\r\n"), 2, "0.1\\r\\n", true, "endless update loop"},
        CheckCase{"text versus number", Manifest("0.10"), 0, "0.10", true, ""},
        CheckCase{"https address", Manifest("0.2", "https://h/m.exe"), 2, "0.2", true, "https"},
        CheckCase{"address without a path", Manifest("0.2", "http://h"), 2, "0.2", true, "refuses the address"},
        CheckCase{"ftp address", Manifest("0.2", "ftp://h/m.exe"), 2, "0.2", true, "http only"},
        CheckCase{"blank in the address", Manifest("0.2", "http://h/my file.exe"), 1, "0.2", true, "%20"},
        CheckCase{"missing field end after the version",
                  Gbk("////开始\r\n最新版：V0.2\r\n更新说明：x</p>\r\n下载地址：http://h/m.exe</p>\r\n////结束"), 2,
                  "0.2\\r\\n更新说明：x", true, "</p>"},
        CheckCase{"missing end marker",
                  Gbk("////开始\r\n最新版：V0.2</p>\r\n更新说明：x</p>\r\n下载地址：http://h/m.exe</p>\r\n"), 2, "", false,
                  "no end marker"},
        CheckCase{"missing start marker", Gbk("最新版：V0.2</p>////结束"), 2, "", false, "no start marker"},
        CheckCase{"empty file", "", 2, "", false, "no start marker"},
        CheckCase{"label twice: notes hold the address label",
                  Gbk("////开始\r\n最新版：V0.2</p>\r\n更新说明：见下载地址：http://a/x.exe</p>\r\n下载地址：http://h/m.exe</p>\r\n////结束"),
                  1, "0.2", true, "more than once"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(Check, NumberVersusTextTraps) {
  // "0.10" after "0.9": higher as a number, lower as text: the programs never update.
  CheckReport r = CheckManifest(Manifest("0.10"), "0.9");
  EXPECT_FALSE(r.wouldUpdate);
  EXPECT_EQ(r.ExitStatus(), 1);
  ASSERT_EQ(r.findings.size(), 1u);
  EXPECT_NE(r.findings[0].message.find("as a number but not as text"), std::string::npos);
  // "0.09" after "0.1": the parts 0 and 9 are higher than 0 and 1, the text is lower.
  EXPECT_EQ(CheckManifest(Manifest("0.09"), "0.1").ExitStatus(), 1);
  EXPECT_EQ(CheckManifest(Manifest("0.2"), "0.1").ExitStatus(), 0);
  // "0.1.0" after "0.1": equal as numbers, higher as text: an update to the same version.
  r = CheckManifest(Manifest("0.1.0"), "0.1");
  EXPECT_TRUE(r.wouldUpdate);
  EXPECT_EQ(r.ExitStatus(), 1);
}

TEST(Check, UnpairedLeadByteHidesTheLabel) {
  const std::string file = Gbk("////开始") + "\xA1" + Gbk("最新版：V0.2</p>下载地址：http://h/m.exe</p>////结束");
  const CheckReport r = CheckManifest(file, "0.1");
  EXPECT_EQ(r.ExitStatus(), 2);
  EXPECT_EQ(r.fields.latestVersion, "\xA3\xBA" "V0.2");
  EXPECT_NE(r.findings[0].message.find("unpaired byte"), std::string::npos);
}

struct MakeCase {
  const char* name;
  MakeInput input;
  const char* refusal;  // "" when the manifest must be written
};

class MakeTable : public ::testing::TestWithParam<MakeCase> {};

TEST_P(MakeTable, WritesOnlyWhatReadsBack) {
  const MakeCase& c = GetParam();
  const MakeResult r = MakeManifest(c.input);
  if (!*c.refusal) {
    ASSERT_TRUE(r.ok) << c.name << ": " << r.error;
    const ManifestFields f = ReadManifest(r.manifest);
    EXPECT_EQ(f.latestVersion, c.input.version);
    EXPECT_EQ(f.releaseNotes, Gbk(c.input.notes));
    EXPECT_EQ(f.downloadAddress, c.input.address);
    EXPECT_EQ(CheckManifest(r.manifest, "0.1").ExitStatus(), 0);
  } else {
    EXPECT_FALSE(r.ok) << c.name;
    EXPECT_NE(r.error.find(c.refusal), std::string::npos) << c.name << ": " << r.error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakeTable,
    ::testing::Values(
        MakeCase{"plain", {"0.2", "修复了若干问题\n新增收藏夹", "http://www.example.cn/desk/morvane.exe"}, ""},
        MakeCase{"empty notes", {"0.2", "", "http://h:8080/a/m.exe?x=1"}, ""},
        MakeCase{"empty version", {"", "x", "http://h/m.exe"}, "version is empty"},
        MakeCase{"blank in version", {"0.2 ", "x", "http://h/m.exe"}, "without blanks"},
        MakeCase{"line break in version", {"0.2\n", "x", "http://h/m.exe"}, "without blanks"},
        MakeCase{"field end in notes", {"0.2", "a</p>b", "http://h/m.exe"}, "</p>"},
        MakeCase{"address label in notes", {"0.2", "下载地址：http://evil/x.exe", "http://h/m.exe"}, "下载地址"},
        MakeCase{"end marker in notes", {"0.2", "////结束", "http://h/m.exe"}, "////结束"},
        MakeCase{"not in GBK", {"0.2", "emoji \xF0\x9F\x98\x80", "http://h/m.exe"}, "GBK"},
        MakeCase{"https", {"0.2", "x", "https://h/m.exe"}, "https"},
        MakeCase{"no path", {"0.2", "x", "http://h"}, "refuses"},
        MakeCase{"blank in address", {"0.2", "x", "http://h/a b.exe"}, "%20"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

}  // namespace
}  // namespace morvane::manifest_tool
