#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace setup {
namespace {

std::vector<std::string> Parts(const TextArray& array) {
  std::vector<std::string> parts;
  for (std::int32_t i = 1; i <= array.Count(); ++i) parts.emplace_back(array.At(i).View());
  return parts;
}

// GBK pairs used below: 0xB0 0xA1 is one character whose second byte equals the full-width-space byte;
// 0xBC 0x5C has a backslash as its second byte; 0xB0 0x41 and 0x81 0x5A have an ASCII capital there;
// 0x81 0x3F has "?" there.

TEST(TextTest, FindInText) {
  struct Case {
    const char* text;
    const char* sought;
    std::int32_t start;
    bool ignore_case;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"a?b", "?", 1, false, 2},
      {"abc", "?", 1, false, -1},
      {"abc", "c", 4, false, -1},           // start beyond the text
      {"abc", "c", 3, false, 3},
      {"abcabc", "abc", 2, false, 4},
      {"abc", "", 1, false, 1},             // empty sought in a non-empty searched part
      {"abc", "", 4, false, -1},            // ... and in an empty one
      {"", "", 1, false, -1},
      {"abc", "b", -5, false, 2},           // a start below 1 counts as 1
      {"\xB0\xA1", "\xA1", 1, false, -1},   // second byte of a pair is never a match start
      {"x\xB0\xA1\xA1", "\xA1", 1, false, 4},
      {"\x81?", "?", 1, false, -1},         // "?" as a second byte
      {"\x81??", "?", 1, false, 3},
      {"D:\\\xBC\x5C\\x", "\\", 4, false, 6},  // 0xBC 0x5C is one character, not a separator
      {"Marnobe.EXE", "marnobe.exe", 1, true, 1},
      {"Marnobe.EXE", "marnobe.exe", 1, false, -1},
      {"\xB0\x41", "\xB0\x61", 1, true, 1},  // _strnicmp folds bytes of the sought text as well
      {"ab", "abc", 1, false, -1},          // sought longer than what remains
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindInText(c.text, c.sought, c.start, c.ignore_case), c.expected)
        << "text \"" << c.text << "\" sought \"" << c.sought << "\" start " << c.start;
  }
  EXPECT_EQ(FindInText("a?b", "?"), 2);  // defaults: from 1, case matters
}

TEST(TextTest, LeftPartAndLength) {
  EXPECT_EQ(LeftPart("E:\\", 2), "E:");
  EXPECT_EQ(LeftPart("E:\\", 1), "E");
  EXPECT_TRUE(LeftPart("E:\\", 0).Empty());
  EXPECT_TRUE(LeftPart("E:\\", -3).Empty());
  EXPECT_EQ(LeftPart("E:\\", 99), "E:\\");
  EXPECT_EQ(LeftPart("\xB0\xA1x", 1), "\xB0");  // a cut may split a two-byte character
  EXPECT_EQ(TextLength("\xB0\xA1x"), 3);
  EXPECT_EQ(TextLength(Text()), 0);
}

TEST(TextTest, ToLowerCase) {
  EXPECT_EQ(ToLowerCase("MARNOBE.EXE"), "marnobe.exe");
  EXPECT_EQ(ToLowerCase("Ab1.Z9_"), "ab1.z9_");
  // Second bytes in 0x41..0x5A stay as they are; so do other bytes above 0x7F.
  EXPECT_EQ(ToLowerCase("A\xB0\x41Z\x81\x5A"), "a\xB0\x41z\x81\x5A");
  EXPECT_EQ(ToLowerCase("X\xB0"), "x\xB0");  // a first byte standing last ends the walk
  EXPECT_TRUE(ToLowerCase("").Empty());
}

TEST(TextTest, TrimSpaces) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"  a b  ", "a b"},
      {"\xA1\xA1 a \xA1\xA1", "a"},
      {" \xA1\xA1 \xA1\xA1  ", ""},
      {"\ta ", "\ta"},                     // tabs are not blanks
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},    // 0xB0 0xA1 is a character, then a full-width space
      {"x\xA1", "x"},                      // a first byte standing last is dropped
      {" \xA1", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TrimSpaces(c.text), c.expected) << "\"" << c.text << "\"";
}

