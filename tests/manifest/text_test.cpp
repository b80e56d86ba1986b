// The text primitives at their edges: positions, absent patterns, two-byte characters.
#include "manifest/text.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(TextLength, CountsBytesUpToTheFirstZero) {
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("0.1"), 3);
  EXPECT_EQ(TextLength("\xBF\xAA\xCA\xBC"), 4);  // 开始
  EXPECT_EQ(TextLength(std::string_view("ab\0cd", 5)), 2);
}

struct FindCase {
  const char* name;
  std::string text;
  std::string pattern;
  int64_t expected;
};

class FindTextTable : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTextTable, FindsOnlyAtCharacterStarts) {
  const FindCase& c = GetParam();
  EXPECT_EQ(FindText(c.text, c.pattern), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTextTable,
    ::testing::Values(
        FindCase{"empty pattern in text", "abc", "", 1},
        FindCase{"empty pattern in empty text", "", "", -1},
        FindCase{"pattern in empty text", "", "a", -1},
        FindCase{"first match, 1-based", "xabab", "ab", 2},
        FindCase{"match at the end", "abc", "c", 3},
        FindCase{"pattern longer than text", "ab", "abc", -1},
        FindCase{"case-sensitive", "ABC", "b", -1},
        // 0xB0 0xA1 is one character; its second byte must not start a match.
        FindCase{"never from a trailing byte", "\xB0\xA1" "1", "\xA1" "1", -1},
        FindCase{"after a whole character", "\xB0\xA1" "1", "1", 3},
        // An unpaired lead byte swallows the next byte and shifts the scan.
        FindCase{"unpaired lead byte shifts the scan", "\xA1" "ab", "a", -1},
        FindCase{"unpaired lead byte, later match", "\xA1" "abab", "ab", 4},
        FindCase{"lead byte as the very last byte", "ab\xB0", "zz", -1},
        FindCase{"lead byte at the end before a match could fit", "a\xB0", "\xB0", 2},
        FindCase{"GBK label", "x\xD7\xEE\xD0\xC2", "\xD7\xEE", 2}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(MidText, OutOfRangeGivesEmpty) {
  EXPECT_EQ(MidText("abc", 0, 2), "");
  EXPECT_EQ(MidText("abc", -5, 2), "");
  EXPECT_EQ(MidText("abc", 4, 1), "");
  EXPECT_EQ(MidText("abc", 1, 0), "");
  EXPECT_EQ(MidText("abc", 1, -1), "");
  EXPECT_EQ(MidText("", 1, 1), "");
}

TEST(MidText, TakesBytesAndStopsAtTheEnd) {
  EXPECT_EQ(MidText("abcdef", 2, 3), "bcd");
  EXPECT_EQ(MidText("abcdef", 5, 100), "ef");
  EXPECT_EQ(MidText("abc", 3, 1), "c");
  // Byte positions: a two-byte character may be cut in half.
  EXPECT_EQ(MidText("\xB0\xA1\xB0\xA2", 2, 2), "\xA1\xB0");
}

TEST(BytesToText, StopsAtTheFirstZeroByte) {
  EXPECT_EQ(BytesToText(std::string_view("ver\0sion", 8)), "ver");
  EXPECT_EQ(BytesToText(std::string_view("\0abc", 4)), "");
  EXPECT_EQ(BytesToText(""), "");
  EXPECT_EQ(BytesToText("\xFF\x80"), "\xFF\x80");
}

TEST(CompareText, UnsignedBytesAndPrefixes) {
  EXPECT_EQ(CompareText("", ""), 0);
  EXPECT_EQ(CompareText("", "0.1"), -1);
  EXPECT_EQ(CompareText("0.1", ""), 1);
  EXPECT_EQ(CompareText("0.1", "0.1"), 0);
  EXPECT_EQ(CompareText("0.1", "0.10"), -1);
  EXPECT_EQ(CompareText("\x80", "\x7F"), 1);  // bytes compare as 0..255, not as signed chars
  EXPECT_EQ(CompareText("a", "b"), -1);
  EXPECT_EQ(CompareText("b", "abc"), 1);
}

TEST(ConcatText, JoinsInOrderAndSkipsEmpty) {
  EXPECT_EQ(ConcatText({}), "");
  EXPECT_EQ(ConcatText({"", ""}), "");
  EXPECT_EQ(ConcatText({"C:", "\\morvane.bak"}), "C:\\morvane.bak");
  EXPECT_EQ(ConcatText({"a", "", "b", "c"}), "abc");
}

}  // namespace
}  // namespace morvane
