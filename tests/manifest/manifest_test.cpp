// Cutting the block and the fields out of fetched manifests, and the version rule.
#include "manifest/manifest.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

// GBK pieces, named as they read.
const std::string kStart(kStartMarker);      // ////开始
const std::string kEnd(kEndMarker);          // ////结束
const std::string kVersion(kVersionLabel);   // 最新版：V
const std::string kNotes(kNotesLabel);       // 更新说明：
const std::string kAddress(kAddressLabel);   // 下载地址：
const std::string kP(kFieldEnd);             // </p>

TEST(ManifestConstants, AreTheGbkBytes) {
  EXPECT_EQ(kStart, "////\xBF\xAA\xCA\xBC");
  EXPECT_EQ(kEnd, "////\xBD\xE1\xCA\xF8");
  EXPECT_EQ(kVersion.size(), 9u);
  EXPECT_EQ(kNotes.size(), 10u);
  EXPECT_EQ(kAddress.size(), 10u);
}

struct ReadCase {
  const char* name;
  std::string fetched;
  std::string block;
  std::string version;
  std::string notes;
  std::string address;
};

class ReadManifestTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadManifestTable, CutsBlockAndFields) {
  const ReadCase& c = GetParam();
  const ManifestFields f = ReadManifest(c.fetched);
  EXPECT_EQ(f.block, c.block) << c.name;
  EXPECT_EQ(f.latestVersion, c.version) << c.name;
  EXPECT_EQ(f.releaseNotes, c.notes) << c.name;
  EXPECT_EQ(f.downloadAddress, c.address) << c.name;
}

const std::string kFields = kVersion + "0.2" + kP + "\r\n" + kNotes + "fixes" + kP + "\r\n" + kAddress +
                            "http://h/m.exe" + kP + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadManifestTable,
    ::testing::Values(
        ReadCase{"complete", kStart + "\r\n" + kFields + kEnd, "\r\n" + kFields, "0.2", "fixes",
                 "http://h/m.exe"},
        ReadCase{"empty fetch", "", "", "", "", ""},
        ReadCase{"inside an HTML page", "<html><p>" + kStart + kVersion + "0.3" + kP + kEnd + "</html>",
                 kVersion + "0.3" + kP, "0.3", "V0.3", "V0.3"},
        // Without the start marker the tail starts at byte 7 of the fetched text.
        ReadCase{"no start marker", "123456" + kVersion + "0.2" + kP + kEnd, kVersion + "0.2" + kP, "0.2",
                 "V0.2", "V0.2"},
        ReadCase{"no start marker, short prefix", "ab" + kEnd, "", "", "", ""},
        ReadCase{"no end marker", kStart + kFields, "", "", "", ""},
        ReadCase{"end marker only before start", kEnd + kStart + kFields, "", "", "", ""},
        ReadCase{"markers adjacent", kStart + kEnd + kFields, "", "", "", ""},
        ReadCase{"two blocks: the first counts",
                 kStart + kVersion + "0.2" + kP + kEnd + kStart + kVersion + "0.9" + kP + kEnd,
                 kVersion + "0.2" + kP, "0.2", "V0.2", "V0.2"},
        // Absent label: from byte 8 (version) or 9 (the others) of the block up to the first </p>;
        // the same rule gives the notes and the address wherever their labels are missing.
        ReadCase{"absent version label", kStart + "\r\nVersion0.2" + kP + kEnd, "\r\nVersion0.2" + kP,
                 "on0.2", "n0.2", "n0.2"},
        ReadCase{"label without field end", kStart + kVersion + "0.2" + kEnd, kVersion + "0.2", "", "", ""},
        ReadCase{"unpaired lead byte hides the label", kStart + "\xA1" + kVersion + "0.2" + kP + kEnd,
                 "\xA1" + kVersion + "0.2" + kP, "\xA3\xBA" "V0.2", "\xBA" "V0.2", "\xBA" "V0.2"},
        ReadCase{"line break stays in the value", kStart + kVersion + "0.1\r\n" + kP + kEnd,
                 kVersion + "0.1\r\n" + kP, "0.1\r\n", "V0.1\r\n", "V0.1\r\n"},
        ReadCase{"labels in any order, first occurrence",
                 kStart + kAddress + "http://a/1" + kP + kVersion + "0.2" + kP + kAddress + "http://b/2" + kP + kEnd,
                 kAddress + "http://a/1" + kP + kVersion + "0.2" + kP + kAddress + "http://b/2" + kP,
                 "0.2", "\xA3\xBA" "http://a/1", "http://a/1"},
        ReadCase{"zero byte ends the text", kStart + kVersion + "0.2" + kP + std::string(1, '\0') + kEnd, "", "",
                 "", ""},
        // The same manifest saved as UTF-8: no marker matches.
        ReadCase{"UTF-8 manifest", "////\xE5\xBC\x80\xE5\xA7\x8B\n\xE6\x9C\x80\xE6\x96\xB0\xE7\x89\x88\xEF\xBC\x9AV0.2</p>\n////\xE7\xBB\x93\xE6\x9D\x9F",
                 "", "", "", ""}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(TextBetween, MissingEndMarkerOrEmptyStartMarker) {
  EXPECT_EQ(TextBetween("abc", "a", "z"), "");
  EXPECT_EQ(TextBetween("abc", "", "c"), "ab");   // empty pattern is found at 1
  EXPECT_EQ(TextBetween("abc", "a", "b"), "");    // end marker right at the start of the tail
  EXPECT_EQ(TextBetween("xaYYbZZb", "a", "b"), "YY");
}

TEST(TextBetween, CallerArgumentsUnchanged) {
  const std::string source = kStart + kFields + kEnd;
  const std::string copy = source;
  (void)TextBetween(source, kStartMarker, kEndMarker);
  EXPECT_EQ(source, copy);
}

struct VersionCase {
  std::string latest;
  bool newer;
};

class VersionTable : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionTable, ComparesAsTextAgainstZeroPointOne) {
  EXPECT_EQ(IsNewerVersion(GetParam().latest, "0.1"), GetParam().newer) << "[" << GetParam().latest << "]";
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionTable,
                         ::testing::Values(VersionCase{"0.2", true}, VersionCase{"0.10", true},
                                           VersionCase{"0.11", true}, VersionCase{"0.1.1", true},
                                           VersionCase{"1", true}, VersionCase{"1.0", true},
                                           VersionCase{"10", true}, VersionCase{"0.1 ", true},
                                           VersionCase{"0.1\r\n", true}, VersionCase{"0.1", false},
                                           VersionCase{"0.09", false}, VersionCase{"0.0.9", false},
                                           VersionCase{"0", false}, VersionCase{" 0.2", false},
                                           VersionCase{"", false}));

}  // namespace
}  // namespace morvane