TEST(TextTest, SplitText) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Parts(SplitText("a|b|", "|")), (V{"a", "b"}));        // no empty last part
  EXPECT_EQ(Parts(SplitText("|a|b", "|")), (V{"", "a", "b"}));    // empty first part
  EXPECT_EQ(Parts(SplitText("a||b", "|")), (V{"a", "", "b"}));
  EXPECT_EQ(Parts(SplitText("", "|")), V{});
  EXPECT_EQ(Parts(SplitText("|", "|")), (V{""}));
  EXPECT_EQ(Parts(SplitText("a|b", "")), (V{"a|b"}));
  EXPECT_EQ(Parts(SplitText("a|b|c", "|", 2)), (V{"a", "b"}));
  EXPECT_EQ(Parts(SplitText("a|b", "|", 2)), (V{"a", "b"}));
  EXPECT_EQ(Parts(SplitText("a|b", "|", 0)), V{});
  EXPECT_EQ(Parts(SplitText("a|b", "|", -1)), V{});
  EXPECT_EQ(Parts(SplitText("a,b")), (V{"a", "b"}));               // default separator ","
  EXPECT_EQ(Parts(SplitText("a<>b<>", "<>")), (V{"a", "b"}));
  // A separator byte inside a two-byte character does not split it.
  EXPECT_EQ(Parts(SplitText("\xBC\x5C\\b", "\\")), (V{"\xBC\x5C", "b"}));
  EXPECT_EQ(Parts(SplitText("\x81|x|y", "|")), (V{"\x81|x", "y"}));
}

TEST(TextTest, MakeSpacesAndBytesToText) {
  const Text spaces = MakeSpaces(260);
  EXPECT_EQ(spaces.Size(), 260u);
  EXPECT_EQ(spaces.View().find_first_not_of(' '), std::string_view::npos);
  EXPECT_EQ(spaces.CStr()[260], '\0');
  EXPECT_TRUE(MakeSpaces(0).Empty());
  EXPECT_TRUE(MakeSpaces(-1).Empty());

  char field[260] = "Marnobe.exe";
  EXPECT_EQ(BytesToText(std::span<const char>(field)), "Marnobe.exe");
  char full[260];
  for (char& c : full) c = 'x';
  EXPECT_EQ(BytesToText(std::span<const char>(full)).Size(), 260u);

  const std::uint8_t block[] = {1, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c', 'd'};
  EXPECT_EQ(BytesToText(ByteSet(block, sizeof block)), "abc");
  const std::uint8_t lying[] = {1, 0, 0, 0, 200, 0, 0, 0, 'a'};  // a length past the block gives nothing
  EXPECT_TRUE(ByteSet(lying, sizeof lying).Bytes().empty());
}

TEST(TextTest, CompareAndConcat) {
  EXPECT_EQ(CompareText(Text(), ""), 0);
  EXPECT_EQ(CompareText("a", Text()), 1);
  EXPECT_EQ(CompareText("", "a"), -1);
  EXPECT_EQ(CompareText("ab", "abc"), -1);
  EXPECT_EQ(CompareText("\xB0", "a"), 1);  // unsigned bytes
  EXPECT_EQ(CompareText("\\\\", "\\\\"), 0);
  EXPECT_EQ(ConcatTexts({"C:\\", Text(), "Vostrel\\", "Marnobe"}), "C:\\Vostrel\\Marnobe");
  EXPECT_TRUE(ConcatTexts({Text(), ""}).Empty());
  EXPECT_EQ(BitwiseOr({0x40, 0x4, 0x1000}), 0x1044);
  EXPECT_EQ(BitwiseOr({std::numeric_limits<std::int32_t>::min(), 1}), std::numeric_limits<std::int32_t>::min() + 1);
  EXPECT_EQ(ArrayElementCount(TextArray()), 0);
  EXPECT_EQ(ArrayElementCount(SplitText("a|b|c", "|")), 3);
}

TEST(TextTest, TruncateToInt64) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(TruncateToInt64(2.9), 2);
  EXPECT_EQ(TruncateToInt64(-2.9), -2);
  EXPECT_EQ(TruncateToInt64(999.99), 999);
  EXPECT_EQ(TruncateToInt64(1048575.0 / 1048576.0), 0);
  EXPECT_EQ(TruncateToInt64(9223372036854774784.0), 9223372036854774784LL);  // largest double below 2^63
  EXPECT_EQ(TruncateToInt64(-9223372036854775808.0), kMin);
  EXPECT_EQ(TruncateToInt64(9223372036854775808.0), kMin);  // out of range: the processor's "indefinite"
  EXPECT_EQ(TruncateToInt64(-1e300), kMin);
  EXPECT_EQ(TruncateToInt64(std::numeric_limits<double>::quiet_NaN()), kMin);
}

TEST(TextTest, OwnershipOfTexts) {
  Text a = "abc";
  Text b = a;  // a copy is a new block
  EXPECT_NE(a.CStr(), b.CStr());
  Text c = static_cast<Text&&>(a);
  EXPECT_TRUE(a.Empty());  // NOLINT(bugprone-use-after-move): moving leaves the source empty
  EXPECT_EQ(c, "abc");
  c = c;  // self-assignment keeps the text
  EXPECT_EQ(c, "abc");
  EXPECT_EQ(Text(std::string_view("ab\0cd", 5)), "ab");  // a text ends at a zero byte

  Text buffer = MakeSpaces(8);
  buffer.MutableData()[3] = '\0';
  buffer.Shrink();
  EXPECT_EQ(buffer, "   ");
}

}  // namespace
}  // namespace setup
