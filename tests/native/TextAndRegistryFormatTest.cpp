#include <gtest/gtest.h>

#include "platform/M_Regedit.h"
#include "platform/Services.h"
#include "platform/Text.h"

namespace vestrand {
namespace {

std::vector<std::uint8_t> Utf16Bytes(const std::u16string& s, bool terminator) {
  std::vector<std::uint8_t> out;
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminator) {
    out.push_back(0);
    out.push_back(0);
  }
  return out;
}

TEST(Text, RoundTripsEveryPlane) {
  const char* samples[] = {"", "D:\\Win7User", "C:\\用户\\桌面", "Файлы", "emoji 😀 ok",
                           "tab\tand\nline"};
  for (const char* s : samples) {
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  }
  EXPECT_EQ(Utf8ToUtf16("😀"), std::u16string(u"\xD83D\xDE00"));
}

TEST(Text, MalformedInputBecomesReplacementNotSilence) {
  EXPECT_EQ(Utf8ToUtf16(std::string("a\xFF" "b")), u"a\xFFFD" u"b");
  EXPECT_EQ(Utf8ToUtf16(std::string("\xE4\xB8")), u"\xFFFD\xFFFD");   // truncated sequence
  EXPECT_EQ(Utf8ToUtf16(std::string("\xC0\xAF")), u"\xFFFD\xFFFD");   // overlong
  EXPECT_EQ(Utf16ToUtf8(std::u16string(u"x\xD800y")), "x\xEF\xBF\xBDy");  // lone surrogate
}

TEST(Text, TrimOnlySpaces) {
  const std::pair<const char*, const char*> cases[] = {
      {"  a b  ", "a b"}, {"   ", ""}, {"", ""}, {"\tx\t", "\tx\t"}, {"C:\\x ", "C:\\x"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(TrimSpaces(in), out) << in;
}

TEST(RegistryFormat, ByType) {
  struct Case {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::string expected;
  };
  const Case cases[] = {
      {kRegSz, Utf16Bytes(u"C:\\Users\\Ann\\Desktop ", true), "C:\\Users\\Ann\\Desktop "},
      {kRegSz, Utf16Bytes(u"no terminator", false), "no terminator"},
      {kRegSz, Utf16Bytes(std::u16string(u"path\0\0", 6), true), "path"},
      {kRegSz, Utf16Bytes(u"D:\\我的文档", true), "D:\\我的文档"},
      {kRegSz, {}, ""},
      {kRegExpandSz, Utf16Bytes(u"%USERPROFILE%\\Desktop", true), "%USERPROFILE%\\Desktop"},
      {kRegMultiSz, Utf16Bytes(std::u16string(u"a\0b\0", 4), true), std::string("a\0b\0", 4)},
      {kRegBinary, {0x0A, 0x1B}, "0A 1B "},
      {kRegBinary, {}, ""},
      {kRegDword, {0, 0, 0, 0}, "0"},
      {kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {kRegDword, {0x10, 0, 0, 0}, "16"},
      {kRegDword, {0x10}, ""},
      {kRegDwordBigEndian, {0, 0, 0, 1}, ""},
      {6, Utf16Bytes(u"\\Registry\\x", true), ""},
      {11, {1, 0, 0, 0, 0, 0, 0, 0}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatRegistryData(c.type, c.data), c.expected) << "type " << c.type;
  }
}

TEST(RegistryFormat, StoredStringIsUtf16WithOneTerminator) {
  EXPECT_EQ(StringValueData("D:\\桌面"), Utf16Bytes(u"D:\\桌面", true));
  EXPECT_EQ(StringValueData("").size(), 2u);
}

}  // namespace
}  // namespace vestrand
